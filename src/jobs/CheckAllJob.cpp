#include "jobs/CheckAllJob.h"

#include "check/CheckPage.h"
#include "fetch/PageFetch.h"
#include "jobs/JobStart.h"
#include "platform/framework/MessageBox.h"
#include "platform/system/FileFind.h"
#include "records/RecordRead.h"
#include "runstate/RunState.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>

namespace {

// How long one wait for the slot lasts before the stop flag is tested again. Take() and
// RequestStop() end a wait early, so this only bounds a wake-up that was missed.
constexpr std::chrono::milliseconds kSlotWait(50);

// Whether this check has shown its box for a page that could not be stored: only the first
// failure of a check shows one. Used by the job's thread only.
bool g_bStoreFailureShown = false;

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
    bool recordWaiting = finder.FindFile("*.vnt");
    while (recordWaiting) {
        if (!g_strStatus.IsEmpty()) {
            // The window has not shown the previous line yet: wait for its tick.
            g_strStatus.WaitUntilEmpty(kSlotWait);
        } else {
            recordWaiting = finder.FindNextFile();
            const std::string fileName = finder.GetFileName();
            // A file the list passes over, or a record that cannot be read (removed meanwhile, or
            // held elsewhere for longer than a lookup takes), is skipped without a line.
            if (std::optional<StoredRecord> record = ReadRecordForCheck(fileName)) {
                g_strCheckUrl = record->fields.url;
                g_strRecordName = fileName;
                g_strStoredPage = TakeStoredPage(std::move(*record));
                CheckOnePage();
                // Nothing of a record is kept once its line is posted: its memory goes back.
                std::string().swap(g_strStoredPage);
            }
        }
        if (g_bStopRequested.load() != 0) {
            break;
        }
    }
    finder.Close();
    g_bWorkerBusy = 0;
    return 0;
}

void CheckOnePage() {
    const PageCheck check =
        CheckFetchedPage(g_strCheckUrl, g_strRecordName, g_strStoredPage, PageFetch(g_strCheckUrl));
    g_strStatus.Post(check.line);
    if (check.writeFailed && !g_bStoreFailureShown) {
        g_bStoreFailureShown = true;
        // Shown by the window thread; the job waits until it is closed, as the add job does.
        AfxMessageBoxOnWindowThread(check.reason, {}, MB_OK | MB_ICONEXCLAMATION);
    }
}
