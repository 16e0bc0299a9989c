#include "launch/Launcher.h"

#include "platform/console/Console.h"
#include "resources/Version.h"

#include <iostream>
#include <optional>

// Where the window program is installed, relative to the folder of this launcher: set by the
// build from its install folders (bin/ and libexec/varnolt/, say).
#ifndef VNT_WINDOW_FROM_LAUNCHER
#error "VNT_WINDOW_FROM_LAUNCHER must name the window program's path from the launcher's folder"
#endif

namespace {

constexpr int kLauncherTrouble = 2;

constexpr const char* kHelp =
    "Usage: varnolt [-C DIR]\n"
    "Open the Varnolt window on the pages it watches.\n"
    "\n"
    "The window works in the Varnolt folder, $XDG_DATA_HOME/varnolt or\n"
    "~/.local/share/varnolt, made (readable by you alone) when it does not exist yet;\n"
    "varnolt-cli works on the same folder.\n"
    "\n"
    "Options:\n"
    "  -C DIR      work in DIR instead, made when it does not exist\n"
    "  -h, --help  show this help\n"
    "  --version   show the version\n";

int Trouble(const std::string& problem, bool suggestHelp) {
    std::cerr << "varnolt: " << problem << '\n';
    if (suggestHelp) {
        std::cerr << "Try 'varnolt --help'.\n";
    }
    return kLauncherTrouble;
}

} // namespace

int RunLauncher(const std::vector<std::string>& arguments) {
    std::optional<std::string> given;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument == "--help" || argument == "-h") {
            std::cout << kHelp << std::flush;
            return std::cout ? 0 : kLauncherTrouble;
        }
        if (argument == "--version") {
            std::cout << "varnolt " VNT_VERSION_TEXT "\n" << std::flush;
            return std::cout ? 0 : kLauncherTrouble;
        }
        if (argument == "-C") {
            if (at + 1 >= arguments.size() || arguments[at + 1].empty()) {
                return Trouble("-C needs a folder", true);
            }
            given = arguments[++at];
        } else if (argument.size() > 2 && argument.compare(0, 2, "-C") == 0) {
            given = argument.substr(2);
        } else if (!argument.empty() && argument[0] == '-') {
            return Trouble("unknown option " + argument, true);
        } else {
            return Trouble("no arguments but -C DIR are taken: " + argument, true);
        }
    }

    const std::string folder = ChosenFolder(given);
    if (folder.empty()) {
        return Trouble("neither XDG_DATA_HOME nor HOME is set; no folder to work in (use -C DIR)",
                       false);
    }
    if (const int error = MakePrivateFolder(folder); error != 0) {
        return Trouble("cannot make the folder " + folder + ": " + SystemErrorWords(error), false);
    }
    if (const int error = EnterFolder(folder); error != 0) {
        return Trouble("cannot work in the folder " + folder + ": " + SystemErrorWords(error),
                       false);
    }
    std::cout << "Varnolt folder: " << folder << '\n' << std::flush;

    const std::string window = OwnProgramFolder() + "/" VNT_WINDOW_FROM_LAUNCHER;
    const int error = ReplaceWithProgram(window);
    return Trouble("cannot start the window program " + window + ": " + SystemErrorWords(error),
                   false);
}
