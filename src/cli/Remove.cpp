// varnolt-cli remove: the window's Delete URL, by record number or address.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/TerminalText.h"
#include "platform/system/ExclusiveFile.h"
#include "records/RecordFiles.h"
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
            "(letter case ignored), with its rules and history, and prints \"removed NUMBER "
            "URL\".\n"
            "A record another program holds open is not deleted; a file of the record that\n"
            "cannot be deleted is named with the reason.\n"
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
        std::vector<RemovalFailure> failures;
        const int error = RemoveRecord(*fileName, &failures);
        if (error == EWOULDBLOCK) {
            Complain(*fileName +
                     " is held open by another program (a check running?); not removed");
            status = kExitTrouble;
            continue;
        }
        // Gone before this removal came to it: someone else removed it, nothing to say.
        const bool recordFailed = !failures.empty() && failures.front().fileName == *fileName;
        if (error != ENOENT && !recordFailed) {
            std::cout << "removed " << RecordLabel(*fileName)
                      << (url ? " " + VisibleLine(ShownText(*url)) : std::string()) << '\n';
        }
        // Each file of the record that stayed is named with its reason.
        for (const RemovalFailure& failure : failures) {
            Complain("cannot remove " + failure.fileName + ": " + SystemErrorText(failure.error));
            status = kExitTrouble;
        }
    }
    return status;
}

std::unique_ptr<Verb> RemoveVerb() {
    return std::make_unique<Remove>();
}
