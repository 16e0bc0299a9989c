#include "platform/console/Notification.h"

#include "platform/system/ApplicationName.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/MarkupEscape.h"
#include "platform/system/Shell.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kExpireDefault = -1;
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
// The waiting process's answer arrives on this descriptor.
constexpr int kAnswerDescriptor = 3;
// How long a check waits for the waiting process's answer: the bus's own limit on a call, and
// some. As long, a new waiting process waits for the notification it was started for.
constexpr int kAnswerWaitMs = 30000;
// The waiting process's socket and lock, in the folder it serves.
constexpr const char* kSocketName = "notifications.socket";
constexpr const char* kLockName = "notifications.lock";
constexpr int kListenBacklog = 16;
// A request: application, icon, summary, body and what a click opens.
constexpr std::size_t kRequestFields = 5;
constexpr std::size_t kRequestMostBytes = 1 << 20;
constexpr int kRequestWaitMs = 5000;
// How often a check tries to hand its notification over (a waiting process may stop serving
// just then), and how long a new waiting process awaits the lock of one on its way out.
constexpr int kHandOverAttempts = 5;
constexpr int kLockAttempts = 100;
constexpr useconds_t kLockRetryMicroseconds = 20000;

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
    decltype(&sd_bus_get_fd) getFd = nullptr;
    decltype(&sd_bus_get_events) getEvents = nullptr;
    decltype(&sd_bus_get_timeout) getTimeout = nullptr;
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
                                Find(library, "sd_bus_get_fd", calls.getFd) &&
                                Find(library, "sd_bus_get_events", calls.getEvents) &&
                                Find(library, "sd_bus_get_timeout", calls.getTimeout))) {
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

// ---- The waiting process ----------------------------------------------------------------------
//
// One per folder (the report's, the cache folder): whoever holds the lock file serves. It shows
// each notification itself, since a service may send a notification's signals to the
// connection that showed it alone, and holds every notification still on screen with the file
// its click opens. Checks hand it their notifications over a socket in that folder; it ends once
// none of them is on screen or awaited any longer, or when the session's bus goes away.

// A notification still awaited: what its click opens, and until when.
struct Shown {
    std::string target;
    std::chrono::steady_clock::time_point deadline;
};

struct Waiting {
    std::map<std::uint32_t, Shown> shown;
};

void OpenClicked(Waiting& waiting, std::uint32_t id) {
    const auto found = waiting.shown.find(id);
    if (found == waiting.shown.end()) {
        return; // another program's notification, or one no longer awaited
    }
    const std::string target = found->second.target;
    waiting.shown.erase(found);
    ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

int OnActionInvoked(sd_bus_message* message, void* data, sd_bus_error*) {
    std::uint32_t id = 0;
    const char* action = nullptr;
    if (Bus().messageRead(message, "us", &id, &action) >= 0 && action != nullptr &&
        std::strcmp(action, "default") == 0) {
        OpenClicked(*static_cast<Waiting*>(data), id);
    }
    return 0;
}

int OnNotificationClosed(sd_bus_message* message, void* data, sd_bus_error*) {
    std::uint32_t id = 0;
    std::uint32_t reason = 0;
    if (Bus().messageRead(message, "uu", &id, &reason) >= 0) {
        static_cast<Waiting*>(data)->shown.erase(id);
    }
    return 0;
}

// Tells the starting process how starting went (an empty line: this folder is served), then
// ends the answer.
void Answer(const std::string& failure) {
    const std::string line = failure + "\n";
    [[maybe_unused]] const ssize_t written = ::write(kAnswerDescriptor, line.data(), line.size());
    ::close(kAnswerDescriptor);
}

// How long a click is awaited: the hour, or what the tests set in its place.
std::chrono::milliseconds ClickWait() {
    if (const char* shortened = std::getenv(kClickWaitVariable); shortened != nullptr) {
        char* end = nullptr;
        const long long milliseconds = std::strtoll(shortened, &end, 10);
        if (end != shortened && *end == '\0' && milliseconds >= 0) {
            return std::chrono::milliseconds(milliseconds);
        }
    }
    return std::chrono::seconds(kNotificationClickWaitSeconds);
}

// A path naming `name` in the folder open as `folder`, short enough for a socket's address
// whatever the folder's own path.
std::string InFolder(int folder, const char* name) {
    return "/proc/self/fd/" + std::to_string(folder) + "/" + name;
}

bool SocketAddress(int folder, sockaddr_un& address) {
    const std::string path = InFolder(folder, kSocketName);
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A connection to the folder's waiting process, or -1 when none listens there.
int ConnectWaiter(int folder) {
    sockaddr_un address{};
    if (!SocketAddress(folder, address)) {
        return -1;
    }
    const int connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0) {
        return -1;
    }
    if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(connection);
        return -1;
    }
    return connection;
}

// Reads until the peer ends its side (true) or the time is up or the size too large (false).
bool ReadToEnd(int descriptor, std::string& text, std::chrono::milliseconds bound,
               std::size_t most) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd ready{descriptor, POLLIN, 0};
        if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) == 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > most) {
            return false;
        }
    }
}

bool WriteWhole(int descriptor, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t step =
            ::send(descriptor, text.data() + written, text.size() - written, MSG_NOSIGNAL);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(step);
    }
    return true;
}

// A request's fields: application, icon, summary, body and what a click opens, each ended by a
// zero byte.
std::string RequestText(const std::vector<std::string>& fields) {
    std::string text;
    for (const std::string& field : fields) {
        text += field;
        text += '\0';
    }
    return text;
}

std::vector<std::string> RequestFields(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (std::size_t end = text.find('\0'); end != std::string::npos;
         end = text.find('\0', begin)) {
        fields.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return fields;
}

// Shows one notification a check handed over, and answers how that went. False when the
// connection brought no request.
bool ServeRequest(sd_bus* connection, int client, Waiting& waiting,
                  std::chrono::milliseconds clickWait) {
    std::string request;
    if (!ReadToEnd(client, request, std::chrono::milliseconds(kRequestWaitMs), kRequestMostBytes)) {
        return false;
    }
    const std::vector<std::string> fields = RequestFields(request);
    if (fields.size() != kRequestFields) {
        return false; // nothing, or not a request: another starting process looking for a server
    }
    std::uint32_t id = 0;
    const std::string failure =
        Notify(connection, fields[0], fields[1], fields[2], fields[3], true, id);
    if (failure.empty()) {
        waiting.shown[id] = {fields[4], std::chrono::steady_clock::now() + clickWait};
    }
    WriteWhole(client, failure + "\n");
    return true;
}

// Only this user's own programs hand notifications over, whoever else may reach the socket.
bool FromThisUser(int client) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

// Takes the folder's lock; false when another waiting process holds it and serves the folder.
// A holder that no longer listens is on its way out: its lock is awaited a little.
bool TakeServingLock(int folder, int lock) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (const int connection = ConnectWaiter(folder); connection >= 0) {
            ::close(connection);
            return false;
        }
        ::usleep(kLockRetryMicroseconds);
    }
    return false;
}

int ServeFolder(const std::string& folderPath) {
    const int folder = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        Answer("the folder " + folderPath + " cannot be opened: " + SystemErrorText(errno));
        return 1;
    }
    const int lock = ::openat(folder, kLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0) {
        Answer(std::string("the lock file cannot be opened: ") + SystemErrorText(errno));
        return 1;
    }
    if (!TakeServingLock(folder, lock)) {
        Answer(""); // served by the holder
        return 0;
    }
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
    Waiting waiting;
    // Listening before any notification is shown, so that no click comes before it listens.
    bus.addMatch(connection, nullptr,
                 "type='signal',interface='org.freedesktop.Notifications',member='ActionInvoked'",
                 OnActionInvoked, &waiting);
    bus.addMatch(
        connection, nullptr,
        "type='signal',interface='org.freedesktop.Notifications',member='NotificationClosed'",
        OnNotificationClosed, &waiting);
    sockaddr_un address{};
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::unlinkat(folder, kSocketName, 0); // one a waiting process that was killed left
    if (listener < 0 || !SocketAddress(folder, address) ||
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, kListenBacklog) != 0) {
        Answer(std::string("the notification's socket cannot be made: ") + SystemErrorText(errno));
        bus.flushCloseUnref(connection);
        return 1;
    }
    Answer("");

    const std::chrono::milliseconds clickWait = ClickWait();
    // The process that started this one hands its notification over at once.
    auto idleUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerWaitMs);
    for (;;) {
        int processed = 0;
        while ((processed = bus.process(connection, nullptr)) > 0) {
        }
        if (processed < 0) {
            break; // the bus went away: the session has ended
        }
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(waiting.shown,
                      [now](const auto& entry) { return entry.second.deadline <= now; });
        if (waiting.shown.empty() && now >= idleUntil) {
            break; // nothing on screen is awaited any longer
        }
        auto wakeAt = idleUntil;
        if (!waiting.shown.empty()) {
            wakeAt = std::min_element(waiting.shown.begin(), waiting.shown.end(),
                                      [](const auto& left, const auto& right) {
                                          return left.second.deadline < right.second.deadline;
                                      })
                         ->second.deadline;
        }
        std::uint64_t busTimeout = UINT64_MAX;
        int timeoutMs = static_cast<int>(std::clamp<std::int64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count() + 1, 0,
            INT_MAX));
        if (bus.getTimeout(connection, &busTimeout) >= 0 && busTimeout != UINT64_MAX) {
            timespec monotonic{};
            ::clock_gettime(CLOCK_MONOTONIC, &monotonic);
            const std::uint64_t nowUs = static_cast<std::uint64_t>(monotonic.tv_sec) * 1000000u +
                                        static_cast<std::uint64_t>(monotonic.tv_nsec) / 1000u;
            const std::uint64_t busMs = busTimeout > nowUs ? (busTimeout - nowUs + 999) / 1000 : 0;
            timeoutMs = static_cast<int>(std::min<std::uint64_t>(busMs, timeoutMs));
        }
        const int busEvents = bus.getEvents(connection);
        pollfd ready[2] = {
            {listener, POLLIN, 0},
            {bus.getFd(connection), static_cast<short>(busEvents > 0 ? busEvents : POLLIN), 0}};
        if (::poll(ready, 2, timeoutMs) > 0 && (ready[0].revents & POLLIN) != 0) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                if (FromThisUser(client) && ServeRequest(connection, client, waiting, clickWait)) {
                    idleUntil = std::chrono::steady_clock::now();
                }
                ::close(client);
            }
        }
    }
    // No longer serving: a check arriving now starts the next waiting process.
    ::unlinkat(folder, kSocketName, 0);
    ::close(listener);
    ::close(lock);
    bus.flushCloseUnref(connection);
    return 0;
}

// ---- The checks' side -------------------------------------------------------------------------

// Starts a waiting process for the folder, in a session of its own, its standard streams on
// /dev/null (so nobody reading this program's output waits for it), and reads its answer on
// descriptor 3: empty when the folder is served. `started` is false when it could not be run.
// Under the service manager, it is started through systemd-run, which hands it the same
// descriptors.
std::string StartWaiter(const std::string& folder, bool underServiceManager, bool& started) {
    started = false;
    const std::string& program = OwnProgramPath();
    int pipeEnds[2];
    if (program.empty() || ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return "the notification's waiting process cannot be started";
    }
    std::vector<std::string> arguments = {program, kNotificationWaiterArgument, folder};
    if (underServiceManager) {
        // In a scope unit of its own: the unit of the check that started it may end (and end
        // every process left in it) long before the clicks do.
        arguments.insert(arguments.begin(),
                         {"systemd-run", "--user", "--scope", "--quiet", "--collect",
                          "--description=Varnolt's notification clicks", "--"});
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
    ::posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], kAnswerDescriptor);
    // A session of its own: the terminal closing or a Ctrl+C for this program does not end it.
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    pid_t pid = -1;
    started = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    std::string answer;
    if (started) {
        // It is not waited for: it outlives this program, which soon ends, and is then the init
        // process's to reap.
        if (!ReadToEnd(pipeEnds[0], answer, std::chrono::milliseconds(kAnswerWaitMs),
                       kRequestMostBytes)) {
            answer = "the notification's waiting process did not answer in time";
        } else if (answer.empty()) {
            answer = "the notification's waiting process ended without answering";
        } else {
            answer.pop_back(); // its line end
        }
    }
    ::close(pipeEnds[0]);
    return started ? answer : "the notification's waiting process cannot be started";
}

// Hands the notification to the folder's waiting process, starting one when none listens.
std::string ShowThroughWaiter(const std::string& folderPath, const std::string& request,
                              bool& waiterStarted) {
    waiterStarted = true;
    const int folder = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return "the folder " + folderPath + " cannot be opened: " + SystemErrorText(errno);
    }
    std::string failure = "the notification's waiting process could not be reached";
    for (int attempt = 0; attempt < kHandOverAttempts; ++attempt) {
        const int connection = ConnectWaiter(folder);
        if (connection < 0) {
            // A process the service manager started (the check's timer unit) has its own
            // unit's environment; should no scope be had, the process is started directly.
            std::string problem = "no service manager";
            if (std::getenv("INVOCATION_ID") != nullptr) {
                problem = StartWaiter(folderPath, true, waiterStarted);
            }
            if (!problem.empty()) {
                problem = StartWaiter(folderPath, false, waiterStarted);
            }
            if (!problem.empty()) {
                failure = problem;
                break;
            }
            continue;
        }
        std::string answer;
        const bool answered =
            WriteWhole(connection, request) && ::shutdown(connection, SHUT_WR) == 0 &&
            ReadToEnd(connection, answer, std::chrono::milliseconds(kAnswerWaitMs),
                      kRequestMostBytes) &&
            !answer.empty() && answer.back() == '\n';
        ::close(connection);
        if (answered) {
            answer.pop_back();
            failure = answer;
            break;
        }
        // It stopped serving as this was handed over: the next attempt starts another.
    }
    ::close(folder);
    return failure;
}

} // namespace

std::string ShowDesktopNotification(const std::string& appName, const std::string& iconName,
                                    const std::string& summary, const std::string& body,
                                    const std::string& clickOpens) {
    if (clickOpens.empty()) {
        return OpenBusAndNotify(appName, iconName, summary, body);
    }
    const std::size_t slash = clickOpens.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : clickOpens.substr(0, slash);
    bool waiterStarted = true;
    const std::string failure = ShowThroughWaiter(
        folder, RequestText({appName, iconName, summary, body, clickOpens}), waiterStarted);
    if (!waiterStarted) {
        // Shown all the same, without the click.
        return OpenBusAndNotify(appName, iconName, summary, body);
    }
    return failure;
}

std::optional<int> RunNotificationWaiterIfAsked(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], kNotificationWaiterArgument) != 0) {
        return std::nullopt;
    }
    return ServeFolder(argv[2]);
}
