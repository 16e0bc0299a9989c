#pragma once
// A server-side count of the requests worked on at the same time.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Counts the requests a server works on at the same time (its default pool serves 8 at once,
// more than one host may be sent). Each one is held until as many as
// the limit have arrived together (or a while has passed), so a missing limit shows as more.
class ConcurrencyWatch {
public:
    explicit ConcurrencyWatch(int expected) : m_expected(expected) {}
    void Serve() {
        std::unique_lock lock(m_guard);
        m_highest = std::max(m_highest, ++m_active);
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(3),
                           [this] { return m_highest >= m_expected; });
        --m_active;
    }
    int Highest() {
        std::lock_guard lock(m_guard);
        return m_highest;
    }

private:
    const int m_expected;
    std::mutex m_guard;
    std::condition_variable m_changed;
    int m_active = 0;
    int m_highest = 0;
};
