#pragma once
// Fetching the pages of several addresses side by side for adding them, on the same deadline
// rule as a check: each outcome is handed over in the order of the addresses, as soon as it and
// every one before it have come, so the pages are stored (and numbered) in that order.

#include "check/TimedFetches.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Fetches every address and calls `take(index, outcome)` once for each, in the order of the
// addresses. Every wait ends: a page is at the latest TimedOut by the rule. The fetches are
// driven `slice` at a time, the clock read once a slice.
void FetchPagesInOrder(const std::vector<std::string>& urls, const FetchClock& clock,
                       DeadlineRule rule, TransferLimits limits,
                       const std::function<void(std::size_t, FetchOutcome)>& take,
                       std::chrono::milliseconds slice = std::chrono::milliseconds(100));
