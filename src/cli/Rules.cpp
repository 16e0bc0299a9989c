// varnolt-cli rules: showing and setting what a page's checks compare.

#include "check/RuledPage.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/TerminalText.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordWriter.h"

#include <iostream>

namespace {

void PrintRules(const PageRules& rules) {
    for (const std::string& option : RuleOptions(rules)) {
        std::cout << VisibleLine(option) << '\n'; // the rules file may hold anything
    }
    std::cout.flush();
}

class Rules final : public Verb {
public:
    const char* Name() const override { return "rules"; }
    const char* Summary() const override { return "show or set what the checks of a page compare"; }
    void Declare(CLI::App& command) override {
        command.add_option("URL|NUMBER", m_target, "the record's number or address")->required();
        DeclareRuleOptions(command, m_rules);
        command.add_flag("--clear", m_change.clear, "remove every rule of the page");
        command.footer(
            "Without rules, prints the page's rules, one option a line; with rules, replaces\n"
            "them (each is tried first: one that cannot be applied is refused, and the old\n"
            "rules stay); with --clear, removes them. They apply in the order select (and\n"
            "css), text, ignore; the stored copy stays the page as it came, so new rules\n"
            "apply at once, and a rule that matches nothing makes the page's check fail with\n"
            "the rule named. The CSS subset: a type or *, #id, .class, [attr], [attr=value],\n"
            "[attr~=value], a blank or > between them, and , between selectors.\n"
            "\n"
            "Example: varnolt-cli rules 3 --css '#price' --text");
    }
    int Run(const VerbContext& context) override {
        if (!m_rules.Empty()) {
            if (m_change.clear) {
                Complain("--clear takes no rules beside it (see 'varnolt-cli rules --help')");
                return kExitTrouble;
            }
            m_change.rules = m_rules;
        }
        if (const std::optional<int> status = EnterRecordsFolder(context, false)) {
            return *status;
        }
        return RunRules(m_target, m_change);
    }

private:
    std::string m_target;
    PageRules m_rules;
    RulesChange m_change;
};

} // namespace

int RunRules(const std::string& target, const RulesChange& change) {
    const std::optional<std::string> fileName = RecordFileOf(target, "changed");
    if (!fileName) {
        return kExitTrouble;
    }
    if (!change.clear && !change.rules) {
        const RulesReading reading = ReadRecordRules(*fileName);
        if (!reading.failure.empty()) {
            Complain(reading.failure);
            return kExitTrouble;
        }
        PrintRules(reading.rules);
        return kExitSame;
    }
    const PageRules rules = change.clear ? PageRules{} : *change.rules;
    if (const std::string error = RulesError(rules); !error.empty()) {
        Complain(error + "; the rules of " + *fileName + " are left as they were");
        return kExitTrouble;
    }
    if (const int error = WriteRecordRules(*fileName, rules); error != 0) {
        Complain("the rules of " + *fileName +
                 " could not be stored: " + RecordWriteFailureText(error));
        return kExitTrouble;
    }
    PrintRules(rules);
    return kExitSame;
}

std::unique_ptr<Verb> RulesVerb() {
    return std::make_unique<Rules>();
}
