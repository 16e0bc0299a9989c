#pragma once
// The window's half of the status handshake, run on every 100 ms timer tick. It is written
// against two small interfaces so that the window applies it to its own list and progress bar,
// and tests drive ticks by calling it directly.

#include <string>

// Where a status line goes: the window's sorted page list.
class TickLineSink {
public:
    virtual void AddLine(const std::string& line) = 0;

protected:
    ~TickLineSink() = default;
};

// The progress bar as the tick sees it.
class TickProgress {
public:
    virtual void SetPos(int pos) = 0;
    virtual void StepIt() = 0;

protected:
    ~TickProgress() = default;
};

// One tick: counts an idle tick, moves at most one status line into the list, then either
// resets the bar (no fetch is reading), steps it once (the fetch began a new read since the last
// tick) or leaves it alone.
void RunStateTick(TickLineSink& list, TickProgress& progress);
