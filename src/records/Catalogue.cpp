#include "records/Catalogue.h"

#include "platform/system/FileFind.h"
#include "platform/system/StdioFile.h"
#include "records/LineAddress.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"
#include "records/TextCase.h"

#include <cerrno>
#include <new>
#include <optional>

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

std::vector<std::string> FillPageList(const AddPageLine& addString) {
    std::vector<std::string> fileErrors;
    ForEachRecordFile([&](const std::string& fileName) {
        try {
            CStdioFile file(fileName, kReadNoSharing);
            if (file.GetLength() > kLargestRecordBytes) {
                return false; // no record is that large
            }
            // Only the text before the first line's first "|" is listed, so read no further.
            std::string url;
            if (file.ReadUntilAny(url, "|\n") == '|') {
                addString(url);
            }
            file.Close();
        } catch (const CFileException& error) {
            if (!IsNoRecordFile(error)) {
                fileErrors.push_back(error.GetErrorMessage());
            }
        } catch (const std::bad_alloc&) {
            // A first line too long for the memory left: passed over, the list goes on.
        }
        return false;
    });
    return fileErrors;
}

bool FindRecordByUrl(const std::string& text, std::string& strRecordFile,
                     std::string& strFoundTitle, std::string& strFoundDate) {
    const std::string_view wanted = AddressInLine(text);

    bool matched = false;
    ForEachRecordFile([&](const std::string& fileName) {
        std::optional<CStdioFile> opened;
        try {
            opened.emplace(fileName, kReadNoSharing);
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
        std::string head(kLookupReadLimit, '\0');
        head.resize(file.Read(head.data(), head.size()));
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
