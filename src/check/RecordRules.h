#pragma once
// Rules against a record's stored copy: how `varnolt-cli rules` and the window's Page Rules both
// try new rules before keeping them, and what the window previews of them.

#include "check/RuledPage.h"
#include "records/PageRules.h"

#include <cstddef>
#include <string>
#include <string_view>

// Why the rules may not be kept for the record's stored page, or empty when they may (no rules
// may always be kept). A record that cannot be read is a refusal too, in its own words.
std::string RulesRefusedForRecord(const std::string& recordFileName, const PageRules& rules);

// The record's stored page, as the checks compare it before rules; failure says why there is
// none.
struct StoredPageReading {
    std::string page;
    std::string failure;
};
StoredPageReading ReadStoredPage(const std::string& recordFileName);

// At most limit bytes of what the rules keep of a page (cut on a whole character), for a person
// to look at; cut tells that the text went on, with total its whole size.
struct BoundedText {
    std::string text;
    bool cut = false;
    std::size_t total = 0;
};
BoundedText BoundText(std::string_view text, std::size_t limit);
