#pragma once
// A page's rules: what of the page its checks compare. They are kept beside the record, in a
// small text file of their own ("N.vnt.rules" for "N.vnt"), one rule a line, so that a person can
// read and mend them:
//
//   select //div[@id='price']
//   css main .article
//   text
//   ignore ^Last updated
//
// The file is written whole through a temporary, like every file of the folder; it never matches
// the record pattern, so the page list passes it over. The record itself is unchanged by rules.

#include "records/RecordFiles.h"

#include <string>
#include <string_view>
#include <vector>

// The rules' names, as the rules file writes them; each is its option's name too ("--select").
inline constexpr std::string_view kSelectRule = "select";
inline constexpr std::string_view kCssRule = "css";
inline constexpr std::string_view kTextRule = "text";
inline constexpr std::string_view kIgnoreRule = "ignore";

// A rule's option as it is written: "--select", or with its value "--select //p".
std::string RuleOption(std::string_view name, std::string_view value = {});

struct PageRules {
    std::vector<std::string> select; // XPath 1.0 expressions
    std::vector<std::string> css;    // CSS selectors (a subset, translated to XPath)
    bool text = false;               // compare the visible text instead of the markup
    std::vector<std::string> ignore; // lines matching any of these are left out

    bool Empty() const { return select.empty() && css.empty() && !text && ignore.empty(); }
    // These rules and then those of more, each once (a rule given again is not repeated).
    PageRules With(const PageRules& more) const;
    bool operator==(const PageRules&) const = default;
};

// The rules file of a record file.
std::string RulesFileName(const std::string& recordFileName);

// Empty when each rule's value can be kept in the rules file as it is; otherwise why not (a value
// that is empty, or holds a line end, would read back as another rule or none).
std::string RuleValueError(const PageRules& rules);

// The file's text for the rules, and back. A line that names no rule is an error (returned as
// its words, with the line's number); empty lines and lines starting with "#" are passed over.
std::string RulesFileText(const PageRules& rules);
PageRules ParseRulesFileText(std::string_view text, std::string& error);

// The rules of a record: none when it has no rules file. A rules file that cannot be read or
// understood is an error, in plain words naming the file.
struct RulesReading {
    PageRules rules;
    std::string failure;
};
RulesReading ReadRecordRules(const std::string& recordFileName);

// Writes the record's rules (removing the file when there are none), and drops what its checks saw
// under the old ones. Yields 0 or the error
// number of the failed write, which leaves the old rules as they were.
int WriteRecordRules(const std::string& recordFileName, const PageRules& rules);

// Each rule as its option is written ("--select //p", "--text"), in the order they apply.
std::vector<std::string> RuleOptions(const PageRules& rules);
