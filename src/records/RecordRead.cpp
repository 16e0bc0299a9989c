#include "records/RecordRead.h"

#include "platform/system/FileException.h"
#include "platform/system/StdioFile.h"

#include <cerrno>
#include <chrono>
#include <new>
#include <thread>

namespace {

constexpr int kSharingRetries = 20;
constexpr std::chrono::milliseconds kSharingRetryPause(10);

// The whole file, or none when it is larger than any record.
std::optional<std::string> ReadAll(const std::string& fileName) {
    CStdioFile file(fileName, kRecordReadFlags);
    if (file.GetLength() > kLargestRecordBytes) {
        return std::nullopt;
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
            return std::nullopt; // it grew while being read
        }
    }
    file.Close();
    return text;
}

// The first line up to its first "|", or none when the first line has none.
std::optional<std::string> ReadUrlPart(const std::string& fileName) {
    CStdioFile file(fileName, kRecordReadFlags);
    if (file.GetLength() > kLargestRecordBytes) {
        return std::nullopt;
    }
    std::string url;
    if (file.ReadUntilAny(url, "|\n") != '|') {
        return std::nullopt;
    }
    file.Close();
    return url;
}

// What read yields, trying again for a short while when the file is held open elsewhere.
template <typename Read>
std::optional<std::string> ReadRetryingHeld(const std::string& fileName, Read read) {
    for (int attempt = 0;; ++attempt) {
        try {
            return read(fileName);
        } catch (const CFileException& e) {
            if (e.m_cause != CFileException::sharingViolation || attempt == kSharingRetries) {
                return std::nullopt;
            }
        } catch (const std::bad_alloc&) {
            return std::nullopt; // no room for it now; the process goes on
        }
        std::this_thread::sleep_for(kSharingRetryPause);
    }
}

} // namespace

std::optional<std::string> ReadWholeRecord(const std::string& fileName) {
    return ReadRetryingHeld(fileName, ReadAll);
}

std::optional<std::string> ReadRecordUrl(const std::string& fileName) {
    return ReadRetryingHeld(fileName, ReadUrlPart);
}

StoredRecord::StoredRecord(std::string wholeText)
    : text(std::move(wholeText)), fields(SplitRecord(text)) {}

StoredRecord::StoredRecord(StoredRecord&& other) noexcept : fields(other.fields) {
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

std::optional<StoredRecord> ReadRecordForCheck(const std::string& fileName) {
    std::optional<std::string> text = ReadWholeRecord(fileName);
    if (!text || !LooksLikeRecord(*text)) {
        return std::nullopt;
    }
    try {
        return StoredRecord(std::move(*text));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::string TakeStoredPage(StoredRecord&& record) {
    const std::size_t pageLength = record.fields.page.size();
    std::string text = std::move(record.text);
    text.erase(0, text.size() - pageLength);
    return text;
}
