#include "runstate/RunState.h"

#include <utility>

void StatusSlot::Post(std::string line) {
    std::lock_guard lock(m_guard);
    m_line = std::move(line);
}

std::string StatusSlot::Take() {
    std::string taken;
    {
        std::lock_guard lock(m_guard);
        taken.swap(m_line);
    }
    m_emptied.notify_all();
    return taken;
}

bool StatusSlot::IsEmpty() const {
    std::lock_guard lock(m_guard);
    return m_line.empty();
}

bool StatusSlot::WaitUntilEmpty(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_guard);
    if (!m_line.empty()) {
        m_emptied.wait_for(lock, limit); // one wait: WakeWaiters ends it early, callers loop
    }
    return m_line.empty();
}

void StatusSlot::WakeWaiters() {
    // Taking the guard first means a waiter that has just tested the slot is already waiting.
    { std::lock_guard lock(m_guard); }
    m_emptied.notify_all();
}

// Allocated once and never freed: see the header.
std::string& g_strAddUrl = *new std::string;
StatusSlot& g_strStatus = *new StatusSlot;

RunFlag g_bWorkerBusy{0};
RunFlag g_bStopRequested{0};
RunCounter g_nIdleTicks{0};
RunCounter g_nChunksRead{0};
RunCounter g_nChunksShown{0};
RunCounter g_nTicks{0};

void ResetRunState() {
    g_strAddUrl.clear();
    g_strStatus.Take();
    g_bWorkerBusy = 0;
    g_bStopRequested = 0;
    g_nIdleTicks = 0;
    g_nChunksRead = 0;
    g_nChunksShown = 0;
    g_nTicks = 0;
}
