#include "check/RuledPage.h"

#include "check/CssSelector.h"
#include "platform/markup/HtmlSelection.h"
#include "platform/text/LinePattern.h"
#include "records/TextCase.h"
#include "resources/Version.h"

#include <vector>

namespace {

// The expressions that select, each with the option a person wrote, in the order given.
struct Selections {
    std::vector<std::string> xpaths;
    std::vector<std::string> options;
    std::string error;
};

Selections SelectionsOf(const PageRules& rules) {
    Selections selections;
    for (const std::string& xpath : rules.select) {
        selections.xpaths.push_back(xpath);
        selections.options.push_back(RuleOption(kSelectRule, xpath));
    }
    for (const std::string& selector : rules.css) {
        CssTranslation translated = CssToXPath(selector);
        if (!translated.error.empty()) {
            selections.error = std::move(translated.error);
            return selections;
        }
        selections.xpaths.push_back(std::move(translated.xpath));
        selections.options.push_back(RuleOption(kCssRule, selector));
    }
    return selections;
}

std::string WithoutIgnoredLines(std::string_view text, const std::vector<LinePattern>& patterns) {
    std::string kept;
    kept.reserve(text.size());
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        bool ignored = false;
        for (const LinePattern& pattern : patterns) {
            if (pattern.FoundIn(line)) {
                ignored = true;
                break;
            }
        }
        if (!ignored) {
            kept.append(line);
            kept += '\n';
        }
    }
    return kept;
}

// Names the rules that were at work when time ran out: the expression being evaluated, or every
// rule that reads the page as HTML.
std::string RulesAtWork(const Selections& selections, std::size_t expression, bool text) {
    if (expression < selections.options.size()) {
        return "the rule " + selections.options[expression];
    }
    std::string named;
    for (const std::string& option : selections.options) {
        named += (named.empty() ? "" : " ") + option;
    }
    if (text) {
        named += named.empty() ? "--text" : " --text";
    }
    return (selections.options.size() + (text ? 1 : 0) > 1 ? "the rules " : "the rule ") + named;
}

} // namespace

RuledPage ApplyRules(const PageRules& rules, std::string_view page, const RuleDeadline& deadline) {
    RuledPage ruled;
    if (rules.Empty()) {
        ruled.text.assign(page);
        return ruled;
    }
    const Selections selections = SelectionsOf(rules);
    if (!selections.error.empty()) {
        ruled.failure = selections.error;
        return ruled;
    }
    std::string_view kept = page;
    HtmlSelection selection;
    if (!selections.xpaths.empty() || rules.text) {
        OutOfTime outOfTime;
        if (deadline.clock != nullptr) {
            outOfTime = [&deadline] { return deadline.Passed(); };
        }
        selection = SelectFromHtml(page, selections.xpaths, rules.text, outOfTime);
        if (selection.outOfTime) {
            ruled.failure = RulesAtWork(selections, selection.failedExpression, rules.text) +
                            " ran out of time after " + deadline.allowed;
            ruled.outOfTime = true;
            return ruled;
        }
        if (!selection.failure.empty()) {
            ruled.failure = selection.failedExpression < selections.options.size()
                                ? "the rule " + selections.options[selection.failedExpression] +
                                      " " + selection.failure
                                : selection.failure;
            return ruled;
        }
        for (std::size_t i = 0; i < selection.matches.size(); ++i) {
            if (selection.matches[i] == 0) {
                ruled.failure =
                    "the rule " + selections.options[i] + " matches nothing on this page";
                return ruled;
            }
        }
        kept = selection.text;
    }
    if (rules.ignore.empty()) {
        if (kept.data() == selection.text.data()) {
            ruled.text = std::move(selection.text); // what was selected, not copied again
        } else {
            ruled.text.assign(kept);
        }
        return ruled;
    }
    std::vector<LinePattern> patterns;
    for (const std::string& pattern : rules.ignore) {
        patterns.emplace_back(pattern);
        if (!patterns.back().Valid()) {
            ruled.failure = "the rule " + RuleOption(kIgnoreRule, pattern) +
                            " is no valid pattern: " + patterns.back().Error();
            return ruled;
        }
    }
    ruled.text = WithoutIgnoredLines(kept, patterns);
    return ruled;
}

std::string RulesError(const PageRules& rules) {
    if (std::string error = RuleValueError(rules); !error.empty()) {
        return error;
    }
    for (const std::string& xpath : rules.select) {
        if (std::string error = XPathError(xpath); !error.empty()) {
            return "the rule " + RuleOption(kSelectRule, xpath) + " is no valid XPath: " + error;
        }
    }
    const Selections selections = SelectionsOf(rules);
    if (!selections.error.empty()) {
        return selections.error;
    }
    for (const std::string& xpath : selections.xpaths) {
        if (std::string error = XPathError(xpath); !error.empty()) {
            return "a CSS selector became XPath that is not valid (" + error + "): " + xpath;
        }
    }
    for (const std::string& pattern : rules.ignore) {
        if (const LinePattern compiled(pattern); !compiled.Valid()) {
            return "the rule " + RuleOption(kIgnoreRule, pattern) +
                   " is no valid pattern: " + compiled.Error();
        }
    }
    return {};
}

std::string RulesRefusedFor(const PageRules& rules, std::string_view page) {
    if (rules.Empty()) {
        return {};
    }
    if (std::string error = RulesError(rules); !error.empty()) {
        return error;
    }
    return ApplyRules(rules, page).failure;
}

std::string RulesEngineName() {
    return "rules " + std::to_string(kRulesOutputVersion) +
           ", varnolt " VNT_VERSION_TEXT ", libxml2 " + HtmlParserVersion();
}

PageComparison ComparePages(const PageRules& rules, std::string_view stored, std::string_view fresh,
                            std::optional<std::string> storedSeen, const RuleDeadline& deadline) {
    PageComparison comparison;
    if (rules.Empty()) {
        comparison.same = EqualsIgnoringCase(stored, fresh);
        return comparison;
    }
    if (storedSeen && stored == fresh) {
        // The rules have been applied to these very bytes without failure: they would give the
        // same text again.
        comparison.same = true;
        return comparison;
    }
    RuledPage now = ApplyRules(rules, fresh, deadline);
    if (!now.failure.empty()) {
        comparison.failure = std::move(now.failure);
        return comparison;
    }
    comparison.seenNow = std::move(now.text);
    if (stored == fresh) {
        // The same bytes through the same rules give the same text: the stored copy need not be
        // read again.
        comparison.same = true;
        return comparison;
    }
    RuledPage before =
        storedSeen ? RuledPage{std::move(*storedSeen), {}} : ApplyRules(rules, stored, deadline);
    if (before.outOfTime) {
        // Not a difference: nothing is known of the stored copy.
        comparison.failure = std::move(before.failure) + " on the stored copy";
        return comparison;
    }
    comparison.same = before.failure.empty() && EqualsIgnoringCase(before.text, comparison.seenNow);
    comparison.seenBefore = std::move(before.text);
    return comparison;
}
