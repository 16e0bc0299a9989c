#include "records/RecordWriter.h"

#include "platform/system/ReplacingFile.h"
#include "records/DateStamp.h"
#include "records/PageTitle.h"
#include "records/RecordCounter.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

namespace {

// Writes one record into place. Yields 0 or the system error number.
int WriteRecordFile(const std::string& fileName, const std::string& url, const std::string& page,
                    ReplaceMode mode) {
    const std::string title = PageTitle(page);
    const std::string date = DateStamp();
    ReplacingFile file(fileName);
    if (const int error = file.Open(); error != 0) {
        return error;
    }
    file.Write(url);
    file.Write("|");
    file.Write(title);
    file.Write("|");
    file.Write(date);
    file.Write("*");
    file.Write(page);
    return file.Commit(mode);
}

std::string RecordFileName(std::int64_t number) {
    return std::to_string(number) + ".vnt";
}

} // namespace

void WriteNewRecord(std::string url, std::string page) {
    std::optional<std::int64_t> number = NextRecordNumber();
    bool skippedTakenNumbers = false;
    while (number) {
        const std::string fileName = RecordFileName(*number);
        std::error_code unknown; // an unreadable directory: let the write itself fail
        if (!std::filesystem::exists(fileName, unknown)) {
            const int error = WriteRecordFile(fileName, url, page, ReplaceMode::CreateNew);
            if (error != EEXIST) {
                break; // written, or a failure that leaves the number used
            }
        }
        // The counter was lost or reset: never replace an existing record, take the next number.
        number = NextNumberAfter(*number);
        skippedTakenNumbers = true;
    }
    if (number && skippedTakenNumbers) {
        StoreRecordCounter(*number);
    }
}

void RewriteRecord(std::string url, std::string page, std::string recordFileName) {
    WriteRecordFile(recordFileName, url, page, ReplaceMode::ReplaceUnlessHeld);
}
