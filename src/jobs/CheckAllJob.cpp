#include "jobs/CheckAllJob.h"

#include "check/CheckPage.h"
#include "fetch/PageFetch.h"
#include "jobs/JobStart.h"
#include "platform/system/FileFind.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"
#include "runstate/RunState.h"

#include <chrono>
#include <optional>

namespace {

// How long one wait for the slot lasts before the stop flag is tested again. Take() and
// RequestStop() end a wait early, so this only bounds a wake-up that was missed.
constexpr std::chrono::milliseconds kSlotWait(50);

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
    CFileFind finder;
    bool recordWaiting = finder.FindFile("*.vnt");
    while (recordWaiting) {
        if (!g_strStatus.IsEmpty()) {
            // The window has not shown the previous line yet: wait for its tick.
            g_strStatus.WaitUntilEmpty(kSlotWait);
        } else {
            recordWaiting = finder.FindNextFile();
            const std::string fileName = finder.GetFileName();
            // A record that cannot be read (removed meanwhile, or held elsewhere for longer than
            // a lookup takes) is skipped without a line: there is no page to report on.
            if (const std::optional<std::string> text = ReadWholeRecord(fileName)) {
                const RecordFields fields = SplitRecord(*text);
                g_strCheckUrl = fields.url;
                g_strRecordName = fileName;
                g_strStoredPage = fields.page;
                CheckOnePage();
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
}
