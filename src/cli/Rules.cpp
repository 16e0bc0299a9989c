// varnolt-cli rules: showing and setting what a page's checks compare.

#include "check/RecordRules.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/TerminalText.h"
#include "records/PageRules.h"
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
        command.add_flag("--add", m_change.add,
                         "add the rules given to the page's own instead of replacing them");
        command.add_flag("--clear", m_change.clear, "remove every rule of the page");
        // Said as a mistake of the command line, before any record is looked at.
        command.final_callback([this] {
            if (m_change.clear && (!m_rules.Empty() || m_change.add)) {
                throw CLI::ValidationError("--clear takes no rules beside it");
            }
            if (m_change.add && m_rules.Empty()) {
                throw CLI::ValidationError("--add needs the rules to add");
            }
            if (!m_rules.Empty()) {
                m_change.rules = m_rules;
            }
        });
        command.footer(
            "Without rules, prints the page's rules, one option a line; with rules, replaces\n"
            "them (printing the rules before and after when others are replaced), or with\n"
            "--add adds to them; with --clear, removes them. New rules are tried first on the\n"
            "stored copy: one that cannot be applied, or that matches nothing on it, is\n"
            "refused, and the old rules stay. They apply in the order select (and css), text,\n"
            "ignore; the stored copy stays the page as it came, so new rules apply at once,\n"
            "and a rule that no longer matches the page makes its check fail with the rule\n"
            "named. The CSS subset: a type or *, #id, .class, [attr], [attr=value],\n"
            "[attr~=value], a blank or > between them, and , between selectors.\n"
            "\n"
            "Example: varnolt-cli rules 3 --css '#price' --text");
    }
    VerbNeeds Needs() const override { return {FolderUse::Reads, true}; }
    std::vector<std::string> NamedRecords() const override { return {m_target}; }
    int Run(const VerbContext& /*context*/) override { return RunRules(m_target, m_change); }

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
    const RulesReading current = ReadRecordRules(*fileName);
    // Rules that cannot be read can still be replaced or cleared: that is how they are mended.
    if (!current.failure.empty() && (change.add || (!change.clear && !change.rules))) {
        Complain(current.failure);
        return kExitTrouble;
    }
    if (!change.clear && !change.rules) {
        PrintRules(current.rules);
        return kExitSame;
    }
    PageRules rules;
    if (change.rules) {
        rules = change.add ? current.rules.With(*change.rules) : *change.rules;
    }
    if (const std::string refusal = RulesRefusedForRecord(*fileName, rules); !refusal.empty()) {
        Complain(refusal + "; the rules of " + *fileName + " are left as they were");
        return kExitTrouble;
    }
    if (const int error = WriteRecordRules(*fileName, rules); error != 0) {
        Complain("the rules of " + *fileName +
                 " could not be stored: " + RecordWriteFailureText(error));
        return kExitTrouble;
    }
    // When new rules leave out some of the old ones, both are shown, so that none goes unseen
    // (and can be given again).
    if (!change.clear && rules.With(current.rules) != rules) {
        std::cout << "before:\n";
        PrintRules(current.rules);
        std::cout << "after:\n";
    }
    PrintRules(rules);
    return kExitSame;
}

std::unique_ptr<Verb> RulesVerb() {
    return std::make_unique<Rules>();
}
