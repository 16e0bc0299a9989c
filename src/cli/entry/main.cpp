// varnolt-cli's entry: hands the arguments to the program.

#include "cli/Cli.h"
#include "platform/console/Notification.h"
#include "platform/system/ReplacingFile.h"

#include <optional>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A notification's click is awaited by this program started again for that alone.
    if (const std::optional<int> status = RunNotificationWaiterIfAsked(argc, argv)) {
        return *status;
    }
    HoldReplaceStepsFromEnvironment();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return RunCli(arguments);
}
