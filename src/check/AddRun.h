#pragma once
// Fetching the pages of several addresses side by side for adding them, on the same deadline
// rule and within the same admission as a check (PagesAhead): each outcome is handed over in the
// order of the addresses, as soon as it and every one before it have come, so the pages are
// stored (and numbered) in that order, and a slow first page holds no more behind it than a
// check's does.

#include "check/PagesAhead.h"
#include "check/TimedFetches.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Fetches every address and calls `take(index, outcome)` once for each, in the order of the
// addresses. Every wait ends: a page is at the latest TimedOut by the rule. The fetches are
// driven `slice` at a time, the clock read once a slice; `progress`, when given, hears of every
// read begun.
void FetchPagesInOrder(const std::vector<std::string>& urls, const FetchClock& clock,
                       DeadlineRule rule, CheckLimits limits,
                       const std::function<void(std::size_t, FetchOutcome)>& take,
                       std::chrono::milliseconds slice = std::chrono::milliseconds(100),
                       FetchProgress* progress = nullptr);
