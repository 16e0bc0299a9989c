#include "jobs/WindowFetchTiming.h"

#include "runstate/RunState.h"

std::int64_t WindowTicks::Now() const {
    return g_nTicks.load();
}

void WindowBar::ReadsBegun(std::int64_t reads) {
    g_nChunksRead += static_cast<std::int32_t>(reads);
}

void WindowBar::InHandReceived() {
    g_nChunksRead = 0;
    g_nChunksShown = 0;
}
