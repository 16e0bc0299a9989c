#pragma once
// What a check compares of a page with rules: the rules applied in their fixed order, first the
// parts that --select and --css keep (in document order), then --text (what a person reads), then
// --ignore (matching lines dropped). A page without rules is compared whole, as it came.

#include "check/RuleDeadline.h"
#include "records/PageRules.h"

#include <optional>
#include <string>
#include <string_view>

struct RuledPage {
    std::string text;       // what the comparison sees
    std::string failure;    // set instead when the rules cannot be applied: why, naming the rule
    bool outOfTime = false; // the failure is that they ran out of time
};

// Applies the rules to the page. A --select or --css that matches nothing is a failure ("the
// rule --select //div[@id='price'] matches nothing on this page"), never an empty page; so is
// work that runs past the deadline ("the rule --css p ran out of time after 120 s").
RuledPage ApplyRules(const PageRules& rules, std::string_view page,
                     const RuleDeadline& deadline = {});

// Empty when every rule can be applied; otherwise what is wrong with the first that cannot (an
// XPath or pattern that is not valid, a CSS selector outside the subset).
std::string RulesError(const PageRules& rules);

// Why rules may not be kept for a page, or empty when they may: rules that cannot be applied, or
// one that matches nothing on the page. Adding a page and setting its rules both try new rules
// on the page this way, and refuse what it names.
std::string RulesRefusedFor(const PageRules& rules, std::string_view page);

// What ApplyRules gives for a page and its rules is kept between checks (records/SeenCopy.h)
// under this name, with the versions of the program and the HTML parser: raise the number
// whenever ApplyRules would give another text for the same page and rules.
inline constexpr int kRulesOutputVersion = 1;
std::string RulesEngineName();

// A fresh page against the stored copy, as the checks compare them: ignoring letter case, each as
// its rules see it. Without rules the pages themselves are compared, and nothing is copied.
// storedSeen, when given, is what the rules saw of these very stored bytes before (they were
// applied to them without failure), so they need not be applied to the stored copy again; a
// fresh page of the same bytes is then the same without being read at all. The rules' work on
// both pages together is bounded by the deadline.
struct PageComparison {
    bool same = false;
    // Set when the rules cannot be applied to the fresh page, or run out of time on either (the
    // check then fails and says so). A stored copy they cannot be applied to otherwise differs
    // from any fresh page they can.
    std::string failure;
    // Under rules, what the comparison saw of each: of the fresh page whenever the rules were
    // applied to it, and of the stored copy whenever it was compared (not for the same bytes).
    std::string seenBefore;
    std::string seenNow;
};
PageComparison ComparePages(const PageRules& rules, std::string_view stored, std::string_view fresh,
                            std::optional<std::string> storedSeen = std::nullopt,
                            const RuleDeadline& deadline = {});
