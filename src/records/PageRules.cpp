#include "records/PageRules.h"

#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/SeenCopy.h"
#include "records/SettingLines.h"
#include "records/SmallFileRead.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {

// A rules file is a few lines; anything this large is no rules file.
constexpr std::size_t kLargestRulesFile = 1 << 20;

void AppendNew(std::vector<std::string>& into, const std::vector<std::string>& more) {
    for (const std::string& value : more) {
        if (std::find(into.begin(), into.end(), value) == into.end()) {
            into.push_back(value);
        }
    }
}

} // namespace

std::string RuleOption(std::string_view name, std::string_view value) {
    std::string option = "--" + std::string(name);
    if (!value.empty()) {
        option += ' ';
        option += value;
    }
    return option;
}

PageRules PageRules::With(const PageRules& more) const {
    PageRules joined = *this;
    AppendNew(joined.select, more.select);
    AppendNew(joined.css, more.css);
    joined.text = text || more.text;
    AppendNew(joined.ignore, more.ignore);
    return joined;
}

std::string RuleValueError(const PageRules& rules) {
    const std::pair<std::string_view, const std::vector<std::string>*> valued[] = {
        {kSelectRule, &rules.select}, {kCssRule, &rules.css}, {kIgnoreRule, &rules.ignore}};
    for (const auto& [name, values] : valued) {
        for (const std::string& value : *values) {
            if (value.empty()) {
                return "the rule " + RuleOption(name) + " needs a value, not an empty one";
            }
            if (value.find_first_of("\n\r") != std::string::npos) {
                return "the rule " + RuleOption(name) +
                       " cannot hold a line end (the rules file keeps one rule a line)";
            }
        }
    }
    return {};
}

std::string RulesFileName(const std::string& recordFileName) {
    return SideFileName(recordFileName, SideFile::Rules);
}

std::string RulesFileText(const PageRules& rules) {
    std::string text = "# What the checks of this page compare: select and css keep the parts\n"
                       "# they match, text keeps what a person reads, ignore drops lines.\n";
    for (const std::string& xpath : rules.select) {
        text += std::string(kSelectRule) + " " + xpath + "\n";
    }
    for (const std::string& selector : rules.css) {
        text += std::string(kCssRule) + " " + selector + "\n";
    }
    if (rules.text) {
        text += std::string(kTextRule) + "\n";
    }
    for (const std::string& pattern : rules.ignore) {
        text += std::string(kIgnoreRule) + " " + pattern + "\n";
    }
    return text;
}

PageRules ParseRulesFileText(std::string_view text, std::string& error) {
    PageRules rules;
    error = ForEachSettingLine(text, [&](std::string_view line) -> std::string {
        const std::size_t space = line.find(' ');
        const std::string_view word = line.substr(0, space);
        const std::string value(space == std::string_view::npos ? std::string_view()
                                                                : line.substr(space + 1));
        if (word == kTextRule && value.empty()) {
            rules.text = true;
        } else if (word == kSelectRule && !value.empty()) {
            rules.select.push_back(value);
        } else if (word == kCssRule && !value.empty()) {
            rules.css.push_back(value);
        } else if (word == kIgnoreRule && !value.empty()) {
            rules.ignore.push_back(value);
        } else {
            return "is no rule: " + std::string(line);
        }
        return {};
    });
    return error.empty() ? rules : PageRules{};
}

RulesReading ReadRecordRules(const std::string& recordFileName) {
    const std::string fileName = RulesFileName(recordFileName);
    RulesReading reading;
    RecordReading<std::string> text = ReadSmallFile(fileName, kLargestRulesFile, "the rules file");
    if (!text.value) {
        reading.failure = std::move(text.failure);
        return reading;
    }
    std::string error;
    reading.rules = ParseRulesFileText(*text.value, error);
    if (!error.empty()) {
        reading.failure = "the rules file " + fileName + " cannot be understood: " + error;
    }
    return reading;
}

int WriteRecordRules(const std::string& recordFileName, const PageRules& rules) {
    const std::string fileName = RulesFileName(recordFileName);
    // What was seen under the old rules is of no more use (a reading would pass it over anyway).
    RemoveFileName(SeenFileName(recordFileName));
    if (rules.Empty()) {
        const int error = RemoveFileName(fileName);
        return error == ENOENT ? 0 : error;
    }
    return ReplaceFileContents(fileName, RulesFileText(rules)).ErrorNumber();
}

std::vector<std::string> RuleOptions(const PageRules& rules) {
    std::vector<std::string> options;
    for (const std::string& xpath : rules.select) {
        options.push_back(RuleOption(kSelectRule, xpath));
    }
    for (const std::string& selector : rules.css) {
        options.push_back(RuleOption(kCssRule, selector));
    }
    if (rules.text) {
        options.push_back(RuleOption(kTextRule));
    }
    for (const std::string& pattern : rules.ignore) {
        options.push_back(RuleOption(kIgnoreRule, pattern));
    }
    return options;
}
