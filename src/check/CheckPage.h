#pragma once
// What one record's check found, and the line that reports it. The window's check job and the
// command-line check both decide through CheckFetchedPage, so they cannot disagree.

#include "fetch/FetchOutcome.h"

#include <string>

struct PageCheck {
    enum class Result { Same, Changed, PageError, TimedOut, Failed };
    Result result = Result::Failed;
    std::string line;   // the window's status line: URL, "UPDATE " + URL, "Page Error " + URL,
                        // "Time Out", or "Error " + URL
    std::string reason; // Failed: what the window's message box says (fetch or write failure)
    bool writeFailed = false; // Failed because the changed page could not be stored
};

// Compares the fetched page with the stored copy ignoring letter case and, when it changed,
// rewrites the record; yields what to report. A record its owner made read-only is "Changed"
// and stays as it was.
PageCheck CheckFetchedPage(const std::string& url, const std::string& recordFileName,
                           const std::string& storedPage, FetchOutcome outcome);
