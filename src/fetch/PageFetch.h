#pragma once
// One HTTP GET of a page into memory, on the calling (worker) thread. While it reads the body it
// keeps g_nIdleTicks and the chunk counters of the run state up to date: a read that returns
// when the window's tick has counted 270 or more since it began ends the fetch as TimedOut.

#include "fetch/FetchOutcome.h"

#include <string>

FetchOutcome PageFetch(const std::string& strUrl);
