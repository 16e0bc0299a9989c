#include "jobs/AddPageJob.h"

#include "check/CheckPage.h"
#include "fetch/PageFetch.h"
#include "jobs/JobStart.h"
#include "platform/framework/MessageBox.h"
#include "records/RecordWriter.h"
#include "runstate/RunState.h"

void StartAddPage(const std::string& strUrl) {
    if (g_bWorkerBusy.load() != 0) {
        return; // the running job's URL stays as it was
    }
    g_strAddUrl = strUrl;
    StartJobIfIdle(AddPageJob);
}

unsigned AddPageJob(void* /*unused*/) {
    FetchOutcome outcome = PageFetch(g_strAddUrl);
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received:
        // The address is listed only once its page is stored; otherwise the window says why.
        if (const int error = WriteNewRecord(g_strAddUrl, std::move(outcome.strPage)); error == 0) {
            g_strStatus.Post(g_strAddUrl);
        } else {
            AfxMessageBoxOnWindowThread(StoreFailureMessage(g_strAddUrl, error), {},
                                        MB_OK | MB_ICONEXCLAMATION);
        }
        break;
    case FetchOutcome::Kind::BadStatus:
        if (outcome.nStatus == 404) {
            g_strStatus.Post("File Not Found");
        }
        break;
    case FetchOutcome::Kind::TimedOut:
        g_strStatus.Post("Time Out");
        break;
    case FetchOutcome::Kind::InternetFailure:
        // Shown by the window thread on the job's behalf; the job waits until it is closed.
        AfxMessageBoxOnWindowThread(outcome.strErrorMessage, {}, MB_OK | MB_ICONEXCLAMATION);
        break;
    }
    g_bWorkerBusy = 0;
    return 0;
}
