#include "records/Catalogue.h"

#include "platform/system/FileFind.h"
#include "platform/system/StdioFile.h"
#include "records/LineAddress.h"
#include "records/PageListReading.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"
#include "records/TextCase.h"

#include <iterator>
#include <memory>
#include <optional>
#include <utility>

namespace {

// Calls visit(fileName, openFlags) for each record file until it yields true.
template <typename Visit> void ForEachRecordFile(Visit visit) {
    CFileFind finder;
    bool more = finder.FindFile(kRecordFilePattern);
    while (more) {
        more = finder.FindNextFile();
        const unsigned flags =
            kRecordReadFlags | (finder.IsRegularFile() ? CStdioFile::seenRegularFile : 0U);
        if (visit(finder.GetFileName(), flags)) {
            return;
        }
    }
}

// The reading started ahead of the window, until the window's list takes it.
std::unique_ptr<PageListReading>& StartedReading() {
    static std::unique_ptr<PageListReading> reading;
    return reading;
}

} // namespace

void StartReadingPageList() {
    if (!StartedReading()) {
        StartedReading() = std::make_unique<PageListReading>();
    }
}

std::vector<std::string> FillPageList(std::vector<std::string>& lines) {
    std::unique_ptr<PageListReading> reading = std::move(StartedReading());
    if (!reading) {
        reading = std::make_unique<PageListReading>();
    }
    PageListContent content = reading->Finish();
    if (lines.empty()) {
        lines = std::move(content.lines);
    } else {
        lines.insert(lines.end(), std::make_move_iterator(content.lines.begin()),
                     std::make_move_iterator(content.lines.end()));
    }
    return std::move(content.fileErrors);
}

std::vector<std::string> FillPageList(const AddPageLine& addString) {
    std::vector<std::string> lines;
    std::vector<std::string> fileErrors = FillPageList(lines);
    for (std::string& line : lines) {
        addString(std::move(line));
    }
    return fileErrors;
}

bool FindRecordByUrl(const std::string& text, std::string& strRecordFile,
                     std::string& strFoundTitle, std::string& strFoundDate) {
    const std::string_view wanted = AddressInLine(text);

    bool matched = false;
    ForEachRecordFile([&](const std::string& fileName, unsigned openFlags) {
        std::optional<CStdioFile> opened;
        try {
            opened.emplace(fileName, openFlags);
        } catch (const CFileException& error) {
            if (IsNoRecordFile(error)) {
                return false;
            }
            throw;
        }
        CStdioFile& file = *opened;
        if (file.GetLength() > kLargestRecordBytes) {
            return false;
        }
        const std::string head = ReadRecordHead(file);
        file.Close();

        const RecordFields fields = SplitRecord(head);
        // A file whose first line holds no "|" is no record (FillPageList does not list it).
        if (!LooksLikeRecord(head) || !EqualsIgnoringCase(fields.url, wanted)) {
            return false;
        }
        strRecordFile = fileName;
        strFoundTitle = fields.title;
        strFoundDate = fields.date;
        matched = true;
        return true;
    });
    if (!matched) {
        strFoundTitle.clear();
        strFoundDate.clear();
    }
    return matched;
}
