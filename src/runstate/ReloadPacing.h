#pragma once
// When the window takes in changes that other programs made to its folder: not while a job runs,
// and only once the folder has been quiet for a few ticks, so that a burst of changes (a
// thousand pages added at once) is taken in one reload. A steady stream of changes still shows
// now and then rather than never.

// Ticks without a change before a reload (at 100 ms a tick).
inline constexpr int kReloadQuietTicks = 5;
// The longest a seen change waits while changes keep coming, in ticks.
inline constexpr int kReloadLongestWaitTicks = 50;

class ReloadPacing {
public:
    // A change was seen since the last tick.
    void Changed();
    // One tick. Yields true when the reload is due now (the change is then taken). While a job
    // runs nothing is due; the change waits for the job's end.
    bool Tick(bool jobRuns);
    bool Pending() const { return m_pending; }

private:
    bool m_pending = false;
    int m_quietTicks = 0;
    int m_waitedTicks = 0;
};
