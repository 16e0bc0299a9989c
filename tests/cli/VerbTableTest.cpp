// The table of verbs is the one list: the bash completion and the manual page's synopsis offer
// exactly its verbs and each verb's options, as the program itself parses them.

#include "cli/Verb.h"

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

namespace {

using ::testing::HasSubstr;

std::string SourceFile(const std::string& path) {
    std::ifstream file(std::string(VNT_SOURCE_DIR) + "/" + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct DeclaredVerb {
    std::string name;
    std::vector<std::string> options; // as written on a command line: "--jobs", "-j"
};

std::vector<DeclaredVerb> DeclaredVerbs() {
    std::vector<DeclaredVerb> declared;
    CLI::App app;
    for (const std::unique_ptr<Verb>& verb : Verbs()) {
        CLI::App* command = app.add_subcommand(verb->Name(), verb->Summary());
        verb->Declare(*command);
        DeclaredVerb entry{verb->Name(), {}};
        for (const CLI::Option* option : command->get_options()) {
            for (const std::string& name : option->get_lnames()) {
                if (name != "help") {
                    entry.options.push_back("--" + name);
                }
            }
            for (const std::string& name : option->get_snames()) {
                if (name != "h") {
                    entry.options.push_back("-" + name);
                }
            }
        }
        declared.push_back(entry);
    }
    return declared;
}

// The completion's branch for a verb: from its case label ("    rules)" or "    remove | rules |
// show)") to the branch's end.
std::string CompletionBranch(const std::string& completion, const std::string& verb) {
    std::size_t start = 0;
    while (start < completion.size()) {
        const std::size_t end = completion.find('\n', start);
        const std::string line = completion.substr(start, end - start);
        const std::size_t text = line.find_first_not_of(' ');
        if (text != std::string::npos && line.back() == ')' &&
            line.find('(') == std::string::npos) {
            std::istringstream labels(line.substr(text, line.size() - text - 1));
            for (std::string label; std::getline(labels, label, '|');) {
                label.erase(0, label.find_first_not_of(' '));
                label.erase(label.find_last_not_of(' ') + 1);
                if (label == verb) {
                    return completion.substr(start, completion.find(";;", start) - start);
                }
            }
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {};
}

TEST(VerbTable, TheCompletionOffersEveryVerbAndItsLongOptions) {
    const std::string completion = SourceFile("packaging/varnolt-cli.bash-completion");
    ASSERT_FALSE(completion.empty());
    std::string verbs;
    for (const DeclaredVerb& verb : DeclaredVerbs()) {
        verbs += (verbs.empty() ? "" : " ") + verb.name;
    }
    EXPECT_THAT(completion, HasSubstr("compgen -W \"" + verbs + "\""));
    for (const DeclaredVerb& verb : DeclaredVerbs()) {
        SCOPED_TRACE(verb.name);
        const std::string branch = CompletionBranch(completion, verb.name);
        ASSERT_FALSE(branch.empty()) << "no branch for the verb";
        for (const std::string& option : verb.options) {
            if (option.rfind("--", 0) == 0) {
                EXPECT_THAT(branch, HasSubstr(option));
            }
        }
    }
}

TEST(VerbTable, TheManualsSynopsisShowsEveryVerbWithEachOfItsOptions) {
    const std::string manual = SourceFile("packaging/varnolt-cli.1.scd");
    const std::size_t synopsis = manual.find("# SYNOPSIS");
    ASSERT_NE(synopsis, std::string::npos);
    const std::string section = manual.substr(synopsis, manual.find("# DESCRIPTION") - synopsis);
    for (const DeclaredVerb& verb : DeclaredVerbs()) {
        SCOPED_TRACE(verb.name);
        const std::size_t at = section.find("*" + verb.name + "*");
        ASSERT_NE(at, std::string::npos) << "the verb is missing";
        const std::string line = section.substr(at, section.find('\n', at) - at);
        for (const std::string& option : verb.options) {
            EXPECT_THAT(line, HasSubstr("*" + option + "*"));
        }
    }
}

} // namespace
