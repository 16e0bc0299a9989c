#include "platform/console/Console.h"

#include "platform/system/ExclusiveFile.h"
#include "platform/system/ApplicationName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void NoteStopSignal(int signalNumber) {
    if (g_stopSignal != 0) {
        // Asked twice: the user wants out now.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    g_stopSignal = signalNumber;
}

} // namespace

std::string DefaultDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        return std::string(dataHome) + "/varnolt";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.local/share/varnolt";
    }
    return {};
}

std::string DefaultCacheFolder() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome != nullptr && cacheHome[0] == '/') {
        return std::string(cacheHome) + "/varnolt";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.cache/varnolt";
    }
    return {};
}

std::string CurrentFolder() {
    std::string path(PATH_MAX, '\0');
    if (::getcwd(path.data(), path.size()) == nullptr) {
        return {};
    }
    path.resize(std::strlen(path.c_str()));
    return path;
}

std::string ChosenFolder(const std::optional<std::string>& given) {
    return given ? *given : DefaultDataFolder();
}

int MakePrivateFolder(const std::string& path) {
    if (path.empty()) {
        return ENOENT;
    }
    // Each folder from the top down; one that exists already (or appears meanwhile) is kept.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (!folder.empty() && folder.back() != '/' && ::mkdir(folder.c_str(), 0700) != 0 &&
            errno != EEXIST) {
            return errno;
        }
        if (end == std::string::npos) {
            break;
        }
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno;
    }
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

bool PathExists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

int EnterFolder(const std::string& path) {
    if (path.empty()) {
        return ENOENT;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno;
    }
    if (!S_ISDIR(status.st_mode)) {
        return ENOTDIR;
    }
    // A folder that cannot be listed would look empty: refuse it rather than report nothing.
    DIR* listing = ::opendir(path.c_str());
    if (listing == nullptr) {
        return errno;
    }
    ::closedir(listing);
    if (::chdir(path.c_str()) != 0) {
        return errno;
    }
    return 0;
}

std::string OwnProgramFolder() {
    const std::string& path = OwnProgramPath();
    return path.empty() ? std::string() : path.substr(0, path.rfind('/'));
}

int ReplaceWithProgram(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    char* const arguments[] = {name.data(), nullptr};
    ::execv(path.c_str(), arguments);
    return errno;
}

std::string SystemErrorWords(int error) {
    return SystemErrorText(error); // thread-safe, unlike strerror
}

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a wait in progress returns early
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() {
    return g_stopSignal;
}

long RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 0;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    constexpr rlim_t kLargest = 1L << 30;
    return static_cast<long>(limit.rlim_cur == RLIM_INFINITY ? kLargest
                                                             : std::min(limit.rlim_cur, kLargest));
}
