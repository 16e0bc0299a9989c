#include "runstate/ReloadPacing.h"

void ReloadPacing::Changed() {
    m_pending = true;
    m_quietTicks = 0;
}

bool ReloadPacing::Tick(bool jobRuns) {
    if (!m_pending) {
        return false;
    }
    if (jobRuns) {
        // The job's end starts the quiet period afresh.
        m_quietTicks = 0;
        m_waitedTicks = 0;
        return false;
    }
    ++m_quietTicks;
    ++m_waitedTicks;
    if (m_quietTicks < kReloadQuietTicks && m_waitedTicks < kReloadLongestWaitTicks) {
        return false;
    }
    m_pending = false;
    m_quietTicks = 0;
    m_waitedTicks = 0;
    return true;
}
