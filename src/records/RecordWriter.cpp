#include "records/RecordWriter.h"

#include "platform/system/ExclusiveFile.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/DateStamp.h"
#include "records/PageTitle.h"
#include "records/RecordCounter.h"
#include "records/RecordFiles.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"

#include <atomic>
#include <string_view>

namespace {

std::atomic<int> g_injectedWriteFailure{0};

// How many numbers in a row an add passes over for leftovers that will not go.
constexpr int kMostNumbersUncleared = 8;

// Writes one record into place.
WriteResult WriteRecordFile(const std::string& fileName, const std::string& url,
                            const std::string& page, ReplaceMode mode,
                            const std::optional<FileIdentity>& readFrom = std::nullopt,
                            OldCopy* oldCopy = nullptr) {
    const std::string title = PageTitle(page);
    const std::string date = DateStamp();
    const std::string storedUrl = StoredUrl(url);
    const std::string storedTitle = StoredTitle(title);
    if (storedUrl.size() + storedTitle.size() + date.size() + page.size() + 3 >
        kLargestRecordBytes) {
        return WriteResult::FromError(EFBIG); // it could never be read back
    }
    ReplacingFile file(fileName);
    if (readFrom) {
        file.ExpectTarget(*readFrom);
    }
    if (const int error = file.Open(); error != 0) {
        return WriteResult::FromError(error);
    }
    file.Write(storedUrl);
    file.Write("|");
    file.Write(storedTitle);
    file.Write("|");
    file.Write(date);
    file.Write("*");
    file.Write(page);
    if (const int injected = g_injectedWriteFailure.load(); injected != 0) {
        return WriteResult::FromError(injected); // the temporary goes with the file object
    }
    if (oldCopy == nullptr) {
        return file.Commit(mode);
    }
    // The old copy is whole in the history before the record is replaced.
    std::string keptAs;
    if (const int error = StoreKeptVersion(fileName, oldCopy->head, oldCopy->page, oldCopy->limits,
                                           keptAs, readFrom);
        error != 0) {
        oldCopy->keepFailed = true;
        return WriteResult::FromError(error);
    }
    const WriteResult result = file.Commit(mode);
    if (!result.IsStored()) {
        DropKeptVersion(fileName, keptAs);
        return result;
    }
    oldCopy->pruneError = PruneVersions(fileName, oldCopy->limits);
    return result;
}

std::string RecordFileName(std::int64_t number) {
    return std::to_string(number) + ".vnt";
}

} // namespace

int WriteNewRecord(std::string url, std::string page, std::string* storedAs) {
    std::optional<std::int64_t> number = NextRecordNumber();
    int error = 0;
    int uncleared = 0;
    while (number) {
        const std::string fileName = RecordFileName(*number);
        // Any name counts as taken, even a link that leads nowhere or in a loop; an unreadable
        // directory lets the write itself fail.
        const FileKind kind = KindOfFile(fileName, false);
        if (kind == FileKind::Missing || kind == FileKind::Unknown) {
            // What a record of this number left (a counter reset, a removal cut short) goes
            // before the name is taken, so that the new page never starts with another's rules
            // or history. A number whose leftovers will not go is passed over like a taken one,
            // but only a few: then the folder is at fault, and the add fails with the reason.
            if (const int clearing = ClearLeftovers(fileName); clearing != 0) {
                if (++uncleared == kMostNumbersUncleared) {
                    return clearing;
                }
                number = NextNumberAfter(*number);
                continue;
            }
            error = WriteRecordFile(fileName, url, page, ReplaceMode::CreateNew).ErrorNumber();
            if (error != EEXIST) {
                break; // written, or failed: nothing stored, the counter stays
            }
        }
        // The counter was lost or reset: never replace an existing record, take the next number.
        number = NextNumberAfter(*number);
    }
    if (!number) {
        return kNoRecordNumberLeft;
    }
    if (error == 0) {
        StoreRecordCounter(*number);
        if (storedAs != nullptr) {
            *storedAs = RecordFileName(*number);
        }
    }
    return error;
}

WriteResult RewriteRecord(std::string url, std::string page, std::string recordFileName,
                          const std::optional<FileIdentity>& readFrom, OldCopy* oldCopy) {
    return WriteRecordFile(recordFileName, url, page, ReplaceMode::ReplaceUnlessHeld, readFrom,
                           oldCopy);
}

std::string RecordWriteFailureText(int error) {
    switch (error) {
    case ENOSPC:
        return "the disk is full";
    case EDQUOT:
        return "the disk quota is used up";
    case EROFS:
        return "the disk is read-only";
    case EACCES:
    case EPERM: // a sticky or immutable folder, or an immutable file
        return "the folder may not be written to";
    case EIO:
        return "the disk reported an input/output error";
    case EFBIG:
        return "the page is too large to store";
    case kNoRecordNumberLeft:
        return "no record number is left to hand out (name.ini is at its largest)";
    default:
        return SystemErrorText(error);
    }
}

std::string WriteFailureText(const WriteResult& result) {
    switch (result.GetKind()) {
    case WriteResult::Kind::ReadOnly:
        // The file's owner made it read-only; the folder itself may well be writable.
        return "the file is read-only";
    case WriteResult::Kind::Held:
        return "the file is held open by another program";
    case WriteResult::Kind::Gone:
        return "the file is no longer there";
    case WriteResult::Kind::Stored:
    case WriteResult::Kind::Failed:
        break;
    }
    return RecordWriteFailureText(result.Error());
}

void InjectRecordWriteFailureForTesting(int error) {
    g_injectedWriteFailure = error;
}
