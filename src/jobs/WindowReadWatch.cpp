#include "jobs/WindowReadWatch.h"

#include "runstate/RunState.h"

void WindowReadWatch::ReadBegins() {
    g_nIdleTicks = 0;
    g_nChunksRead += 1;
}

bool WindowReadWatch::ReadCameTooLate() {
    return g_nIdleTicks >= kReadTimeOutTicks;
}

void WindowReadWatch::PageReceived() {
    g_nChunksRead = 0;
    g_nChunksShown = 0;
}
