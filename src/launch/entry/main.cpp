// varnolt's entry: hands the arguments to the launcher.

#include "launch/Launcher.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return RunLauncher(arguments);
}
