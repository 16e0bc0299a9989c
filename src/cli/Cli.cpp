#include "cli/Cli.h"

#include "cli/Commands.h"
#include "platform/console/Console.h"
#include "resources/Version.h"

#include <charconv>
#include <cstdio>
#include <iostream>
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
    "Usage: varnolt-cli [-C DIR] add [--timeout SECONDS] URL...\n"
    "Fetch each page and store it as a new numbered record; prints its address.\n"
    "A missing page prints \"File Not Found URL\", another answer \"Page Error URL\",\n"
    "one that does not arrive in time \"Time Out URL\"; a page that cannot be\n"
    "fetched is explained on standard error. The pages are fetched side by side and\n"
    "stored and reported in the order given.\n"
    "\n"
    "Options:\n"
    "  --timeout SECONDS\n"
    "             a page still arriving after SECONDS is \"Time Out\" (default 120)\n"
    "  --help     show this help\n"
    "\n"
    "Exit status: 0 every page stored, 2 a page was not stored.\n";

constexpr const char* kListHelp =
    "Usage: varnolt-cli [-C DIR] list\n"
    "One line per record, by number: number, date, address and title, separated by\n"
    "tabs.\n"
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

int EnterRecordsFolder(const std::optional<std::string>& folder) {
    const std::string path = folder ? *folder : DefaultDataFolder();
    if (path.empty()) {
        Complain("no folder of records: neither XDG_DATA_HOME nor HOME is set; use -C DIR");
        return kExitTrouble;
    }
    if (const int error = EnterFolder(path); error != 0) {
        Complain("cannot use the folder of records " + path + ": " + SystemErrorWords(error));
        return kExitTrouble;
    }
    return kExitSame;
}

} // namespace

int RunCli(const std::vector<std::string>& arguments) {
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
        if (const int entered = EnterRecordsFolder(folder); entered != kExitSame) {
            return entered;
        }
        return RunCheck(options);
    }

    if (command == "add" || command == "remove") {
        const bool adding = command == "add";
        AddOptions addOptions;
        std::vector<std::string> targets;
        bool optionsEnded = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            const std::string& argument = rest[i];
            std::optional<std::string> value;
            if (!optionsEnded && argument == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
                return Help(adding ? kAddHelp : kRemoveHelp);
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
        if (const int entered = EnterRecordsFolder(folder); entered != kExitSame) {
            return entered;
        }
        return adding ? RunAdd(targets, addOptions) : RunRemove(targets);
    }

    if (command == "list") {
        for (const std::string& argument : rest) {
            if (argument == "--help" || argument == "-h") {
                return Help(kListHelp);
            }
            return Usage("list takes no arguments: " + argument, "list");
        }
        if (const int entered = EnterRecordsFolder(folder); entered != kExitSame) {
            return entered;
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
