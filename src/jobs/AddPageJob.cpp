#include "jobs/AddPageJob.h"

#include "check/AddPage.h"
#include "fetch/PageFetch.h"
#include "jobs/JobStart.h"
#include "jobs/WindowReadWatch.h"
#include "platform/framework/MessageBox.h"
#include "runstate/RunState.h"

void StartAddPage(const std::string& strUrl) {
    if (g_bWorkerBusy.load() != 0) {
        return; // the running job's URL stays as it was
    }
    g_strAddUrl = strUrl;
    StartJobIfIdle(AddPageJob);
}

unsigned AddPageJob(void* /*unused*/) {
    WindowReadWatch watch;
    const PageAdd add = StoreFetchedPage(g_strAddUrl, PageFetch(g_strAddUrl, &watch));
    if (!add.line.empty()) {
        g_strStatus.Post(add.line);
    }
    if (add.result == PageAdd::Result::Failed) {
        // Shown by the window thread on the job's behalf; the job waits until it is closed.
        AfxMessageBoxOnWindowThread(add.reason, {}, MB_OK | MB_ICONEXCLAMATION);
    }
    g_bWorkerBusy = 0;
    return 0;
}
