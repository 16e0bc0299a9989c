// varnolt-cli help [VERB]: the program's help, or a verb's, as --help gives them.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Verb.h"

namespace {

class Help final : public Verb {
public:
    const char* Name() const override { return "help"; }
    const char* Summary() const override { return "show the help of the program or of a verb"; }
    void Declare(CLI::App& command) override {
        command.add_option("VERB", m_verb, "the verb to explain");
    }
    VerbNeeds Needs() const override { return {FolderUse::None, false}; }
    int Run(const VerbContext& /*context*/) override {
        if (m_verb.empty()) {
            return RunCli({"--help"});
        }
        for (const std::unique_ptr<Verb>& verb : Verbs()) {
            if (m_verb == verb->Name()) {
                return RunCli({m_verb, "--help"});
            }
        }
        Complain(UnknownVerbWords(m_verb));
        return kExitTrouble;
    }

private:
    std::string m_verb;
};

} // namespace

std::unique_ptr<Verb> HelpVerb() {
    return std::make_unique<Help>();
}
