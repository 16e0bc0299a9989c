#include "platform/system/Shell.h"

#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

std::mutex g_openerGuard;
std::function<void(const std::string&)> g_testOpener;

constexpr long kStarted = 42;   // above 32: success
constexpr long kNotStarted = 2; // the "file not found" kind of failure

bool StartDesktopOpener(const std::string& address) {
    std::string program = "xdg-open";
    char* argv[] = {program.data(), const_cast<char*>(address.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    // Reap the opener when it ends so it leaves no zombie; nobody waits for the result.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return true;
}

} // namespace

long ShellExecuteA(void* /*owner*/, const char* operation, const char* file,
                   const char* /*parameters*/, const char* /*directory*/, int /*showCommand*/) {
    if (operation == nullptr || std::string(operation) != "open" || file == nullptr) {
        return kNotStarted;
    }
    {
        std::lock_guard lock(g_openerGuard);
        if (g_testOpener) {
            g_testOpener(file);
            return kStarted;
        }
    }
    return StartDesktopOpener(file) ? kStarted : kNotStarted;
}

void SetShellOpenerForTesting(std::function<void(const std::string&)> opener) {
    std::lock_guard lock(g_openerGuard);
    g_testOpener = std::move(opener);
}
