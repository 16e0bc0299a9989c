#include "jobs/JobExit.h"

#include "jobs/CheckAllJob.h"
#include "platform/framework/MessageBox.h"
#include "runstate/RunState.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kPollInterval(5);

bool WaitForJobToEnd(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (g_bWorkerBusy.load() != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

} // namespace

void EndJobsForExit() {
    // A check ends at its next test of the stop flag; one waiting for the window to show its
    // last line is woken at once.
    RequestStop();
    // An add job waiting for its message box gets its answer now: no box will be shown.
    AfxEndWindowThreadCalls();
    if (WaitForJobToEnd(kJobEndGrace)) {
        return;
    }
    std::fflush(nullptr);
    std::_Exit(0);
}
