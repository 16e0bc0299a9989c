// varnolt-cli report: the last change of pages as one HTML page, to read in a browser.

#include "changes/ChangeReport.h"
#include "changes/LastChange.h"
#include "changes/ReportFile.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/Console.h"

#include <iostream>

namespace {

class Report final : public Verb {
public:
    const char* Name() const override { return "report"; }
    const char* Summary() const override {
        return "write the last change of pages as an HTML page to read in a browser";
    }
    void Declare(CLI::App& command) override {
        command.add_option("URL|NUMBER", m_targets, "the records' numbers or addresses")
            ->required();
        command.add_option("-o,--output", m_output, "write the report to FILE")->type_name("FILE");
        command.add_flag("--open", m_open, "open the report in the desktop's web browser");
        command.footer(
            "Writes one HTML page showing each page's last change side by side: the\n"
            "version before and the newest, as its checks compare them (with its rules),\n"
            "removed text struck through in red, added text in green. The page runs no\n"
            "script and loads nothing: everything of the watched pages is shown as text.\n"
            "Without --output it goes to $XDG_CACHE_HOME/varnolt/report.html (or\n"
            "~/.cache/varnolt/report.html), replacing the last one. Prints the file's path.\n"
            "\n"
            "FILE is written as other tools write a file: created or emptied in place.\n"
            "A symbolic link in a folder anyone may write to (/tmp), another user's file\n"
            "there, or anything that is not a regular file (a FIFO, a device, a folder)\n"
            "is refused.\n"
            "\n"
            "Exit status: 0 the report was written, 2 it was not, or a page's change\n"
            "could not be read (the report says so in its place).");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, true}; }
    std::vector<std::string> NamedRecords() const override { return m_targets; }
    int Run(const VerbContext& /*context*/) override {
        // A relative FILE is taken from where the command was given, not the records' folder.
        if (!m_output.empty() && m_output.front() != '/') {
            m_output = CurrentFolder() + "/" + m_output;
        }
        return RunReport(m_targets, m_output, m_open);
    }

private:
    std::vector<std::string> m_targets;
    std::string m_output;
    bool m_open = false;
};

} // namespace

int RunReport(const std::vector<std::string>& targets, const std::string& output, bool open) {
    std::vector<PageChange> pages;
    bool unreadable = false;
    for (const std::string& target : targets) {
        const std::optional<std::string> fileName = RecordFileOf(target, "reported");
        if (!fileName) {
            return kExitTrouble; // a report without a page asked for is not the one wanted
        }
        pages.push_back(ReadLastChange(*fileName));
        // Shown in the report in the change's place, and said here: the report is not whole.
        if (!pages.back().failure.empty()) {
            Complain(*fileName + ": " + OneLine(pages.back().failure));
            unreadable = true;
        }
    }
    const std::string path = output.empty() ? CachedReportPath("report.html") : output;
    if (const std::string failure = WriteChangeReport(path, pages); !failure.empty()) {
        Complain(path.empty() ? failure + "; use --output" : failure);
        return kExitTrouble;
    }
    std::cout << path << '\n';
    if (open) {
        if (const std::string failure = OpenChangeReport(path); !failure.empty()) {
            Complain(failure);
            return kExitTrouble;
        }
    }
    return unreadable ? kExitTrouble : kExitSame;
}

std::unique_ptr<Verb> ReportVerb() {
    return std::make_unique<Report>();
}
