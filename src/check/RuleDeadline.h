#pragma once
// How long a page's rules may work on it: as long as its fetch may take (the overall limit when
// there is one, else the read time-out), on the same clock. A rule that runs out of time fails,
// naming itself and the time, like a rule that matches nothing: a hostile page cannot hold a
// check.

#include "check/TimedFetches.h"

#include <cstdint>
#include <string>

struct RuleDeadline {
    const FetchClock* clock = nullptr; // none: no limit
    std::int64_t at = 0;               // on the clock: when the rules' work must be done
    std::string allowed;               // the time allowed, as a failure names it ("120 s")

    bool Passed() const { return clock != nullptr && clock->Now() >= at; }
};

// A deadline starting now.
RuleDeadline RuleDeadlineFrom(const FetchClock& clock, const DeadlineRule& rule);
