#include "jobs/CheckAllJob.h"

#include "fetch/PageFetch.h"
#include "jobs/JobStart.h"
#include "records/RecordRead.h"
#include "platform/system/FileFind.h"
#include "records/RecordText.h"
#include "records/RecordWriter.h"
#include "records/TextCase.h"
#include "runstate/RunState.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>

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
            if (std::optional<std::string> text = ReadWholeRecord(fileName)) {
                const RecordFields fields = SplitRecord(*text);
                g_strCheckUrl = fields.url;
                g_strRecordName = fileName;
                // The stored page is the record's tail: it moves to the front of the record's own
                // memory, which is handed over, so a large page is held once.
                text->erase(0, static_cast<std::size_t>(fields.page.data() - text->data()));
                g_strStoredPage = std::move(*text);
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
    FetchOutcome outcome = PageFetch(g_strCheckUrl);
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received:
        if (EqualsIgnoringCase(outcome.strPage, g_strStoredPage)) {
            g_strStatus.Post(g_strCheckUrl);
        } else {
            g_strStatus.Post("UPDATE " + g_strCheckUrl);
            RewriteRecord(g_strCheckUrl, std::move(outcome.strPage), g_strRecordName);
        }
        break;
    case FetchOutcome::Kind::BadStatus:
        g_strStatus.Post("Page Error " + g_strCheckUrl);
        break;
    case FetchOutcome::Kind::TimedOut:
        g_strStatus.Post("Time Out");
        break;
    case FetchOutcome::Kind::InternetFailure:
        g_strStatus.Post("Error " + g_strCheckUrl);
        break;
    }
}
