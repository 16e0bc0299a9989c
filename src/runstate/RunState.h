#pragma once
// The values the window thread and the one worker thread share. They are the only channel
// between the two: jobs post status lines and read the stop flag, the window's tick moves the
// lines into its list and drives the fetch's idle-tick watchdog and the progress bar.
//
// The values live for the whole process and are never destroyed, so a job that is still running
// when the window closes can never touch released memory.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

// The status slot: at most one line from a job to the window. A line is placed, taken and tested
// whole under the slot's own guard, so the window never sees half of a line.
class StatusSlot {
public:
    // Replaces whatever the slot holds with the complete line.
    void Post(std::string line);
    // Empties the slot and yields what it held (empty when it held nothing).
    std::string Take();
    bool IsEmpty() const;
    // Waits until the slot is emptied, WakeWaiters is called or the time has passed; true when
    // the slot is empty. Take() wakes waiters, so a job waiting for its previous line to be shown
    // uses no processor. Callers loop, testing whatever else may end their wait.
    bool WaitUntilEmpty(std::chrono::milliseconds limit);
    // Wakes every waiter at once (for instance when a stop is requested).
    void WakeWaiters();

private:
    mutable std::mutex m_guard;
    std::condition_variable m_emptied;
    std::string m_line;
};

using RunFlag = std::atomic<std::int32_t>;
using RunCounter = std::atomic<std::int32_t>;

// The add job's input, handed to it before it starts.
extern std::string& g_strAddUrl;

extern StatusSlot& g_strStatus;

extern RunFlag g_bWorkerBusy;
extern RunFlag g_bStopRequested;
extern RunCounter g_nIdleTicks;
extern RunCounter g_nChunksRead;
extern RunCounter g_nChunksShown;
// Ticks since the process started (wrapping), never reset by a job: the time base of a check's
// read time-outs when several fetches run at once, each measured from its own last data.
extern RunCounter g_nTicks;

// Puts every value back to its start-up state. For tests, between cases.
void ResetRunState();
