#include "check/TimedFetches.h"

#include "platform/system/PageLimits.h"

#include <utility>

std::int64_t SteadyMillisecondClock::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TimedFetches::TimedFetches(TransferLimits limits, const FetchClock& clock, DeadlineRule rule,
                           FetchProgress* progress)
    : m_fetches(limits), m_clock(clock), m_rule(rule), m_progress(progress) {}

FetchId TimedFetches::Add(const std::string& url, const PageValidators& validators) {
    const FetchId id = m_fetches.Add(url, validators);
    const std::int64_t now = m_clock.Now();
    Timing timing;
    timing.lastData = now;
    timing.lastSeen = now;
    m_timings[id] = timing;
    return id;
}

bool TimedFetches::Expired(const Timing& timing, std::int64_t now) const {
    if (timing.answered && now - timing.lastData >= m_rule.readTimeOut) {
        return true;
    }
    return m_rule.overall && timing.ranFor >= *m_rule.overall;
}

void TimedFetches::CountReads(Timing& timing, std::int64_t readsBegun) {
    if (readsBegun > timing.readsBegun) {
        if (m_progress != nullptr) {
            m_progress->ReadsBegun(readsBegun - timing.readsBegun);
        }
        timing.readsBegun = readsBegun;
    }
}

std::vector<FinishedFetch> TimedFetches::Drive(std::chrono::milliseconds slice) {
    std::vector<FinishedFetch> finished = m_fetches.Wait(slice);
    const std::int64_t now = m_clock.Now();
    for (FinishedFetch& fetch : finished) {
        const auto found = m_timings.find(fetch.id);
        if (found == m_timings.end()) {
            continue;
        }
        Timing& timing = found->second;
        // It ran until now; its last read came back only now.
        timing.ranFor += now - timing.lastSeen;
        if (Expired(timing, now)) {
            // Its last read came back too late: the page is lost, as a single fetch's is.
            fetch.outcome = FetchOutcome::TimedOut();
        } else if (fetch.outcome.kind == FetchOutcome::Kind::Received) {
            CountReads(timing,
                       static_cast<std::int64_t>(fetch.outcome.strPage.size()) / kReadChunkBytes +
                           1);
        }
        m_timings.erase(found);
    }
    Observe(now, finished);
    return finished;
}

// Notes each running fetch's data on the clock, and ends as TimedOut a page past its deadline.
void TimedFetches::Observe(std::int64_t now, std::vector<FinishedFetch>& finished) {
    for (auto it = m_timings.begin(); it != m_timings.end();) {
        const FetchId id = it->first;
        Timing& timing = it->second;
        const std::optional<TransferProgress> progress = m_fetches.Progress(id);
        if (!progress) {
            ++it;
            continue;
        }
        if (progress->running && !progress->paused) {
            timing.ranFor += now - timing.lastSeen;
        }
        timing.lastSeen = now;
        if (progress->paused || progress->answered != timing.answered ||
            progress->bodyBytes != timing.bodyBytes) {
            timing.lastData = now;
            timing.answered = progress->answered;
            timing.bodyBytes = progress->bodyBytes;
        }
        CountReads(timing, progress->readsBegun);
        if (!progress->paused && Expired(timing, now)) {
            // What was read of it is dropped.
            m_fetches.Abandon(id);
            finished.push_back({id, FetchOutcome::TimedOut()});
            it = m_timings.erase(it);
            continue;
        }
        ++it;
    }
}

void TimedFetches::Abandon(FetchId id) {
    m_fetches.Abandon(id);
    m_timings.erase(id);
}

std::int64_t TimedFetches::BodyBytes(FetchId id) const {
    const auto found = m_timings.find(id);
    return found == m_timings.end() ? 0 : found->second.bodyBytes;
}

void TimedFetches::RestartTiming() {
    const std::int64_t now = m_clock.Now();
    for (auto& [id, timing] : m_timings) {
        timing.lastData = now;
        timing.lastSeen = now;
    }
}
