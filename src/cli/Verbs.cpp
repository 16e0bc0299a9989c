// The table of varnolt-cli's verbs, and the options several of them share.

#include "cli/Commands.h"
#include "cli/Verb.h"

#include <charconv>
#include <limits>
#include <string>

std::vector<std::unique_ptr<Verb>> Verbs() {
    std::vector<std::unique_ptr<Verb>> verbs;
    verbs.push_back(CheckVerb());
    verbs.push_back(AddVerb());
    verbs.push_back(ListVerb());
    verbs.push_back(RemoveVerb());
    verbs.push_back(RulesVerb());
    verbs.push_back(ShowVerb());
    verbs.push_back(HistoryVerb());
    verbs.push_back(LogVerb());
    verbs.push_back(DiffVerb());
    verbs.push_back(ReportVerb());
    verbs.push_back(HelpVerb());
    return verbs;
}

void DeclareRuleOptions(CLI::App& command, PageRules& rules) {
    // Each takes one value at a time and may be given again.
    // Named as the rules file names them, so that a rule reads alike everywhere.
    const auto repeated = [&](std::string_view name, std::vector<std::string>& into,
                              const char* value, const char* help) {
        command.add_option(RuleOption(name), into, help)
            ->type_name(value)
            ->expected(1)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->group("Rules");
    };
    repeated(kSelectRule, rules.select, "XPATH",
             "keep the parts an XPath 1.0 expression matches (several may be given)");
    repeated(kCssRule, rules.css, "SELECTOR", "the same with a CSS selector (of a subset)");
    command
        .add_flag(RuleOption(kTextRule), rules.text,
                  "compare the text a person reads, not the markup")
        ->group("Rules");
    repeated(kIgnoreRule, rules.ignore, "REGEX",
             "leave out the lines a pattern matches (RE2; several may be given)");
}

CLI::Validator WholeNumberFromOne(const std::string& unit, int largest) {
    return CLI::Validator(
        [unit, largest](std::string& value) -> std::string {
            int number = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            if (error != std::errc() || end != value.data() + value.size() || number < 1 ||
                number > largest) {
                return "needs a whole number of " + unit + ", 1 or more, not '" + value + "'";
            }
            return {};
        },
        "");
}

void DeclareTimeout(CLI::App& command, int& seconds) {
    command
        .add_option("--timeout", seconds,
                    "a page still arriving after SECONDS is Time Out, as is one whose body "
                    "receives nothing for " +
                        std::to_string(kReadTimeOutMs / 1000) + " s")
        ->type_name("SECONDS")
        ->check(WholeNumberFromOne("seconds", std::numeric_limits<int>::max() / 1000))
        ->capture_default_str();
}
