// varnolt-cli show: what the checks compare of a page, to try a rule before relying on it.

#include "check/AddRun.h"
#include "check/CheckPage.h"
#include "check/RuledPage.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/Terminal.h"
#include "platform/console/TerminalText.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"

#include <iostream>
#include <optional>
#include <utility>

namespace {

class Show final : public Verb {
public:
    const char* Name() const override { return "show"; }
    const char* Summary() const override { return "print what the checks compare of a page"; }
    void Declare(CLI::App& command) override {
        command.add_option("URL|NUMBER", m_target, "the record's number or address")->required();
        CLI::Option* raw =
            command.add_flag("--raw", m_raw, "print the page as stored, without its rules");
        command
            .add_flag("--raw-to-terminal", m_rawToTerminal,
                      "with --raw, print the page's bytes even to a terminal, whose title, "
                      "screen and colours they may then change")
            ->needs(raw);
        command.add_flag("--fetch", m_fetch,
                         "use the page as fetched now instead of the stored copy (nothing is "
                         "stored)");
        DeclareTimeout(command, m_timeoutSeconds);
        command.footer("Prints the stored copy with the page's rules applied: what its checks\n"
                       "compare. This is how to try a rule before relying on it. Controls in the\n"
                       "page are shown (ESC as ^[), line ends and tabs kept. --raw prints the\n"
                       "bytes as they are, to a pipe or file; to a terminal only with\n"
                       "--raw-to-terminal.");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, true}; }
    std::vector<std::string> NamedRecords() const override { return {m_target}; }
    int Run(const VerbContext& /*context*/) override {
        if (m_raw && !m_rawToTerminal && StandardOutputIsTerminal()) {
            Complain("--raw prints the page's bytes as they are, which may drive the terminal "
                     "(its title, screen, colours); send them to a pipe or a file, or add "
                     "--raw-to-terminal");
            return kExitTrouble;
        }
        return RunShow(m_target, m_raw, m_fetch, m_timeoutSeconds);
    }

private:
    std::string m_target;
    bool m_raw = false;
    bool m_fetch = false;
    bool m_rawToTerminal = false;
    int m_timeoutSeconds = kDefaultTimeoutSeconds;
};

// The page as a check would fetch it now: on the same deadline rule, so that it ends.
FetchOutcome FetchAsChecked(const std::string& url, int timeoutSeconds) {
    const SteadyMillisecondClock clock;
    std::optional<FetchOutcome> fetched;
    FetchPagesInOrder({url}, clock, CliDeadlineRule(timeoutSeconds), CheckLimits{},
                      [&](std::size_t, FetchOutcome outcome) { fetched = std::move(outcome); });
    return std::move(*fetched);
}

} // namespace

int RunShow(const std::string& target, bool raw, bool fetch, int timeoutSeconds) {
    const std::optional<std::string> fileName = RecordFileOf(target, "shown");
    if (!fileName) {
        return kExitTrouble;
    }
    RecordReading<StoredRecord> record = ReadRecordForCheck(*fileName);
    if (!record.value) {
        Complain(record.Failed() ? record.failure : *fileName + " is no record");
        return kExitTrouble;
    }
    const std::string url(record.value->fields.url);
    std::string page = TakeStoredPage(std::move(*record.value));
    if (fetch) {
        FetchOutcome fetched = FetchAsChecked(url, timeoutSeconds);
        if (fetched.kind != FetchOutcome::Kind::Received) {
            std::string reason = fetched.strErrorMessage;
            if (fetched.kind == FetchOutcome::Kind::TimedOut) {
                reason = "Time Out";
            } else if (fetched.kind == FetchOutcome::Kind::BadStatus) {
                reason = StatusReason(fetched.nStatus);
            }
            Complain("the page " + url + " could not be fetched" +
                     (reason.empty() ? std::string() : ": " + reason));
            return kExitTrouble;
        }
        page = std::move(fetched.strPage);
    }
    if (raw) {
        std::cout << page;
        std::cout.flush();
        return kExitSame;
    }
    const RulesReading rules = ReadRecordRules(*fileName);
    if (!rules.failure.empty()) {
        Complain(rules.failure);
        return kExitTrouble;
    }
    const RuledPage seen = ApplyRules(rules.rules, page);
    if (!seen.failure.empty()) {
        Complain(seen.failure);
        return kExitTrouble;
    }
    std::cout << VisibleLines(seen.text);
    if (!seen.text.empty() && seen.text.back() != '\n') {
        std::cout << '\n';
    }
    std::cout.flush();
    return kExitSame;
}

std::unique_ptr<Verb> ShowVerb() {
    return std::make_unique<Show>();
}
