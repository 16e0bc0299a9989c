#include "jobs/AddPageJob.h"

#include "check/AddPage.h"
#include "check/AddRun.h"
#include "jobs/JobStart.h"
#include "jobs/WindowFetchTiming.h"
#include "platform/framework/MessageBox.h"
#include "platform/system/ReplacingFile.h"
#include "runstate/RunState.h"

#include <chrono>
#include <optional>
#include <utility>

namespace {

// How long one drive of the fetch lasts; the clock is read once a drive.
constexpr std::chrono::milliseconds kDriveSlice(10);

// The page, fetched by the same rule and admission as the window's check: a body that receives
// nothing for the read rule's ticks ends as "Time Out" even while the server holds it open.
FetchOutcome FetchTheAddedPage(const std::string& url) {
    const WindowTicks ticks;
    WindowBar bar;
    std::optional<FetchOutcome> fetched;
    FetchPagesInOrder(
        {url}, ticks, kWindowDeadline, CheckLimits{},
        [&](std::size_t, FetchOutcome outcome) { fetched = std::move(outcome); }, kDriveSlice,
        &bar);
    if (fetched->kind == FetchOutcome::Kind::Received) {
        bar.InHandReceived();
    }
    return std::move(*fetched);
}

} // namespace

void StartAddPage(const std::string& strUrl) {
    if (g_bWorkerBusy.load() != 0) {
        return; // the running job's URL stays as it was
    }
    g_strAddUrl = strUrl;
    StartJobIfIdle(AddPageJob);
}

unsigned AddPageJob(void* /*unused*/) {
    // Once an add, not at each write: what a crashed writer left.
    RemoveLeftoverTemporaries();
    const PageAdd add = StoreFetchedPage(g_strAddUrl, FetchTheAddedPage(g_strAddUrl));
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
