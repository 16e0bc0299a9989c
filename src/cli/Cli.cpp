#include "cli/Cli.h"

#include "cli/Commands.h"
#include "cli/Verb.h"
#include "platform/console/Console.h"
#include "platform/console/TerminalText.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "resources/Version.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <sstream>

namespace {

constexpr const char* kProgram = "varnolt-cli";

constexpr const char* kMainFooter =
    "The records are those of the Varnolt window: $XDG_DATA_HOME/varnolt, or\n"
    "~/.local/share/varnolt, unless -C names another folder. 'varnolt-cli help VERB' or\n"
    "'varnolt-cli VERB --help' shows a verb's options; 'man varnolt-cli' says the rest.\n"
    "\n"
    "Exit status: 0 nothing changed, 1 a page changed, 2 trouble, 130 stopped.";

// Help as a person reads it first: the usage line, then what the verb does, its options and
// arguments, and the footer.
class HelpLayout final : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub) {
            return CLI::Formatter::make_help(app, std::move(name), mode);
        }
        std::ostringstream out;
        out << make_usage(app, name) << make_description(app) << make_positionals(app)
            << make_groups(app, mode) << make_subcommands(app, mode);
        const std::string footer = make_footer(app);
        if (!footer.empty()) {
            out << '\n' << footer;
        }
        return out.str();
    }
};

// A parse error as one line: what is wrong, and where to look.
int ParseFailure(const CLI::App& app, const CLI::ParseError& error) {
    std::string where = kProgram;
    for (const CLI::App* verb : app.get_subcommands()) {
        where += " " + verb->get_name();
    }
    Complain(OneLine(error.what()) + " (see '" + where + " --help')");
    return kExitTrouble;
}

// What was written to standard output must have arrived; a closed pipe has ended the process
// quietly already (the default for SIGPIPE).
int WithOutputChecked(int status) {
    std::cout.flush();
    if (!std::cout) {
        // The reason is that of the write that failed, when nothing has failed since.
        const int error = errno;
        std::cerr << kProgram << ": cannot write the output"
                  << (error != 0 ? ": " + SystemErrorWords(error) : std::string()) << '\n';
        return kExitTrouble;
    }
    return status;
}

} // namespace

std::optional<int> OpenFolderFor(const Verb& verb, const VerbContext& context) {
    const VerbNeeds needs = verb.Needs();
    if (needs.folder == FolderUse::None) {
        return std::nullopt;
    }
    const std::string path = ChosenFolder(context.folder);
    if (path.empty()) {
        Complain("no folder of records: neither XDG_DATA_HOME nor HOME is set; use -C DIR");
        return kExitTrouble;
    }
    if (needs.folder == FolderUse::MayMake) {
        if (const int error = MakePrivateFolder(path); error != 0) {
            Complain("cannot make the folder of records " + path + ": " + SystemErrorWords(error));
            return kExitTrouble;
        }
    } else if (!context.folder && !PathExists(path)) {
        if (needs.namesRecords) {
            for (const std::string& target : verb.NamedRecords()) {
                Complain(NoRecordWords(target));
            }
            return kExitTrouble;
        }
        Complain("no pages yet: the Varnolt folder " + path + " is made by the first add");
        return kExitSame;
    }
    // Opened once: every record is named relative to it, whatever the working directory.
    if (const int error = OpenRecordsFolder(path); error != 0) {
        Complain("cannot use the folder of records " + path + ": " + SystemErrorWords(error));
        return kExitTrouble;
    }
    if (needs.writesRecords) {
        // Once a run, before the verb writes: what a crashed writer left.
        RemoveLeftoverTemporaries();
    }
    return std::nullopt;
}

namespace {

// The first word of the command line that is no option of the program's own: the verb asked
// for, or empty when none is given.
std::string VerbWord(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-C") {
            ++i; // its folder
        } else if (arguments[i].empty() || arguments[i].front() != '-') {
            return arguments[i];
        }
    }
    return {};
}

} // namespace

int RunCli(const std::vector<std::string>& arguments) {
    VerbContext context;
    // Every file the system allows this process, whatever the verb; a check then keeps its
    // fetches within them.
    context.openFileLimit = RaiseOpenFileLimit();

    CLI::App app("Watch web pages for changes, on the records of the Varnolt window.", kProgram);
    app.formatter(std::make_shared<HelpLayout>());
    app.footer(kMainFooter);
    app.require_subcommand(1);
    app.add_option("-C", context.folder, "use the records in DIR")->type_name("DIR");
    app.set_version_flag("--version", std::string(kProgram) + " " + VNT_VERSION_TEXT,
                         "show the version");

    std::vector<std::unique_ptr<Verb>> verbs = Verbs();
    for (const std::unique_ptr<Verb>& verb : verbs) {
        verb->Declare(*app.add_subcommand(verb->Name(), verb->Summary()));
    }
    // A word that names no verb is told as such, not as an argument out of place.
    if (const std::string word = VerbWord(arguments);
        !word.empty() && std::none_of(verbs.begin(), verbs.end(),
                                      [&](const auto& verb) { return word == verb->Name(); })) {
        Complain(UnknownVerbWords(word));
        return kExitTrouble;
    }

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return WithOutputChecked(kExitSame);
    } catch (const CLI::CallForVersion& version) {
        std::cout << version.what() << '\n';
        return WithOutputChecked(kExitSame);
    } catch (const CLI::ParseError& error) {
        return ParseFailure(app, error);
    }
    for (const std::unique_ptr<Verb>& verb : verbs) {
        if (app.got_subcommand(verb->Name())) {
            if (const std::optional<int> status = OpenFolderFor(*verb, context)) {
                return WithOutputChecked(*status);
            }
            return WithOutputChecked(verb->Run(context));
        }
    }
    return kExitTrouble;
}

std::string OneLine(std::string text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            if (!line.empty() && line.back() != ' ') {
                line += ' ';
            }
        } else {
            line += c;
        }
    }
    return line;
}

void Complain(const std::string& text) {
    std::cout.flush();
    // A reason may quote an address, a page or a server's words: none of it drives the terminal.
    std::cerr << kProgram << ": " << VisibleLine(text) << '\n';
    std::cerr.flush();
}
