#include "jobs/JobStart.h"

#include "runstate/RunState.h"

bool StartJobIfIdle(AFX_THREADPROC job) {
    if (g_bWorkerBusy.load() != 0) {
        return false;
    }
    g_bWorkerBusy = 1;
    if (!AfxBeginThread(job, nullptr)) {
        g_bWorkerBusy = 0;
        return false;
    }
    return true;
}
