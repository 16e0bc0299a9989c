#include "records/RecordRead.h"

#include "platform/system/FileException.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/StdioFile.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <new>
#include <thread>

namespace {

// The injected read failure: a file name and the error its reads meet.
std::mutex g_injectedGuard;
std::string g_injectedFile;
int g_injectedError = 0;

void ThrowInjectedFailure(const std::string& fileName) {
    std::lock_guard lock(g_injectedGuard);
    if (g_injectedError != 0 && fileName == g_injectedFile) {
        throw CFileException::FromOsError(g_injectedError, fileName);
    }
}

constexpr int kSharingRetries = 20;
constexpr std::chrono::milliseconds kSharingRetryPause(10);

// A whole record file as read: its text (none when it is larger than any record) and the file.
struct WholeFile {
    std::optional<std::string> text;
    FileIdentity file;
};

WholeFile ReadAll(const std::string& fileName) {
    CStdioFile file(fileName, kRecordReadFlags);
    WholeFile whole{std::nullopt, file.GetIdentity()};
    if (file.GetLength() > kLargestRecordBytes) {
        return whole;
    }
    // Room for the whole file at once, so a large record is read in place: never copied as it
    // grows, never held in more memory than it needs. A file that grew meanwhile is still read to
    // its end, one that shrank only as far as it goes.
    std::string text(static_cast<std::size_t>(file.GetLength()), '\0');
    text.resize(file.Read(text.data(), text.size()));
    char chunk[1024];
    while (const std::size_t got = file.Read(chunk, sizeof chunk)) {
        text.append(chunk, got);
        if (text.size() > kLargestRecordBytes) {
            return whole; // it grew while being read
        }
    }
    file.Close();
    whole.text = std::move(text);
    return whole;
}

// The first line up to its first "|", or none when the record's start holds no such line.
std::optional<std::string> ReadUrlPart(const std::string& fileName) {
    CStdioFile file(fileName, kRecordReadFlags);
    if (file.GetLength() > kLargestRecordBytes) {
        return std::nullopt;
    }
    std::optional<std::string> url = ReadRecordAddress(file);
    file.Close();
    return url;
}

// Whether a file that would not open is not there to check: removed meanwhile, a link that leads
// nowhere, no regular file, or in another's hands for longer than a lookup takes (which its
// holder reports). Anything else is a failure to report.
bool IsPassedOver(const CFileException& error, const std::string& fileName) {
    if (error.m_cause == CFileException::sharingViolation) {
        return true;
    }
    if (error.m_lOsError != ENOENT && error.m_lOsError != ELOOP && !IsNoRecordFile(error)) {
        return false;
    }
    // Confirmed by a look of its own, since an open can fail with these numbers for other
    // reasons (a device error, a fault); only then is there nothing to report.
    int now = 0;
    const FileKind kind = KindOfFile(fileName, true, now);
    return kind == FileKind::Missing || now == ELOOP ||
           (kind != FileKind::Unknown && kind != FileKind::Regular);
}

// What read yields, trying again for a short while when the file is held open elsewhere.
template <typename Read>
auto ReadRetryingHeld(const std::string& fileName, Read read)
    -> RecordReading<decltype(read(fileName))> {
    for (int attempt = 0;; ++attempt) {
        try {
            ThrowInjectedFailure(fileName);
            return {read(fileName), {}};
        } catch (const CFileException& e) {
            if (e.m_cause != CFileException::sharingViolation || attempt == kSharingRetries) {
                if (IsPassedOver(e, fileName)) {
                    return {};
                }
                return {std::nullopt, e.GetErrorMessage()};
            }
        } catch (const std::bad_alloc&) {
            return {std::nullopt, "There was not enough memory to read " + fileName + "."};
        }
        std::this_thread::sleep_for(kSharingRetryPause);
    }
}

} // namespace

void InjectRecordReadFailureForTesting(const std::string& fileName, int error) {
    std::lock_guard lock(g_injectedGuard);
    g_injectedFile = fileName;
    g_injectedError = error;
}

std::string FolderReadFailureMessage(int error) {
    return "The folder of records could not be read: " + SystemErrorText(error) + ".";
}

std::string ReadRecordHead(CStdioFile& file) {
    std::string head(kRecordHeadBytes, '\0');
    head.resize(file.Read(head.data(), head.size()));
    return head;
}

std::optional<std::string> ReadRecordAddress(CStdioFile& file) {
    std::string url;
    if (file.ReadUntilAny(url, "|\n", kRecordHeadBytes) != '|') {
        return std::nullopt;
    }
    return url;
}

std::optional<std::string> ReadWholeRecord(const std::string& fileName) {
    RecordReading<WholeFile> read = ReadRetryingHeld(fileName, ReadAll);
    if (!read.value) {
        return std::nullopt;
    }
    return std::move(read.value->text);
}

RecordReading<std::string> ReadRecordUrl(const std::string& fileName) {
    RecordReading<std::optional<std::string>> read = ReadRetryingHeld(fileName, ReadUrlPart);
    if (!read.value || !*read.value) {
        return {std::nullopt, std::move(read.failure)};
    }
    return {std::move(**read.value), {}};
}

StoredRecord::StoredRecord(std::string wholeText)
    : text(std::move(wholeText)), fields(SplitRecord(text)) {}

StoredRecord::StoredRecord(StoredRecord&& other) noexcept : fields(other.fields), file(other.file) {
    const char* oldBase = other.text.data();
    text = std::move(other.text);
    // Short texts live inside the string object: point the views at their new place.
    const auto rebase = [&](std::string_view& view) {
        if (view.data() != nullptr && !view.empty()) {
            view = std::string_view(text.data() + (view.data() - oldBase), view.size());
        } else {
            view = {};
        }
    };
    rebase(fields.url);
    rebase(fields.title);
    rebase(fields.date);
    rebase(fields.page);
}

bool IsNoRecordFile(const CFileException& error) {
    return error.m_lOsError == kNotRegularFile || error.m_lOsError == EISDIR;
}

bool LooksLikeRecord(std::string_view firstPart) {
    const std::size_t bar = firstPart.find('|');
    return bar != std::string_view::npos && firstPart.find('\n') > bar;
}

RecordReading<StoredRecord> ReadRecordForCheck(const std::string& fileName) {
    RecordReading<WholeFile> read = ReadRetryingHeld(fileName, ReadAll);
    if (!read.value || !read.value->text ||
        !LooksLikeRecord(std::string_view(*read.value->text).substr(0, kRecordHeadBytes))) {
        return {std::nullopt, std::move(read.failure)};
    }
    try {
        RecordReading<StoredRecord> record;
        record.value.emplace(std::move(*read.value->text));
        record.value->file = read.value->file;
        return record;
    } catch (const std::bad_alloc&) {
        return {std::nullopt, "There was not enough memory to read " + fileName + "."};
    }
}

std::string TakeStoredPage(StoredRecord&& record) {
    const std::size_t pageLength = record.fields.page.size();
    std::string text = std::move(record.text);
    text.erase(0, text.size() - pageLength);
    return text;
}
