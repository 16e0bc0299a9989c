#include "cli/Cli.h"

#include "cli/Commands.h"
#include "platform/console/Console.h"
#include "records/PageRules.h"
#include "resources/Version.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <string_view>

namespace {

constexpr const char* kMainHelp =
    "Usage: varnolt-cli [-C DIR] COMMAND [OPTIONS] [ARGUMENTS]\n"
    "Watch web pages for changes, on the records of the Varnolt window.\n"
    "\n"
    "Commands:\n"
    "  check    fetch every stored page again and report which changed\n"
    "  add      fetch pages and store them as new records\n"
    "  list     show the stored pages: number, date, address, title\n"
    "  remove   delete records by number or by address\n"
    "  rules    show or set what the checks of a page compare\n"
    "  show     print what the checks compare of a page\n"
    "\n"
    "Options:\n"
    "  -C DIR     use the records in DIR (default: $XDG_DATA_HOME/varnolt,\n"
    "             or ~/.local/share/varnolt)\n"
    "  --help     show this help; 'varnolt-cli COMMAND --help' shows a command's\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 nothing changed, 1 a page changed, 2 trouble, 130 stopped.\n";

constexpr const char* kCheckHelp =
    "Usage: varnolt-cli [-C DIR] check [--jobs N] [--timeout SECONDS] [--quiet] [--diff]\n"
    "                                  [--notify]\n"
    "Fetch every stored page again, compare it with the stored copy ignoring letter\n"
    "case, and store the pages that changed. One line per record, by record number:\n"
    "  URL              the page is the same\n"
    "  UPDATE URL       the page changed; its record now holds the new page\n"
    "  Page Error URL   the server answered with a status other than 200\n"
    "  Time Out URL     the page did not arrive in time\n"
    "  Error URL        the page could not be fetched (the reason follows on\n"
    "                   standard error)\n"
    "\n"
    "Options:\n"
    "  --jobs N   fetch at most N pages at once (default 20; never more than 6 from\n"
    "             one host)\n"
    "  --timeout SECONDS\n"
    "             a page still arriving after SECONDS is \"Time Out\" (default 120);\n"
    "             a page that receives nothing for 27 s is \"Time Out\" as well\n"
    "  --quiet    print only pages that changed or failed\n"
    "  --diff     after each UPDATE line, show what changed as a unified diff\n"
    "  --notify   when a page changed or failed, show one desktop notification\n"
    "  --help     show this help\n"
    "\n"
    "Exit status: 0 nothing changed, 1 a page changed, 2 a page failed or trouble,\n"
    "130 stopped by Ctrl+C (records are left whole).\n";

constexpr const char* kAddHelp =
    "Usage: varnolt-cli [-C DIR] add [--timeout SECONDS] [RULE...] URL...\n"
    "Fetch each page and store it as a new numbered record; prints its address.\n"
    "A missing page prints \"File Not Found URL\", another answer \"Page Error URL\",\n"
    "one that does not arrive in time \"Time Out URL\"; a page that cannot be\n"
    "fetched is explained on standard error. The pages are fetched side by side and\n"
    "stored and reported in the order given.\n"
    "Rules (--select, --css, --text, --ignore; see 'varnolt-cli rules --help') are\n"
    "stored with each page; a rule that matches nothing on it stores nothing.\n"
    "\n"
    "Options:\n"
    "  --timeout SECONDS\n"
    "             a page still arriving after SECONDS is \"Time Out\" (default 120)\n"
    "  --help     show this help\n"
    "\n"
    "Exit status: 0 every page stored, 2 a page was not stored.\n";

constexpr const char* kRulesHelp =
    "Usage: varnolt-cli [-C DIR] rules URL|NUMBER [RULE...] | --clear\n"
    "Show a page's rules (no RULE given), replace them, or clear them. The rules pick\n"
    "what the checks of the page compare, applied in this order:\n"
    "  --select XPATH   keep the parts an XPath 1.0 expression matches (several may be\n"
    "                   given; parts are kept in the page's order)\n"
    "  --css SELECTOR   the same with a CSS selector: a type or *, #id, .class,\n"
    "                   [attr], [attr=value], [attr~=value], descendant and > between\n"
    "                   them, and , between selectors\n"
    "  --text           compare the text a person reads, not the markup\n"
    "  --ignore REGEX   leave out the lines a pattern matches (RE2 syntax; several may\n"
    "                   be given)\n"
    "The stored copy stays the page as it came, so new rules apply at once. A rule\n"
    "that matches nothing makes the page's check fail with the rule named.\n"
    "Example: varnolt-cli rules 3 --css '#price' --text\n"
    "\n"
    "Options:\n"
    "  --clear    remove every rule of the page\n"
    "  --help     show this help\n";

constexpr const char* kShowHelp =
    "Usage: varnolt-cli [-C DIR] show URL|NUMBER [--raw] [--fetch]\n"
    "Print what the checks compare of a page: its stored copy with its rules applied.\n"
    "This is how to try a rule before relying on it.\n"
    "\n"
    "Options:\n"
    "  --raw      print the page as stored, without its rules\n"
    "  --fetch    use the page as fetched now instead of the stored copy (nothing is\n"
    "             stored)\n"
    "  --help     show this help\n";

constexpr const char* kListHelp =
    "Usage: varnolt-cli [-C DIR] list\n"
    "One line per record, by number: number, date, address and title, separated by\n"
    "tabs, and \"rules\" in a fifth field for a page with rules.\n"
    "\n"
    "Options:\n"
    "  --help     show this help\n";

constexpr const char* kRemoveHelp =
    "Usage: varnolt-cli [-C DIR] remove URL|NUMBER...\n"
    "Delete the record with that number, or the first record with that address (letter\n"
    "case ignored). A record another program holds open is not deleted.\n"
    "\n"
    "Options:\n"
    "  --help     show this help\n"
    "\n"
    "Exit status: 0 every record deleted, 2 one was not.\n";

int Usage(const std::string& problem, const char* command) {
    Complain(problem);
    std::cerr << "Try 'varnolt-cli" << (command != nullptr ? std::string(" ") + command : "")
              << " --help'.\n";
    return kExitTrouble;
}

int Help(const char* text) {
    std::cout << text;
    std::cout.flush();
    return kExitSame;
}

std::optional<int> PositiveNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1) {
        return std::nullopt;
    }
    return value;
}

// The value of an option given as "--name VALUE" or "--name=VALUE".
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& at, std::string_view name,
               std::optional<std::string>& value) {
    const std::string& argument = arguments[at];
    if (argument == name) {
        if (at + 1 < arguments.size()) {
            value = arguments[++at];
        } else {
            value = std::nullopt;
        }
        return true;
    }
    if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
        argument[name.size()] == '=') {
        value = argument.substr(name.size() + 1);
        return true;
    }
    return false;
}

// Takes a rule option at rest[at] into rules: true when it was one. A rule option without its
// value sets problem.
bool TakeRuleOption(const std::vector<std::string>& rest, std::size_t& at, PageRules& rules,
                    std::string& problem) {
    std::optional<std::string> value;
    const auto valued = [&](std::string_view name, std::vector<std::string>& into) {
        if (!TakeValue(rest, at, name, value)) {
            return false;
        }
        if (!value || value->empty()) {
            problem = std::string(name) + " needs a value";
        } else {
            into.push_back(*value);
        }
        return true;
    };
    if (rest[at] == "--text") {
        rules.text = true;
        return true;
    }
    return valued("--select", rules.select) || valued("--css", rules.css) ||
           valued("--ignore", rules.ignore);
}

// How many pages may be fetched at once with this many files open at most: each fetch takes a
// connection and, while its host's address is looked up, two more; the program itself keeps a
// few more open (standard streams, the record being read and its new copy, the notifier).
int FetchesWithinOpenFiles(long openFileLimit) {
    constexpr long kOwnFiles = 16;
    constexpr long kFilesPerFetch = 3;
    const long fetches = (openFileLimit - kOwnFiles) / kFilesPerFetch;
    return static_cast<int>(std::clamp<long>(fetches, 1, std::numeric_limits<int>::max()));
}

// Makes the records' folder the current directory, or says why not: the exit status to end with.
// A verb that writes makes the folder first, as the launcher does. A verb that only reads finds
// no pages in a Varnolt folder that does not exist yet; a -C folder that is missing stays an
// error there, since a mistyped folder must not read as an empty one.
std::optional<int> EnterRecordsFolder(const std::optional<std::string>& folder, bool writing) {
    const std::string path = ChosenFolder(folder);
    if (path.empty()) {
        Complain("no folder of records: neither XDG_DATA_HOME nor HOME is set; use -C DIR");
        return kExitTrouble;
    }
    if (writing) {
        if (const int error = MakePrivateFolder(path); error != 0) {
            Complain("cannot make the folder of records " + path + ": " + SystemErrorWords(error));
            return kExitTrouble;
        }
    } else if (!folder && !PathExists(path)) {
        Complain("no pages yet: the Varnolt folder " + path + " is made by the first add");
        return kExitSame;
    }
    if (const int error = EnterFolder(path); error != 0) {
        Complain("cannot use the folder of records " + path + ": " + SystemErrorWords(error));
        return kExitTrouble;
    }
    return std::nullopt;
}

} // namespace

int RunCli(const std::vector<std::string>& arguments) {
    // Every file the system allows this process, whatever the verb; a check then keeps its
    // fetches within them.
    const long openFileLimit = RaiseOpenFileLimit();
    std::optional<std::string> folder;
    std::size_t at = 0;
    for (; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument == "--help" || argument == "-h") {
            return Help(kMainHelp);
        }
        if (argument == "--version") {
            std::cout << VNT_VERSION_TEXT << '\n';
            return kExitSame;
        }
        if (argument == "-C") {
            if (at + 1 >= arguments.size()) {
                return Usage("-C needs a folder", nullptr);
            }
            folder = arguments[++at];
        } else if (argument.size() > 2 && argument.compare(0, 2, "-C") == 0) {
            folder = argument.substr(2);
        } else if (!argument.empty() && argument[0] == '-') {
            return Usage("unknown option " + argument, nullptr);
        } else {
            break;
        }
    }
    if (at == arguments.size()) {
        return Usage("no command given", nullptr);
    }

    const std::string command = arguments[at++];
    std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(at),
                                  arguments.end());

    if (command == "check") {
        CheckOptions options;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            std::optional<std::string> value;
            if (rest[i] == "--help" || rest[i] == "-h") {
                return Help(kCheckHelp);
            }
            if (rest[i] == "--quiet" || rest[i] == "-q") {
                options.quiet = true;
            } else if (rest[i] == "--diff") {
                options.diff = true;
            } else if (rest[i] == "--notify") {
                options.notify = true;
            } else if (TakeValue(rest, i, "--jobs", value) || TakeValue(rest, i, "-j", value)) {
                const std::optional<int> jobs = value ? PositiveNumber(*value) : std::nullopt;
                if (!jobs) {
                    return Usage("--jobs needs a whole number of 1 or more", "check");
                }
                options.jobs = *jobs;
            } else if (TakeValue(rest, i, "--timeout", value)) {
                const std::optional<int> seconds = value ? PositiveNumber(*value) : std::nullopt;
                if (!seconds) {
                    return Usage("--timeout needs a whole number of seconds, 1 or more", "check");
                }
                options.timeoutSeconds = *seconds;
            } else {
                return Usage("unknown argument to check: " + rest[i], "check");
            }
        }
        if (const std::optional<int> status = EnterRecordsFolder(folder, false)) {
            return *status;
        }
        options.jobs = std::min(options.jobs, FetchesWithinOpenFiles(openFileLimit));
        return RunCheck(options);
    }

    if (command == "add" || command == "remove") {
        const bool adding = command == "add";
        AddOptions addOptions;
        std::vector<std::string> targets;
        bool optionsEnded = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            const std::string& argument = rest[i];
            std::string problem;
            std::optional<std::string> value;
            if (!optionsEnded && argument == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
                return Help(adding ? kAddHelp : kRemoveHelp);
            } else if (!optionsEnded && adding &&
                       TakeRuleOption(rest, i, addOptions.rules, problem)) {
                if (!problem.empty()) {
                    return Usage(problem, command.c_str());
                }
            } else if (!optionsEnded && adding && TakeValue(rest, i, "--timeout", value)) {
                const std::optional<int> seconds = value ? PositiveNumber(*value) : std::nullopt;
                if (!seconds) {
                    return Usage("--timeout needs a whole number of seconds, 1 or more", "add");
                }
                addOptions.timeoutSeconds = *seconds;
            } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
                return Usage("unknown option " + argument, command.c_str());
            } else {
                targets.push_back(argument);
            }
        }
        if (targets.empty()) {
            return Usage(adding ? "add needs at least one URL"
                                : "remove needs at least one URL or record number",
                         command.c_str());
        }
        if (const std::optional<int> status = EnterRecordsFolder(folder, true)) {
            return *status;
        }
        return adding ? RunAdd(targets, addOptions) : RunRemove(targets);
    }

    if (command == "rules" || command == "show") {
        const bool showing = command == "show";
        std::vector<std::string> targets;
        RulesChange change;
        PageRules rules;
        bool raw = false;
        bool fetch = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            const std::string& argument = rest[i];
            std::string problem;
            if (argument == "--help" || argument == "-h") {
                return Help(showing ? kShowHelp : kRulesHelp);
            }
            if (!showing && TakeRuleOption(rest, i, rules, problem)) {
                if (!problem.empty()) {
                    return Usage(problem, command.c_str());
                }
                change.rules = rules;
            } else if (!showing && argument == "--clear") {
                change.clear = true;
            } else if (showing && argument == "--raw") {
                raw = true;
            } else if (showing && argument == "--fetch") {
                fetch = true;
            } else if (argument.size() > 1 && argument[0] == '-') {
                return Usage("unknown option " + argument, command.c_str());
            } else {
                targets.push_back(argument);
            }
        }
        if (targets.size() != 1) {
            return Usage(command + " needs one URL or record number", command.c_str());
        }
        if (change.clear && change.rules) {
            return Usage("--clear takes no rules beside it", command.c_str());
        }
        if (const std::optional<int> status = EnterRecordsFolder(folder, false)) {
            return *status;
        }
        return showing ? RunShow(targets.front(), raw, fetch) : RunRules(targets.front(), change);
    }

    if (command == "list") {
        for (const std::string& argument : rest) {
            if (argument == "--help" || argument == "-h") {
                return Help(kListHelp);
            }
            return Usage("list takes no arguments: " + argument, "list");
        }
        if (const std::optional<int> status = EnterRecordsFolder(folder, false)) {
            return *status;
        }
        return RunList();
    }

    return Usage("unknown command " + command, nullptr);
}

void Complain(const std::string& text) {
    std::cout.flush();
    std::cerr << "varnolt-cli: " << text << '\n';
    std::cerr.flush();
}
