#pragma once
// What adding one fetched page came to. The window's add job and the command-line add both decide
// through StoreFetchedPage, so they cannot disagree on what is stored and what is reported.

#include "fetch/FetchOutcome.h"
#include "records/PageRules.h"

#include <optional>
#include <string>

struct PageAdd {
    enum class Result { Stored, NotFound, BadStatus, TimedOut, Failed };
    Result result = Result::Failed;
    std::string line;   // the window's status line: the URL, "File Not Found", "Time Out", or
                        // empty when the window posts none (another status, a failure)
    std::string reason; // Failed: what the window's message box says (fetch or store failure)
    std::string recordFileName; // Stored: the record's file
    std::optional<int> status;  // BadStatus: the server's status, when one was read
};

// Stores a received page as a new record, with its rules if it is given any, and yields what to
// report; nothing is stored for any other outcome. The URL is reported only once its page is
// stored. Rules that cannot be applied to the page (one that matches nothing on it, say) or that
// cannot be stored make it Failed, with nothing stored.
PageAdd StoreFetchedPage(const std::string& url, FetchOutcome outcome, const PageRules& rules = {});
