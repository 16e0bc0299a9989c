// varnolt-cli's entry: hands the arguments to the program.

#include "cli/Cli.h"
#include "platform/system/ReplacingFile.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    HoldReplaceStepsFromEnvironment();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return RunCli(arguments);
}
