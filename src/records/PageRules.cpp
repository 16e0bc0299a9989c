#include "records/PageRules.h"

#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/SeenCopy.h"
#include "records/SettingLines.h"
#include "records/SmallFileRead.h"

#include <cerrno>

namespace {

constexpr std::string_view kSelect = "select";
constexpr std::string_view kCss = "css";
constexpr std::string_view kText = "text";
constexpr std::string_view kIgnore = "ignore";

// A rules file is a few lines; anything this large is no rules file.
constexpr std::size_t kLargestRulesFile = 1 << 20;

} // namespace

std::string RulesFileName(const std::string& recordFileName) {
    return SideFileName(recordFileName, SideFile::Rules);
}

std::string RulesFileText(const PageRules& rules) {
    std::string text = "# What the checks of this page compare: select and css keep the parts\n"
                       "# they match, text keeps what a person reads, ignore drops lines.\n";
    for (const std::string& xpath : rules.select) {
        text += std::string(kSelect) + " " + xpath + "\n";
    }
    for (const std::string& selector : rules.css) {
        text += std::string(kCss) + " " + selector + "\n";
    }
    if (rules.text) {
        text += std::string(kText) + "\n";
    }
    for (const std::string& pattern : rules.ignore) {
        text += std::string(kIgnore) + " " + pattern + "\n";
    }
    return text;
}

PageRules ParseRulesFileText(std::string_view text, std::string& error) {
    PageRules rules;
    error = ForEachSettingLine(text, [&](std::string_view line) -> std::string {
        const std::size_t space = line.find(' ');
        const std::string_view word = line.substr(0, space);
        std::string value(space == std::string_view::npos ? std::string_view()
                                                          : line.substr(space + 1));
        if (word == kText && value.empty()) {
            rules.text = true;
        } else if (word == kSelect && !value.empty()) {
            rules.select.push_back(std::move(value));
        } else if (word == kCss && !value.empty()) {
            rules.css.push_back(std::move(value));
        } else if (word == kIgnore && !value.empty()) {
            rules.ignore.push_back(std::move(value));
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
    return ReplaceFileContents(fileName, RulesFileText(rules));
}

std::vector<std::string> RuleOptions(const PageRules& rules) {
    std::vector<std::string> options;
    for (const std::string& xpath : rules.select) {
        options.push_back("--select " + xpath);
    }
    for (const std::string& selector : rules.css) {
        options.push_back("--css " + selector);
    }
    if (rules.text) {
        options.emplace_back("--text");
    }
    for (const std::string& pattern : rules.ignore) {
        options.push_back("--ignore " + pattern);
    }
    return options;
}
