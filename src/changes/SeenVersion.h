#pragma once
// A kept version of a page as the comparison sees it: its stored page with the page's rules
// applied. The change report and the log and diff verbs all read versions through this.

#include "records/PageRules.h"
#include "records/RecordRead.h"

#include <optional>
#include <string>

struct SeenVersionText {
    std::optional<std::string> text; // what the comparison sees, when it could be made
    // Otherwise why not: the reading's own failure (empty for a version gone meanwhile), or,
    // with rulesFailed, why the rules cannot be applied to it.
    std::string failure;
    bool rulesFailed = false;
};

// The version read (ReadPageVersion), its rules applied. A copy kept from before the rules were
// set may lack what they select: that is a failure, never an empty text.
SeenVersionText SeenTextOf(RecordReading<StoredRecord> read, const PageRules& rules);
