#pragma once
// What a check compares of a page with rules: the rules applied in their fixed order, first the
// parts that --select and --css keep (in document order), then --text (what a person reads), then
// --ignore (matching lines dropped). A page without rules is compared whole, as it came.

#include "records/PageRules.h"

#include <string>
#include <string_view>

struct RuledPage {
    std::string text;    // what the comparison sees
    std::string failure; // set instead when the rules cannot be applied: why, naming the rule
};

// Applies the rules to the page. A --select or --css that matches nothing is a failure ("the
// rule --select //div[@id='price'] matches nothing on this page"), never an empty page.
RuledPage ApplyRules(const PageRules& rules, std::string_view page);

// Empty when every rule can be applied; otherwise what is wrong with the first that cannot (an
// XPath or pattern that is not valid, a CSS selector outside the subset).
std::string RulesError(const PageRules& rules);

// A fresh page against the stored copy, as the checks compare them: ignoring letter case, each as
// its rules see it. Without rules the pages themselves are compared, and nothing is copied.
struct PageComparison {
    bool same = false;
    // Set when the rules cannot be applied to the fresh page (the check then fails and says so).
    // A stored copy they cannot be applied to differs from any fresh page they can.
    std::string failure;
    // What the comparison saw of each, kept only when the pages differ under rules.
    std::string seenBefore;
    std::string seenNow;
};
PageComparison ComparePages(const PageRules& rules, std::string_view stored,
                            std::string_view fresh);
