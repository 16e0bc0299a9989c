// varnolt-cli check: the window's Start without the window, fetching pages side by side.

#include "check/CheckPage.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "fetch/ConcurrentPageFetch.h"
#include "platform/console/Console.h"
#include "platform/console/Notification.h"
#include "records/LastCheck.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"

#include <chrono>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// At most this many pages to one host at once, as browsers open.
constexpr int kPerHost = 6;
// Fetches queued ahead of those running, so that pages of other hosts can go on while one host
// has all its places taken. Only their addresses are held until they finish.
constexpr std::size_t kQueuedPerJob = 4;
// How long one wait lasts before a stop request is looked at again.
constexpr std::chrono::milliseconds kWaitSlice(100);

struct RecordInHand {
    std::size_t index = 0;
    std::string fileName;
    std::string url;
};

struct Report {
    PageCheck check;
    std::string diff;
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

} // namespace

int RunCheck(const CheckOptions& options) {
    CatchStopSignals();
    // As the window's Start: the day of the check is noted whatever follows.
    const int stampError = WriteLastCheck();
    if (stampError != 0) {
        Complain(LastCheckFailureMessage(stampError));
    }

    bool folderReadable = false;
    const std::vector<std::string> files = RecordFilesInOrder(folderReadable);
    if (!folderReadable) {
        return kExitTrouble;
    }
    Progress progress(StandardErrorIsTerminal(), files.size());
    progress.Show(0);

    ConcurrentPageFetch fetches(TransferLimits{options.jobs, kPerHost});
    fetches.SetReadTimeOut(kWindowReadTimeOut);
    std::map<FetchId, RecordInHand> inHand;
    // Reports by record index; a record passed over (unreadable) has an empty optional.
    std::map<std::size_t, std::optional<Report>> reports;
    std::size_t nextRecord = 0;
    std::size_t nextToPrint = 0;
    std::size_t checked = 0;
    int changed = 0;
    int failed = 0;

    const std::size_t ahead = static_cast<std::size_t>(options.jobs) * kQueuedPerJob;
    auto printReady = [&] {
        for (auto found = reports.find(nextToPrint); found != reports.end();
             found = reports.find(nextToPrint)) {
            if (const std::optional<Report>& report = found->second) {
                const PageCheck& check = report->check;
                const bool quietable = check.result == PageCheck::Result::Same;
                if (!(options.quiet && quietable)) {
                    progress.Erase();
                    std::cout << check.line << '\n';
                    std::cout << report->diff;
                    std::cout.flush();
                    if (check.result == PageCheck::Result::Failed && !check.reason.empty()) {
                        std::cerr << check.reason << '\n';
                        std::cerr.flush();
                    }
                }
            }
            reports.erase(found);
            ++nextToPrint;
        }
        progress.Show(checked);
    };

    while (StopSignal() == 0 && (nextRecord < files.size() || fetches.Unfinished() > 0)) {
        while (StopSignal() == 0 && nextRecord < files.size() && fetches.Unfinished() < ahead) {
            const std::size_t index = nextRecord++;
            const std::string& fileName = files[index];
            // As the window's job: a file the page list passes over, or a record removed
            // meanwhile, is passed over without a line; one that cannot be read is reported.
            RecordReading<std::string> url = ReadRecordUrl(fileName);
            if (!url.value) {
                if (url.Failed()) {
                    reports.emplace(
                        index, Report{RecordReadFailure(fileName, std::move(url.failure)), {}});
                    ++failed;
                } else {
                    reports.emplace(index, std::nullopt);
                }
                ++checked;
                continue;
            }
            RecordInHand record{index, fileName, std::move(*url.value)};
            const FetchId id = fetches.Add(record.url);
            inHand.emplace(id, std::move(record));
        }
        printReady();
        if (StopSignal() != 0) {
            break;
        }
        for (FinishedFetch& finished : fetches.Wait(kWaitSlice)) {
            const auto found = inHand.find(finished.id);
            if (found == inHand.end()) {
                continue;
            }
            RecordInHand record = std::move(found->second);
            inHand.erase(found);
            ++checked;
            // As the window's job, the stored page is read only once its fetch is over, so only
            // the records being compared are held; a record removed meanwhile is passed over
            // without a line, one that cannot be read now is reported.
            RecordReading<StoredRecord> stored = ReadRecordForCheck(record.fileName);
            if (!stored.value) {
                if (stored.Failed()) {
                    reports.emplace(
                        record.index,
                        Report{RecordReadFailure(record.url, std::move(stored.failure)), {}});
                    ++failed;
                } else {
                    reports.emplace(record.index, std::nullopt);
                }
                continue;
            }
            const FileIdentity storedFile = stored.value->file;
            const std::string storedPage = TakeStoredPage(std::move(*stored.value));
            Report report;
            std::optional<std::string> newPage;
            if (options.diff && finished.outcome.kind == FetchOutcome::Kind::Received) {
                newPage = finished.outcome.strPage;
            }
            report.check = CheckFetchedPage(record.url, record.fileName, storedPage, storedFile,
                                            std::move(finished.outcome));
            switch (report.check.result) {
            case PageCheck::Result::Same:
                break;
            case PageCheck::Result::Changed:
                ++changed;
                if (newPage) {
                    report.diff =
                        PageDiff(storedPage, *newPage, record.fileName + " (stored)", record.url);
                }
                break;
            case PageCheck::Result::TimedOut:
                // The window's line names no page; here the line must say which one.
                report.check.line += " " + record.url;
                ++failed;
                break;
            case PageCheck::Result::PageError:
            case PageCheck::Result::Failed:
                ++failed;
                break;
            }
            reports.emplace(record.index, std::move(report));
        }
        printReady();
    }

    // A stop asked for once every line was printed stops nothing: the check is whole.
    if (const int signal = StopSignal(); signal != 0 && nextToPrint < files.size()) {
        // Fetches in flight are abandoned; every record written so far was renamed into place
        // whole, and none is being written now.
        for (const auto& [id, record] : inHand) {
            fetches.Abandon(id);
        }
        progress.Erase();
        Complain("stopped; " + std::to_string(checked) + " of " + std::to_string(files.size()) +
                 " pages checked");
        return kExitStopped;
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
        const std::string problem = ShowDesktopNotification("Varnolt", "varnolt", summary, {});
        if (!problem.empty()) {
            Complain("no desktop notification: " + problem);
        }
    }
    if (failed > 0 || stampError != 0) {
        return kExitTrouble;
    }
    return changed > 0 ? kExitChanged : kExitSame;
}
