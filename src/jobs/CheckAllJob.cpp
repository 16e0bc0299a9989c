#include "jobs/CheckAllJob.h"

#include "check/CheckRun.h"
#include "jobs/JobStart.h"
#include "jobs/WindowFetchTiming.h"
#include "platform/framework/MessageBox.h"
#include "platform/system/FileFind.h"
#include "platform/system/ReplacingFile.h"
#include "records/RecordRead.h"
#include "runstate/RunState.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace {

// How long one wait for the slot lasts before the stop flag is tested again. Take() and
// RequestStop() end a wait early, so this only bounds a wake-up that was missed.
constexpr std::chrono::milliseconds kSlotWait(50);
// How long one drive of the fetches lasts while the job waits for the slot or for the page in
// hand, so that a line is posted within this time of the window taking the one before.
constexpr std::chrono::milliseconds kDriveSlice(10);

// The check's own bounds: kWindowFetchesAtOnce pages at once, at most kMostPerHost from one host.
constexpr CheckLimits kCheckLimits{};

// Whether this check has shown its box for a record that could not be stored, read or compared
// under its rules: only the first such failure of a check shows one. Used by the job's thread
// only.
bool g_bStoreFailureShown = false;

// The records in the order the folder enumerates them.
class EnumeratedRecords final : public RecordSource {
public:
    EnumeratedRecords() { m_more = m_finder.FindFile(kRecordFilePattern); }
    ~EnumeratedRecords() override { m_finder.Close(); }
    EnumeratedRecords(const EnumeratedRecords&) = delete;
    EnumeratedRecords& operator=(const EnumeratedRecords&) = delete;
    // 0, or why the folder could not be read to its end (then nothing is to be checked).
    int FolderError() const { return m_finder.GetLastError(); }
    std::optional<std::string> NextRecord() override {
        if (!m_more) {
            return std::nullopt;
        }
        m_more = m_finder.FindNextFile();
        return m_finder.GetFileName();
    }

private:
    CFileFind m_finder;
    bool m_more = false;
};

// Checks the records, posting their lines, until the last or a stop.
void CheckRecords(EnumeratedRecords& records) {
    {
        const WindowTicks ticks;
        WindowBar bar;
        CheckRun run(records, ticks, kWindowDeadline, kCheckLimits, &bar);
        for (;;) {
            run.FetchAhead();
            if (run.Finished()) {
                break;
            }
            const bool slotEmpty = g_strStatus.IsEmpty();
            if (slotEmpty && run.InHandReady()) {
                if (const std::optional<CheckedRecord> result = run.TakeInHand()) {
                    if (ReportCheck(result->check)) {
                        // The fetches were not driven while the box was open: that time is no
                        // one's read.
                        run.RestartTiming();
                    }
                }
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
            if (run.Fetching()) {
                run.Drive(kDriveSlice);
            } else {
                g_strStatus.WaitUntilEmpty(kSlotWait);
            }
        }
        // Leaving the block ends the run: the pages fetched ahead are abandoned, their records
        // left as they are.
    }
}

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
    // Once a check, not at each write: what a crashed writer left.
    RemoveLeftoverTemporaries();
    {
        EnumeratedRecords records;
        if (const int error = records.FolderError(); error != 0) {
            // A part of the folder is no list to check: nothing is checked, and the window says
            // why.
            AfxMessageBoxOnWindowThread(FolderReadFailureMessage(error), {},
                                        MB_OK | MB_ICONEXCLAMATION);
        } else {
            CheckRecords(records);
        }
    }
    g_bWorkerBusy = 0;
    return 0;
}

bool ReportCheck(const PageCheck& check) {
    g_strStatus.Post(check.line);
    if ((check.writeFailed || check.readFailed || check.rulesFailed) && !g_bStoreFailureShown) {
        g_bStoreFailureShown = true;
        // Shown by the window thread; the job waits until it is closed, as the add job does.
        AfxMessageBoxOnWindowThread(check.reason, {}, MB_OK | MB_ICONEXCLAMATION);
        return true;
    }
    return false;
}
