#include "platform/console/Notification.h"

#include "platform/system/ExclusiveFile.h"
#include "platform/system/MarkupEscape.h"
#include "platform/system/Shell.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kExpireDefault = -1;
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
// What the waiting process is started with: no word a person would type.
constexpr const char* kWaiterArgument = "--await-notification-click";
// The waiting process's answer arrives on this descriptor.
constexpr int kAnswerDescriptor = 3;
// How long the caller waits for that answer: the bus's own limit on a call, and some.
constexpr int kAnswerWaitMs = 30000;

// The bus library is loaded when the first notification is shown, not when the program starts:
// a run that shows none (every run without --notify) does not map it and the libraries it
// brings, close to a megabyte of the check's resident memory.
constexpr const char* kBusLibrary = "libsystemd.so.0";

struct BusCalls {
    decltype(&sd_bus_open_user) openUser = nullptr;
    decltype(&sd_bus_unref) unref = nullptr;
    decltype(&sd_bus_call_method) callMethod = nullptr;
    decltype(&sd_bus_error_is_set) errorIsSet = nullptr;
    decltype(&sd_bus_error_free) errorFree = nullptr;
    decltype(&sd_bus_message_unref) messageUnref = nullptr;
    decltype(&sd_bus_flush_close_unref) flushCloseUnref = nullptr;
    decltype(&sd_bus_message_read) messageRead = nullptr;
    decltype(&sd_bus_message_read_strv) messageReadStrv = nullptr;
    decltype(&sd_bus_add_match) addMatch = nullptr;
    decltype(&sd_bus_process) process = nullptr;
    decltype(&sd_bus_wait) wait = nullptr;
    std::string problem; // why the library cannot be used; empty when it can
};

template <typename Call> bool Find(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(::dlsym(library, name));
    return call != nullptr;
}

BusCalls LoadBusCalls() {
    BusCalls calls;
    // Never unloaded: the library keeps state of its own until the process ends.
    void* library = ::dlopen(kBusLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr || !(Find(library, "sd_bus_open_user", calls.openUser) &&
                                Find(library, "sd_bus_unref", calls.unref) &&
                                Find(library, "sd_bus_call_method", calls.callMethod) &&
                                Find(library, "sd_bus_error_is_set", calls.errorIsSet) &&
                                Find(library, "sd_bus_error_free", calls.errorFree) &&
                                Find(library, "sd_bus_message_unref", calls.messageUnref) &&
                                Find(library, "sd_bus_flush_close_unref", calls.flushCloseUnref) &&
                                Find(library, "sd_bus_message_read", calls.messageRead) &&
                                Find(library, "sd_bus_message_read_strv", calls.messageReadStrv) &&
                                Find(library, "sd_bus_add_match", calls.addMatch) &&
                                Find(library, "sd_bus_process", calls.process) &&
                                Find(library, "sd_bus_wait", calls.wait))) {
        const char* words = ::dlerror();
        calls.problem =
            std::string("no session bus library: ") + (words != nullptr ? words : kBusLibrary);
    }
    return calls;
}

const BusCalls& Bus() {
    static const BusCalls calls = LoadBusCalls();
    return calls;
}

std::string Words(const char* what, int error, const sd_bus_error* busError) {
    std::string words = what;
    if (busError != nullptr && Bus().errorIsSet(busError) && busError->message != nullptr) {
        return words + ": " + busError->message;
    }
    return words + ": " + SystemErrorText(-error);
}

// True when the service reads markup in bodies (its capability "body-markup").
bool ReadsBodyMarkup(sd_bus* connection) {
    const BusCalls& bus = Bus();
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    bool markup = false;
    if (bus.callMethod(connection, kService, kPath, kService, "GetCapabilities", &error, &reply,
                       "") >= 0) {
        char** capabilities = nullptr;
        if (bus.messageReadStrv(reply, &capabilities) >= 0 && capabilities != nullptr) {
            for (char** capability = capabilities; *capability != nullptr; ++capability) {
                markup = markup || std::strcmp(*capability, "body-markup") == 0;
                std::free(*capability);
            }
            std::free(capabilities);
        }
    }
    bus.errorFree(&error);
    bus.messageUnref(reply);
    return markup;
}

// The body as the service shows it as text: where it reads markup, & < > " ' are written as
// the references it understands, so nothing of a page's title becomes a link or an image.
std::string BodyText(sd_bus* connection, const std::string& body) {
    if (body.empty() || !ReadsBodyMarkup(connection)) {
        return body;
    }
    return EscapeMarkup(body);
}

// Calls Notify, with a default action when withAction. Yields the failure in words, or empty
// with the notification's id.
std::string Notify(sd_bus* connection, const std::string& appName, const std::string& iconName,
                   const std::string& summary, const std::string& body, bool withAction,
                   std::uint32_t& id) {
    const BusCalls& bus = Bus();
    const std::string shownBody = BodyText(connection, body);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    const int result =
        withAction ? bus.callMethod(connection, kService, kPath, kService, "Notify", &error, &reply,
                                    "susssasa{sv}i", appName.c_str(), 0u, iconName.c_str(),
                                    summary.c_str(), shownBody.c_str(), 2, "default",
                                    "Show Changes", 0, kExpireDefault)
                   : bus.callMethod(connection, kService, kPath, kService, "Notify", &error, &reply,
                                    "susssasa{sv}i", appName.c_str(), 0u, iconName.c_str(),
                                    summary.c_str(), shownBody.c_str(), 0, 0, kExpireDefault);
    std::string failure;
    if (result < 0) {
        failure = Words("the notification could not be shown", result, &error);
    } else if (bus.messageRead(reply, "u", &id) < 0) {
        id = 0;
    }
    bus.errorFree(&error);
    bus.messageUnref(reply);
    return failure;
}

std::string OpenBusAndNotify(const std::string& appName, const std::string& iconName,
                             const std::string& summary, const std::string& body) {
    const BusCalls& bus = Bus();
    if (!bus.problem.empty()) {
        return bus.problem;
    }
    sd_bus* connection = nullptr;
    const int result = bus.openUser(&connection);
    if (result < 0) {
        bus.unref(connection);
        return Words("no session bus", result, nullptr);
    }
    std::uint32_t id = 0;
    const std::string failure = Notify(connection, appName, iconName, summary, body, false, id);
    bus.flushCloseUnref(connection);
    return failure;
}

// What the waiting process listens for: its notification's default action, or its closing.
struct Awaited {
    std::uint32_t id = 0;
    bool clicked = false;
    bool closed = false;
};

int OnActionInvoked(sd_bus_message* message, void* data, sd_bus_error*) {
    auto& awaited = *static_cast<Awaited*>(data);
    std::uint32_t id = 0;
    const char* action = nullptr;
    if (Bus().messageRead(message, "us", &id, &action) >= 0 && id == awaited.id &&
        action != nullptr && std::strcmp(action, "default") == 0) {
        awaited.clicked = true;
    }
    return 0;
}

int OnNotificationClosed(sd_bus_message* message, void* data, sd_bus_error*) {
    auto& awaited = *static_cast<Awaited*>(data);
    std::uint32_t id = 0;
    std::uint32_t reason = 0;
    if (Bus().messageRead(message, "uu", &id, &reason) >= 0 && id == awaited.id) {
        awaited.closed = true;
    }
    return 0;
}

// Tells the starting process how showing went (an empty line: shown), then ends the answer.
void Answer(const std::string& failure) {
    const std::string line = failure + "\n";
    [[maybe_unused]] const ssize_t written = ::write(kAnswerDescriptor, line.data(), line.size());
    ::close(kAnswerDescriptor);
}

// The waiting process: listens for its notification's signals before showing it, so that no
// click can come before it listens; answers; then waits for a click, the closing, the bus's end
// or the time limit.
int AwaitClick(const std::string& appName, const std::string& iconName, const std::string& summary,
               const std::string& body, const std::string& target) {
    const BusCalls& bus = Bus();
    if (!bus.problem.empty()) {
        Answer(bus.problem);
        return 1;
    }
    sd_bus* connection = nullptr;
    if (const int result = bus.openUser(&connection); result < 0) {
        bus.unref(connection);
        Answer(Words("no session bus", result, nullptr));
        return 1;
    }
    Awaited awaited;
    bus.addMatch(connection, nullptr,
                 "type='signal',interface='org.freedesktop.Notifications',member='ActionInvoked'",
                 OnActionInvoked, &awaited);
    bus.addMatch(
        connection, nullptr,
        "type='signal',interface='org.freedesktop.Notifications',member='NotificationClosed'",
        OnNotificationClosed, &awaited);
    const std::string failure =
        Notify(connection, appName, iconName, summary, body, true, awaited.id);
    Answer(failure);
    if (!failure.empty()) {
        bus.flushCloseUnref(connection);
        return 1;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(kNotificationClickWaitSeconds);
    while (!awaited.clicked && !awaited.closed) {
        const int processed = bus.process(connection, nullptr);
        if (processed < 0) {
            break; // the bus went away: the session has ended
        }
        if (processed > 0) {
            continue;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::seconds(0)) {
            break;
        }
        bus.wait(connection,
                 static_cast<std::uint64_t>(
                     std::chrono::duration_cast<std::chrono::microseconds>(left).count()));
    }
    bus.flushCloseUnref(connection);
    if (awaited.clicked) {
        ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOW);
    }
    return 0;
}

std::string OwnProgram() {
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    return path;
}

// Starts the waiting process in a session of its own, its standard streams on /dev/null (so
// nobody reading this program's output waits for it), with the answer's pipe as descriptor 3.
// Yields its process id, or -1.
pid_t StartWaiter(std::vector<std::string> arguments, int answerWriteEnd) {
    const std::string program = OwnProgram();
    if (program.empty()) {
        return -1;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        ::posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_RDWR, 0);
    }
    ::posix_spawn_file_actions_adddup2(&actions, answerWriteEnd, kAnswerDescriptor);
    // A session of its own: the terminal closing or a Ctrl+C for this program does not end it.
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0) {
        pid = -1;
    }
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    return pid;
}

// The waiting process's answer: its line, or why there was none.
std::string ReadAnswer(int readEnd) {
    std::string answer;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerWaitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd ready{readEnd, POLLIN, 0};
        if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) == 0) {
            return "the notification service did not answer in time";
        }
        char buffer[512];
        const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return "the notification's waiting process ended without showing it";
        }
        answer.append(buffer, static_cast<std::size_t>(got));
        if (const std::size_t end = answer.find('\n'); end != std::string::npos) {
            return answer.substr(0, end);
        }
    }
}

} // namespace

std::string ShowDesktopNotification(const std::string& appName, const std::string& iconName,
                                    const std::string& summary, const std::string& body,
                                    const std::string& clickOpens) {
    if (clickOpens.empty()) {
        return OpenBusAndNotify(appName, iconName, summary, body);
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return OpenBusAndNotify(appName, iconName, summary, body);
    }
    const pid_t waiter = StartWaiter(
        {"varnolt-notification", kWaiterArgument, appName, iconName, summary, body, clickOpens},
        pipeEnds[1]);
    ::close(pipeEnds[1]);
    if (waiter < 0) {
        ::close(pipeEnds[0]);
        // Shown all the same, without the click.
        return OpenBusAndNotify(appName, iconName, summary, body);
    }
    const std::string answer = ReadAnswer(pipeEnds[0]);
    ::close(pipeEnds[0]);
    // It is not waited for: it outlives this program, which soon ends, and is then the init
    // process's to reap.
    return answer;
}

std::optional<int> RunNotificationWaiterIfAsked(int argc, char** argv) {
    if (argc != 7 || std::strcmp(argv[1], kWaiterArgument) != 0) {
        return std::nullopt;
    }
    return AwaitClick(argv[2], argv[3], argv[4], argv[5], argv[6]);
}
