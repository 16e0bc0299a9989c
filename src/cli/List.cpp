// varnolt-cli list: the window's page list, with the date and title of each page.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/TerminalText.h"
#include "platform/system/FileException.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/StdioFile.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"

#include <iostream>

namespace {

class List final : public Verb {
public:
    const char* Name() const override { return "list"; }
    const char* Summary() const override {
        return "show the stored pages: number, date, address, title";
    }
    void Declare(CLI::App& command) override {
        command.add_flag("--json", m_json,
                         "one JSON object a line: number, url, title, date, rules");
        command.footer("One line per record, by number: number, date (as 2026-12-11), address and\n"
                       "title, separated by tabs, and \"rules\" in a fifth field for a page with\n"
                       "rules.");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, false}; }
    int Run(const VerbContext& /*context*/) override { return RunList(m_json); }

private:
    bool m_json = false;
};

} // namespace

int RunList(bool json) {
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
        const FileKind rulesKind = KindOfFile(RulesFileName(fileName), true);
        const bool ruled = rulesKind != FileKind::Missing && rulesKind != FileKind::Unknown;
        if (json) {
            PrintJsonLine({{"number", RecordNumberJson(fileName)},
                           {"file", fileName},
                           {"url", ShownText(fields.url)},
                           {"title", ShownText(fields.title)},
                           {"date", IsoDate(fields.date)},
                           {"rules", ruled}});
            continue;
        }
        const std::string number = fileName.substr(0, fileName.size() - 4);
        // The fields come from the file: none of them may drive the terminal.
        std::cout << VisibleLine(number) << '\t' << VisibleLine(IsoDate(fields.date)) << '\t'
                  << VisibleLine(ShownText(fields.url)) << '\t'
                  << VisibleLine(ShownText(fields.title));
        // A page with rules says so in a fifth field.
        if (ruled) {
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
