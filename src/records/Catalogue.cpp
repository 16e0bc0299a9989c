#include "records/Catalogue.h"

#include "platform/system/FileFind.h"
#include "platform/system/StdioFile.h"
#include "records/LineAddress.h"
#include "records/RecordText.h"
#include "records/TextCase.h"

namespace {

constexpr const char* kRecordPattern = "*.vnt";
constexpr unsigned kReadNoSharing =
    CStdioFile::modeRead | CStdioFile::typeText | CStdioFile::shareExclusive;

// A lookup reads no more than this of each record, however large its page.
constexpr std::size_t kLookupReadLimit = 1999;

// Calls visit(fileName) for each record file until it yields true.
template <typename Visit> void ForEachRecordFile(Visit visit) {
    CFileFind finder;
    bool more = finder.FindFile(kRecordPattern);
    while (more) {
        more = finder.FindNextFile();
        if (visit(finder.GetFileName())) {
            return;
        }
    }
}

} // namespace

void FillPageList(const AddPageLine& addString) {
    ForEachRecordFile([&](const std::string& fileName) {
        CStdioFile file(fileName, kReadNoSharing);
        // Only the text before the first line's first "|" is listed, so read no further.
        std::string url;
        if (file.ReadUntilAny(url, "|\n") == '|') {
            addString(url);
        }
        file.Close();
        return false;
    });
}

bool FindRecordByUrl(const std::string& text, std::string& strRecordFile,
                     std::string& strFoundTitle, std::string& strFoundDate) {
    const std::string_view wanted = AddressInLine(text);

    bool matched = false;
    ForEachRecordFile([&](const std::string& fileName) {
        CStdioFile file(fileName, kReadNoSharing);
        std::string head(kLookupReadLimit, '\0');
        head.resize(file.Read(head.data(), head.size()));
        file.Close();

        const RecordFields fields = SplitRecord(head);
        // A file without "|" is no record (FillPageList does not list it either).
        if (head.find('|') == std::string::npos || !EqualsIgnoringCase(fields.url, wanted)) {
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
