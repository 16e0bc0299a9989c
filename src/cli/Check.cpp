// varnolt-cli check: the window's Start without the window, fetching pages side by side.

#include "changes/ChangeReport.h"
#include "changes/LastChange.h"
#include "changes/LineDiff.h"
#include "changes/ReportFile.h"
#include "check/CheckRun.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/Console.h"
#include "platform/console/Notification.h"
#include "platform/console/TerminalText.h"
#include "records/LastCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// How long one wait lasts before a stop request is looked at again (a signal ends it early).
constexpr std::chrono::milliseconds kWaitSlice(100);
constexpr std::int64_t kMillisecondsPerSecond = 1000;

// The records by record number.
class RecordsInOrder final : public RecordSource {
public:
    explicit RecordsInOrder(std::vector<std::string> files) : m_files(std::move(files)) {}
    std::optional<std::string> NextRecord() override {
        if (m_next == m_files.size()) {
            return std::nullopt;
        }
        return m_files[m_next++];
    }

private:
    std::vector<std::string> m_files;
    std::size_t m_next = 0;
};

class Progress {
public:
    Progress(bool shown, std::size_t total) : m_shown(shown), m_total(total) {}
    void Show(std::size_t done) {
        if (!m_shown) {
            return;
        }
        std::cerr << "\rchecked " << done << " of " << m_total << "\x1b[K";
        std::cerr.flush();
        m_visible = true;
    }
    void Erase() {
        if (!m_visible) {
            return;
        }
        std::cerr << "\r\x1b[K";
        std::cerr.flush();
        m_visible = false;
    }

private:
    bool m_shown;
    std::size_t m_total;
    bool m_visible = false;
};

// How many pages may be fetched at once with this many files open at most: each fetch takes a
// connection and, while its host's address is looked up, two more; the program itself keeps a
// few more open (standard streams, the record being read and its new copy, the notifier).
int FetchesWithinOpenFiles(long openFileLimit) {
    constexpr long kOwnFiles = 16;
    constexpr long kFilesPerFetch = 3;
    const long fetches = (openFileLimit - kOwnFiles) / kFilesPerFetch;
    return static_cast<int>(std::clamp<long>(fetches, 1, std::numeric_limits<int>::max()));
}

// The most pages a notification names; the rest are counted.
constexpr std::size_t kPagesNamed = 5;

// The notification's body: the changed pages' titles (an address where there is none), one a
// line, the first five of them, then how many more.
std::string ChangedPagesBody(const std::vector<PageChange>& pages) {
    std::string body;
    for (std::size_t i = 0; i < std::min(pages.size(), kPagesNamed); ++i) {
        const std::string title = ShownText(pages[i].title);
        body += (i == 0 ? "" : "\n") + (title.empty() ? ShownText(pages[i].url) : title);
    }
    if (pages.size() > kPagesNamed) {
        body += "\nand " + std::to_string(pages.size() - kPagesNamed) + " more";
    }
    return body;
}

// After a check with changes: the report of that run's changes, under a name of its own in the
// cache folder for the notification's click to open. Its path, or empty (after saying why) when
// it could not be written.
std::string WriteRunReport(const std::vector<PageChange>& pages) {
    std::string failure;
    const std::string path = WriteCheckReport(pages, failure);
    if (path.empty()) {
        Complain(failure);
    }
    return path;
}

const char* ResultName(PageCheck::Result result) {
    switch (result) {
    case PageCheck::Result::Same:
        return "same";
    case PageCheck::Result::Changed:
        return "changed";
    case PageCheck::Result::PageError:
        return "page-error";
    case PageCheck::Result::TimedOut:
        return "time-out";
    case PageCheck::Result::Failed:
        break;
    }
    return "error";
}

class Check final : public Verb {
public:
    const char* Name() const override { return "check"; }
    const char* Summary() const override {
        return "fetch every stored page again and report which changed";
    }
    void Declare(CLI::App& command) override {
        command
            .add_option("-j,--jobs", m_options.jobs,
                        "fetch at most N pages at once (never more than " +
                            std::to_string(kMostPerHost) + " from one host)")
            ->type_name("N")
            ->check(WholeNumberFromOne("pages", std::numeric_limits<int>::max()))
            ->capture_default_str();
        DeclareTimeout(command, m_options.timeoutSeconds);
        command.add_flag("-q,--quiet", m_options.quiet, "print only pages that changed or failed");
        command.add_flag("--diff", m_options.diff,
                         "after each UPDATE line, show what changed as a unified diff (for a "
                         "page with rules, of what they keep)");
        command.add_flag("--notify", m_options.notify,
                         "when a page changed or failed, show one desktop notification naming "
                         "the pages that changed; a click opens the report of their changes");
        command.add_flag("--full", m_options.full,
                         "fetch every page whole, even where the server could answer that it "
                         "has not changed since the stored copy");
        command.add_flag("--json", m_options.json,
                         "one JSON object a line: number, file, url, result (same, changed, "
                         "page-error, time-out, error), stored (whether the record now holds "
                         "the new page) and reason");
        command.footer(
            "Fetches every stored page again, compares it with the stored copy ignoring\n"
            "letter case (as its rules see it, if it has any), and stores the pages that\n"
            "changed. One line per record, by record number:\n"
            "  URL              the page is the same\n"
            "  UPDATE URL       the page changed; its record now holds the new page\n"
            "  Page Error URL   the server answered with a status other than 200\n"
            "  Time Out URL     the page did not arrive in time\n"
            "  Error URL        the page could not be fetched, read, stored or compared\n"
            "                   (the reason follows on standard error)\n"
            "\n"
            "Exit status: 0 nothing changed, 1 a page changed, 2 a page failed or trouble,\n"
            "130 stopped by Ctrl+C (the records whose lines were printed are checked, the\n"
            "others left as they were).");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, false, true}; }
    int Run(const VerbContext& context) override {
        m_options.jobs = std::min(m_options.jobs, FetchesWithinOpenFiles(context.openFileLimit));
        return RunCheck(m_options);
    }

private:
    CheckOptions m_options;
};

} // namespace

std::unique_ptr<Verb> CheckVerb() {
    return std::make_unique<Check>();
}

DeadlineRule CliDeadlineRule(int timeoutSeconds) {
    return {kReadTimeOutMs, std::int64_t{timeoutSeconds} * kMillisecondsPerSecond};
}

int RunCheck(const CheckOptions& options) {
    CatchStopSignals();
    // As the window's Start: the day of the check is noted whatever follows.
    const WriteResult stamp = WriteLastCheck();
    if (!stamp.IsStored()) {
        Complain(LastCheckFailureMessage(stamp));
    }

    bool folderReadable = false;
    std::vector<std::string> files = RecordFilesInOrder(folderReadable);
    if (!folderReadable) {
        return kExitTrouble;
    }
    const std::size_t total = files.size();
    RecordsInOrder records(std::move(files));
    Progress progress(StandardErrorIsTerminal(), total);
    progress.Show(0);

    const SteadyMillisecondClock clock;
    const DeadlineRule rule = CliDeadlineRule(options.timeoutSeconds);
    // The window's bounds on what is held ahead, whatever --jobs is.
    CheckLimits limits;
    limits.fetchesAtOnce = options.jobs;
    int changed = 0;
    int failed = 0;
    std::vector<std::string> changedFiles; // for the notification
    {
        CheckRun run(records, clock, rule, limits, nullptr);
        if (options.full) {
            run.FetchWholePages();
        }
        // A result is printed as soon as its record has been compared (and rewritten): a stop
        // between two results leaves every record whose line was printed checked, and every
        // other record as it was.
        while (StopSignal() == 0) {
            run.FetchAhead();
            if (run.Finished()) {
                break;
            }
            if (!run.InHandReady()) {
                run.Drive(kWaitSlice);
                continue;
            }
            std::optional<CheckedRecord> result = run.TakeInHand(options.diff);
            if (result) {
                PageCheck& check = result->check;
                std::string diff;
                switch (check.result) {
                case PageCheck::Result::Same:
                    break;
                case PageCheck::Result::Changed:
                    ++changed;
                    if (options.notify) {
                        changedFiles.push_back(result->fileName);
                    }
                    if (options.diff && check.ruled) {
                        // What was compared: the page as its rules see it.
                        diff = UnifiedDiff(check.seenBefore, check.seenNow,
                                           result->fileName + " (stored, with its rules)",
                                           result->url + " (with its rules)");
                    } else if (options.diff) {
                        diff = UnifiedDiff(result->storedPage, result->newPage,
                                           result->fileName + " (stored)", result->url);
                    }
                    break;
                case PageCheck::Result::TimedOut:
                    // The window's line names no page; here the line must say which one.
                    check.line += " " + result->url;
                    ++failed;
                    break;
                case PageCheck::Result::PageError:
                case PageCheck::Result::Failed:
                    ++failed;
                    break;
                }
                if (options.quiet && check.result == PageCheck::Result::Same) {
                    // nothing to say
                } else if (options.json) {
                    progress.Erase();
                    nlohmann::json object = {{"number", RecordNumberJson(result->fileName)},
                                             {"file", result->fileName},
                                             {"url", result->url},
                                             {"result", ResultName(check.result)},
                                             {"stored", check.stored},
                                             {"reason", OneLine(check.reason)}};
                    if (options.diff) {
                        object["diff"] = diff;
                    }
                    PrintJsonLine(object);
                    std::cout.flush();
                } else {
                    progress.Erase();
                    // The line holds the record's address, the diff the pages' text.
                    std::cout << VisibleLine(check.line) << '\n' << VisibleLines(diff);
                    std::cout.flush();
                    if (!check.reason.empty()) {
                        Complain(OneLine(check.reason));
                    }
                }
            }
            progress.Show(run.Done());
        }
        // A stop asked for once every line was printed stops nothing: the check is whole.
        if (StopSignal() != 0) {
            run.FetchAhead(); // finds whether any record is left
        }
        if (StopSignal() != 0 && !run.Finished()) {
            const std::size_t checked = run.Done();
            // Leaving the block abandons the pages fetched ahead; every record written so far
            // was renamed into place whole and its line printed, and none is being written now.
            progress.Erase();
            Complain("stopped; " + std::to_string(checked) + " of " + std::to_string(total) +
                     " pages checked");
            return kExitStopped;
        }
    }
    progress.Erase();

    if (options.notify && (changed > 0 || failed > 0)) {
        std::string summary;
        if (changed > 0) {
            summary = std::to_string(changed) + (changed == 1 ? " page changed" : " pages changed");
        }
        if (failed > 0) {
            summary +=
                (summary.empty() ? std::to_string(failed) + (failed == 1 ? " page" : " pages")
                                 : ", " + std::to_string(failed)) +
                " failed";
        }
        // The pages are read again from their records: the check holds no page once compared.
        std::vector<PageChange> pages;
        for (const std::string& file : changedFiles) {
            pages.push_back(ReadLastChange(file));
        }
        const std::string report = pages.empty() ? std::string() : WriteRunReport(pages);
        const std::string problem =
            ShowDesktopNotification("Varnolt", "varnolt", summary, ChangedPagesBody(pages), report);
        if (!problem.empty()) {
            Complain("no desktop notification: " + problem);
        }
    }
    if (failed > 0 || !stamp.IsStored()) {
        return kExitTrouble;
    }
    return changed > 0 ? kExitChanged : kExitSame;
}
