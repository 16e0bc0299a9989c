#include "records/RecordWriter.h"

#include "platform/system/LocalDate.h"
#include "platform/system/ReplacingFile.h"
#include "records/RecordCounter.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

namespace {

constexpr std::string_view kUntitled = "untitle";

// The text from just after the marker at pos up to the next "<"; "untitle" when no "<" follows,
// so the rest of the page is never taken for a title.
std::string TitleAfter(const std::string& page, std::size_t pos, std::size_t markerLength) {
    const std::size_t start = pos + markerLength;
    const std::size_t end = page.find('<', start);
    if (end == std::string::npos) {
        return std::string(kUntitled);
    }
    return page.substr(start, end - start);
}

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

std::string PageTitle(const std::string& page) {
    const std::size_t lower = page.find("<title>");
    if (lower != std::string::npos && lower > 0) {
        return TitleAfter(page, lower, 7);
    }
    const std::size_t word = page.find("TITLE");
    if (word == std::string::npos || word == 0) {
        return std::string(kUntitled);
    }
    const std::size_t upper = page.find("<TITLE>");
    if (upper == std::string::npos) {
        return std::string(kUntitled);
    }
    return TitleAfter(page, upper, 7);
}

std::string DateStamp() {
    const CalendarDate today = LocalDateToday();
    return std::to_string(today.day) + ":" + std::to_string(today.month) + ":" +
           std::to_string(today.year);
}

std::string NextRecordNumber() {
    const std::optional<std::int64_t> number = AdvanceRecordCounter();
    return number ? std::to_string(*number) : std::string();
}

void WriteNewRecord(std::string url, std::string page) {
    std::optional<std::int64_t> number = AdvanceRecordCounter();
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
