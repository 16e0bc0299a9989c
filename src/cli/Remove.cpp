// varnolt-cli remove: the window's Delete URL, by record number or address.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/TerminalText.h"
#include "platform/system/ExclusiveFile.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"

#include <cerrno>
#include <iostream>

namespace {

class Remove final : public Verb {
public:
    const char* Name() const override { return "remove"; }
    const char* Summary() const override { return "delete records by number or by address"; }
    void Declare(CLI::App& command) override {
        command.add_option("URL|NUMBER", m_targets, "the records' numbers or addresses")
            ->required();
        command.footer(
            "Deletes the record with that number, or the first record with that address\n"
            "(letter case ignored), with its rules, and prints \"removed NUMBER URL\". A record\n"
            "another program holds open is not deleted.\n"
            "\n"
            "Exit status: 0 every record deleted, 2 one was not.");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, true}; }
    std::vector<std::string> NamedRecords() const override { return m_targets; }
    int Run(const VerbContext& /*context*/) override { return RunRemove(m_targets); }

private:
    std::vector<std::string> m_targets;
};

} // namespace

int RunRemove(const std::vector<std::string>& targets) {
    int status = kExitSame;
    for (const std::string& target : targets) {
        const std::optional<std::string> fileName = RecordFileOf(target, "removed");
        if (!fileName) {
            status = kExitTrouble;
            continue;
        }
        // What it watched, to say what went: its address, when it can still be read.
        const std::optional<std::string> url = ReadRecordUrl(*fileName).value;
        const int error = RemoveRecord(*fileName);
        if (error == 0) {
            std::cout << "removed " << RecordLabel(*fileName)
                      << (url ? " " + VisibleLine(ShownText(*url)) : std::string()) << '\n';
        } else if (error == EWOULDBLOCK) {
            Complain(*fileName +
                     " is held open by another program (a check running?); not removed");
            status = kExitTrouble;
        } else if (error != 0 && error != ENOENT) {
            Complain("cannot remove " + *fileName + ": " + SystemErrorText(error));
            status = kExitTrouble;
        }
    }
    return status;
}

std::unique_ptr<Verb> RemoveVerb() {
    return std::make_unique<Remove>();
}
