// varnolt-cli list: the window's page list, with the date and title of each page.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/system/FileException.h"
#include "platform/system/StdioFile.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"

#include <filesystem>
#include <iostream>

namespace {

class List final : public Verb {
public:
    const char* Name() const override { return "list"; }
    const char* Summary() const override {
        return "show the stored pages: number, date, address, title";
    }
    void Declare(CLI::App& command) override {
        command.footer("One line per record, by number: number, date, address and title,\n"
                       "separated by tabs, and \"rules\" in a fifth field for a page with rules.");
    }
    int Run(const VerbContext& context) override {
        if (const std::optional<int> status = EnterRecordsFolder(context, false)) {
            return *status;
        }
        return RunList();
    }
};

} // namespace

int RunList() {
    bool folderReadable = false;
    const std::vector<std::string> files = RecordFilesInOrder(folderReadable);
    int status = folderReadable ? kExitSame : kExitTrouble;
    for (const std::string& fileName : files) {
        std::string head;
        try {
            CStdioFile file(fileName, kRecordReadFlags);
            if (file.GetLength() > kLargestRecordBytes) {
                continue; // no record is that large
            }
            head = ReadRecordHead(file);
            file.Close();
        } catch (const CFileException& failure) {
            if (failure.m_cause == CFileException::fileNotFound || IsNoRecordFile(failure)) {
                continue; // removed meanwhile, or no regular file
            }
            Complain(failure.GetErrorMessage());
            status = kExitTrouble;
            continue;
        }
        // As the page list: a file whose first line holds no "|" is no record.
        if (!LooksLikeRecord(head)) {
            continue;
        }
        const RecordFields fields = SplitRecord(head);
        const std::string number = fileName.substr(0, fileName.size() - 4);
        std::cout << number << '\t' << ShownText(fields.date) << '\t' << ShownText(fields.url)
                  << '\t' << ShownText(fields.title);
        // A page with rules says so in a fifth field.
        std::error_code unknown;
        if (std::filesystem::exists(RulesFileName(fileName), unknown)) {
            std::cout << "\trules";
        }
        std::cout << '\n';
    }
    std::cout.flush();
    return status;
}

std::unique_ptr<Verb> ListVerb() {
    return std::make_unique<List>();
}
