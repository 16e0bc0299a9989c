#include "runstate/Tick.h"

#include "runstate/RunState.h"

void RunStateTick(TickLineSink& list, TickProgress& progress) {
    g_nIdleTicks.fetch_add(1);
    g_nTicks.fetch_add(1);

    std::string line = g_strStatus.Take();
    if (!line.empty()) {
        list.AddLine(line);
    }

    const int chunksRead = g_nChunksRead.load();
    if (chunksRead == 0) {
        progress.SetPos(0);
    } else if (chunksRead > g_nChunksShown.load()) {
        progress.StepIt();
        g_nChunksShown = chunksRead;
    }
}
