#pragma once
// What a page's rules see of its HTML: the page parsed as a browser would (unclosed tags and
// wrong encodings recovered), the parts that XPath expressions select, and the text a person
// reads. The parser never touches the network, loads no DTD and expands no entity beyond HTML's
// own named characters.

#include "platform/system/PageLimits.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct HtmlSelection {
    // Empty when the page could be read and every expression applied; otherwise why not, in
    // plain words (for an expression: what is wrong with it, to follow its own words).
    std::string failure;
    // The expression that failed, as its place in the list; the largest size_t when the page
    // itself could not be read.
    std::size_t failedExpression = static_cast<std::size_t>(-1);
    // The failure is that the work ran out of time (in failedExpression, when it is one).
    bool outOfTime = false;
    // For each expression, how many nodes it matched (in the order given).
    std::vector<std::size_t> matches;
    // The selected nodes in document order, each once and none inside another selected one:
    // their markup as the page has it (or, with visible text, the text a person reads), one node
    // after another, separated by line ends.
    std::string text;
};

// The largest page that rules are applied to; a larger one is a failure, not a parse that could
// take the process's memory.
inline constexpr auto kLargestRuledPageBytes = static_cast<std::size_t>(kRuledPageByteLimit);

// Asked now and then during the work (never while the page is parsed): true ends it as out of
// time. Empty: no limit.
using OutOfTime = std::function<bool()>;

// Parses the page and keeps what the expressions select (the whole document when there are
// none); with visibleText, the kept parts become the text a person reads: scripts, styles,
// comments and tags dropped, a line break around each block element, blanks collapsed and
// empty lines dropped. Checks keep what this gives between runs: whoever changes what it gives for
// a page raises kRulesOutputVersion (check/RuledPage.h), so that nothing kept is used again.
// The work after the parse is linear in the page, whatever the expressions match, except an
// expression's own evaluation, which is bounded by outOfTime.
HtmlSelection SelectFromHtml(std::string_view page, const std::vector<std::string>& xpaths,
                             bool visibleText, const OutOfTime& outOfTime = {});

// Empty when the expression is valid XPath 1.0; otherwise why it is not.
std::string XPathError(const std::string& xpath);

// The HTML parser's version as the process runs it (not as it was built against): its recovery
// from broken markup shapes what the rules see.
std::string HtmlParserVersion();
