// A page's rules over any bytes: the first line is a rule ("select X", "css S", "text" or
// "ignore R", as in a rules file; several joined by ";" on that line), the rest is the page.
// Properties: nothing crashes, rules are applied alike each time, a failure leaves no text, a CSS
// selector that translates gives valid XPath, and rules that apply never give more lines with
// --text than the page has bytes.

#include "FuzzCheck.h"
#include "check/CssSelector.h"
#include "check/RuledPage.h"
#include "platform/markup/HtmlSelection.h"
#include "records/PageRules.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t end = input.find('\n');
    std::string rulesLine(input.substr(0, end));
    const std::string_view page =
        end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    for (char& c : rulesLine) {
        if (c == ';') {
            c = '\n';
        }
    }
    std::string error;
    const PageRules rules = ParseRulesFileText(rulesLine, error);
    if (!error.empty()) {
        return 0;
    }
    for (const std::string& selector : rules.css) {
        const CssTranslation translated = CssToXPath(selector);
        FUZZ_CHECK(translated.xpath.empty() != translated.error.empty());
        if (translated.error.empty()) {
            FUZZ_CHECK(XPathError(translated.xpath).empty());
        }
    }
    const RuledPage first = ApplyRules(rules, page);
    const RuledPage again = ApplyRules(rules, page);
    FUZZ_CHECK(first.text == again.text && first.failure == again.failure);
    FUZZ_CHECK(first.failure.empty() || first.text.empty());
    if (rules.Empty()) {
        FUZZ_CHECK(first.text == page);
    }
    if (first.failure.empty() && rules.text) {
        FUZZ_CHECK(first.text.find("\n\n") == std::string::npos);
    }
    return 0;
}
