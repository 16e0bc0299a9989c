#pragma once
// Page fetches side by side, each timed by one rule on a clock the caller provides: the window's
// ticks, or steady time for the command line. A page whose answer has begun and whose body then
// receives nothing for `readTimeOut` ends as TimedOut, and so does a page whose transfer has run
// (unpaused) for longer than `overall`, when that is set. Time spent paused at a body allowance,
// or waiting for a free place, counts for neither.
//
// The fetches are observed, and the clock read, only while Drive runs: a page that got data in
// between is seen to have got it at the next Drive.

#include "fetch/ConcurrentPageFetch.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The time base of a check or an add, in units of the caller's choosing.
class FetchClock {
public:
    virtual ~FetchClock() = default;
    virtual std::int64_t Now() const = 0;
};

// Steady time in milliseconds: the command line's clock.
class SteadyMillisecondClock final : public FetchClock {
public:
    std::int64_t Now() const override;
};

// Limits on how long one page may take, in the clock's units.
struct DeadlineRule {
    // Longest a page's body may receive nothing once its answer has begun.
    std::int64_t readTimeOut = 0;
    // Longest a page's transfer may run in all, when set.
    std::optional<std::int64_t> overall;
    // The clock's units in a second, to name the times in words.
    std::int64_t unitsPerSecond = 1000;
};

// What a front end shows of the fetches' progress.
class FetchProgress {
public:
    virtual ~FetchProgress() = default;
    // Reads of 1024 bytes, as a single fetch reads a body, begun since the last report.
    virtual void ReadsBegun(std::int64_t reads) = 0;
};

class TimedFetches {
public:
    TimedFetches(TransferLimits limits, const FetchClock& clock, DeadlineRule rule,
                 FetchProgress* progress);

    FetchId Add(const std::string& url, const PageValidators& validators = {});
    // Drives the fetches for up to `slice`, returning early when some have finished; yields
    // those, the pages that have timed out among them.
    std::vector<FinishedFetch> Drive(std::chrono::milliseconds slice);
    void Abandon(FetchId id);
    void SetBodyAllowance(FetchId id, std::int64_t bytes) { m_fetches.SetBodyAllowance(id, bytes); }
    // Body bytes received so far by an unfinished fetch.
    std::int64_t BodyBytes(FetchId id) const;
    // Starts every unfinished page's timing over from now: the time the caller spent without
    // driving (a message box open) is no page's.
    void RestartTiming();
    std::size_t Unfinished() const { return m_fetches.Unfinished(); }

private:
    struct Timing {
        bool answered = false;
        std::int64_t bodyBytes = 0;
        std::int64_t readsBegun = 0;
        std::int64_t lastData = 0; // when the body last received data (or was resumed)
        std::int64_t lastSeen = 0; // when the fetch was last observed
        std::int64_t ranFor = 0;   // time observed running unpaused
    };

    bool Expired(const Timing& timing, std::int64_t now) const;
    void CountReads(Timing& timing, std::int64_t readsBegun);
    void Observe(std::int64_t now, std::vector<FinishedFetch>& finished);

    ConcurrentPageFetch m_fetches;
    const FetchClock& m_clock;
    DeadlineRule m_rule;
    FetchProgress* m_progress;
    std::map<FetchId, Timing> m_timings;
};
