#include "jobs/CheckAllJob.h"

#include "check/CheckPage.h"
#include "fetch/ConcurrentPageFetch.h"
#include "jobs/JobStart.h"
#include "platform/framework/MessageBox.h"
#include "platform/system/FileFind.h"
#include "records/RecordRead.h"
#include "runstate/RunState.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// How long one wait for the slot lasts before the stop flag is tested again. Take() and
// RequestStop() end a wait early, so this only bounds a wake-up that was missed.
constexpr std::chrono::milliseconds kSlotWait(50);
// How long one drive of the fetches lasts while the job waits for the slot or for the page in
// hand, so that a line is posted within this time of the window taking the one before.
constexpr std::chrono::milliseconds kDriveSlice(10);

// Pages fetched at once, and at most this many to one host.
constexpr TransferLimits kFetchLimits{8, 6};
// A page fetched ahead of the one in hand holds at most this much of its body until it is in
// hand (its transfer pauses there), and new fetches ahead start only while the pages ahead hold
// less than kHeldAheadBytes together: a check of large pages holds about one page at a time.
constexpr std::int64_t kAheadAllowance = 256 * 1024;
constexpr std::int64_t kHeldAheadBytes = 2 * 1024 * 1024;
// Records whose fetch has begun and whose line is not yet posted, at most.
constexpr std::size_t kMostAhead = 64;
constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();
// A read that takes this many of the window's ticks ends its page as "Time Out".
constexpr std::int32_t kTimeOutTicks = 270;
constexpr std::int64_t kReadBytes = 1024;

// Whether this check has shown its box for a record that could not be stored or read: only the
// first such failure of a check shows one. Used by the job's thread only.
bool g_bStoreFailureShown = false;

// Posts a record's line; the first record of the check that could not be stored, read or
// compared under its rules also shows its reason in a message box (then yields true).
bool PostCheck(const PageCheck& check) {
    g_strStatus.Post(check.line);
    if ((check.writeFailed || check.readFailed || check.rulesFailed) && !g_bStoreFailureShown) {
        g_bStoreFailureShown = true;
        // Shown by the window thread; the job waits until it is closed, as the add job does.
        AfxMessageBoxOnWindowThread(check.reason, {}, MB_OK | MB_ICONEXCLAMATION);
        return true;
    }
    return false;
}

// A record whose page is being fetched, or has been, and whose line is not yet posted.
struct PageAhead {
    std::string fileName;
    std::string url;
    FetchId id = 0;
    std::optional<FetchOutcome> outcome;
    // Set instead when the record could not even be read for its address: its line is this.
    std::optional<PageCheck> unreadable;
    // The read being timed: the window's tick when the page last received data (or was last
    // resumed), and what it had received then.
    std::int32_t lastDataTick = 0;
    bool answered = false;
    std::int64_t bodyBytes = 0;
    std::int64_t readsBegun = 0;
};

class CheckPipeline {
public:
    CheckPipeline() : m_fetches(kFetchLimits) {}
    ~CheckPipeline() {
        // Pages ahead whose line was not posted are abandoned, their records left as they are.
        for (const PageAhead& page : m_pages) {
            if (!page.outcome && !page.unreadable) {
                m_fetches.Abandon(page.id);
            }
        }
    }

    // Starts fetches for the records that follow, within the limits.
    void FetchAhead(CFileFind& finder, bool& recordWaiting) {
        while (recordWaiting &&
               m_fetches.Unfinished() < static_cast<std::size_t>(kFetchLimits.maxTotal) &&
               m_pages.size() < kMostAhead && (m_pages.empty() || HeldAhead() < kHeldAheadBytes)) {
            recordWaiting = finder.FindNextFile();
            PageAhead page;
            page.fileName = finder.GetFileName();
            // A file the list passes over, or a record removed meanwhile, is skipped without a
            // line; one that cannot be read has its line in its turn.
            RecordReading<std::string> url = ReadRecordUrl(page.fileName);
            if (url.Failed()) {
                page.unreadable = RecordReadFailure(page.fileName, std::move(url.failure));
                m_pages.push_back(std::move(page));
                continue;
            }
            if (!url.value) {
                continue;
            }
            page.url = std::move(*url.value);
            page.id = m_fetches.Add(page.url);
            page.lastDataTick = g_nTicks.load();
            m_fetches.SetBodyAllowance(page.id, m_pages.empty() ? kUnlimited : kAheadAllowance);
            m_pages.push_back(std::move(page));
        }
    }

    bool Empty() const { return m_pages.empty(); }
    bool InHandFetched() const {
        return !m_pages.empty() && (m_pages.front().outcome || m_pages.front().unreadable);
    }

    // Drives the fetches a little, or waits for the slot when none is running.
    void Drive() {
        if (m_fetches.Unfinished() == 0) {
            g_strStatus.WaitUntilEmpty(kSlotWait);
            return;
        }
        std::vector<FinishedFetch> finishedFetches = m_fetches.Wait(kDriveSlice);
        const std::int32_t now = g_nTicks.load();
        for (FinishedFetch& finished : finishedFetches) {
            if (PageAhead* page = Find(finished.id)) {
                if (page->answered && now - page->lastDataTick >= kTimeOutTicks) {
                    // Its last read came back too late: the page is lost, as a single fetch's.
                    page->outcome = FetchOutcome::TimedOut();
                    continue;
                }
                if (finished.outcome.kind == FetchOutcome::Kind::Received) {
                    CountReads(*page, static_cast<std::int64_t>(finished.outcome.strPage.size()) /
                                              kReadBytes +
                                          1);
                }
                page->outcome = std::move(finished.outcome);
            }
        }
        ObserveProgress();
    }

    // Reads the record in hand, compares and posts its line; the next record comes in hand.
    void ReportInHand() {
        ReportPage(m_pages.front());
        m_pages.pop_front();
        // Only now, with the page and record just compared let go, may the next page take all
        // the memory it needs.
        if (!m_pages.empty() && !m_pages.front().unreadable) {
            m_fetches.SetBodyAllowance(m_pages.front().id, kUnlimited);
        }
    }

private:
    void ReportPage(PageAhead& page) {
        if (page.unreadable) {
            ShownBox(PostCheck(*page.unreadable));
            return;
        }
        if (page.outcome->kind == FetchOutcome::Kind::Received) {
            // The page in hand has come in whole: the bar drops back, as after a single fetch.
            g_nChunksRead = 0;
            g_nChunksShown = 0;
        }
        // The stored page is read only now, so only the record being compared is held.
        RecordReading<StoredRecord> record = ReadRecordForCheck(page.fileName);
        if (record.Failed()) {
            ShownBox(PostCheck(RecordReadFailure(page.url, std::move(record.failure))));
            return;
        }
        if (!record.value) {
            return; // removed meanwhile
        }
        const FileIdentity storedFile = record.value->file;
        g_strCheckUrl = page.url;
        g_strRecordName = page.fileName;
        g_strStoredPage = TakeStoredPage(std::move(*record.value));
        const bool boxShown = CheckOnePage(std::move(*page.outcome), storedFile);
        // Nothing of a record is kept once its line is posted: its memory goes back.
        std::string().swap(g_strStoredPage);
        ShownBox(boxShown);
    }

    void ShownBox(bool shown) {
        if (shown) {
            // The fetches were not driven while the box was open: that time is no one's read.
            const std::int32_t now = g_nTicks.load();
            for (PageAhead& ahead : m_pages) {
                ahead.lastDataTick = now;
            }
        }
    }

    PageAhead* Find(FetchId id) {
        for (PageAhead& page : m_pages) {
            if (page.id == id && !page.outcome && !page.unreadable) {
                return &page;
            }
        }
        return nullptr;
    }

    // Body bytes held by the pages ahead of the one in hand.
    std::int64_t HeldAhead() const {
        std::int64_t held = 0;
        for (std::size_t i = 1; i < m_pages.size(); ++i) {
            const PageAhead& page = m_pages[i];
            held += page.outcome ? static_cast<std::int64_t>(page.outcome->strPage.size())
                                 : page.bodyBytes;
        }
        return held;
    }

    // Each new read begun by any fetch moves the bar on the window's next tick.
    static void CountReads(PageAhead& page, std::int64_t readsBegun) {
        if (readsBegun > page.readsBegun) {
            g_nChunksRead += static_cast<std::int32_t>(readsBegun - page.readsBegun);
            page.readsBegun = readsBegun;
        }
    }

    // Notes each running fetch's data in the window's ticks, and ends as "Time Out" a page whose
    // body has received nothing for kTimeOutTicks.
    void ObserveProgress() {
        const std::int32_t now = g_nTicks.load();
        for (PageAhead& page : m_pages) {
            if (page.outcome || page.unreadable) {
                continue;
            }
            const std::optional<TransferProgress> progress = m_fetches.Progress(page.id);
            if (!progress) {
                continue;
            }
            if (progress->paused || progress->answered != page.answered ||
                progress->bodyBytes != page.bodyBytes) {
                page.lastDataTick = now;
                page.answered = progress->answered;
                page.bodyBytes = progress->bodyBytes;
            }
            CountReads(page, progress->readsBegun);
            if (page.answered && !progress->paused && now - page.lastDataTick >= kTimeOutTicks) {
                // What was read of it is dropped.
                m_fetches.Abandon(page.id);
                page.outcome = FetchOutcome::TimedOut();
            }
        }
    }

    ConcurrentPageFetch m_fetches;
    std::deque<PageAhead> m_pages; // in the order the records are enumerated; the first in hand
};

} // namespace

void StartCheckAll() {
    g_bStopRequested = 0;
    StartJobIfIdle(CheckAllJob);
}

void RequestStop() {
    g_bStopRequested = 1;
    g_strStatus.WakeWaiters(); // a job waiting for the slot sees the request at once
}

unsigned CheckAllJob(void* /*unused*/) {
    g_bStoreFailureShown = false;
    CFileFind finder;
    bool recordWaiting = finder.FindFile(kRecordFilePattern);
    if (const int error = finder.GetLastError(); error != 0) {
        // A part of the folder is no list to check: nothing is checked, and the window says why.
        recordWaiting = false;
        AfxMessageBoxOnWindowThread(FolderReadFailureMessage(error), {},
                                    MB_OK | MB_ICONEXCLAMATION);
    }
    {
        CheckPipeline pipeline;
        for (;;) {
            pipeline.FetchAhead(finder, recordWaiting);
            if (pipeline.Empty()) {
                break;
            }
            const bool slotEmpty = g_strStatus.IsEmpty();
            if (slotEmpty && pipeline.InHandFetched()) {
                pipeline.ReportInHand();
                if (g_bStopRequested.load() != 0) {
                    break;
                }
                continue;
            }
            // The record in hand begins once the slot is empty; until then a stop ends the
            // check without it.
            if (!slotEmpty && g_bStopRequested.load() != 0) {
                break;
            }
            pipeline.Drive();
        }
    }
    finder.Close();
    g_bWorkerBusy = 0;
    return 0;
}

bool CheckOnePage(FetchOutcome outcome, const FileIdentity& storedFile) {
    return PostCheck(CheckFetchedPage(g_strCheckUrl, g_strRecordName, g_strStoredPage, storedFile,
                                      std::move(outcome)));
}
