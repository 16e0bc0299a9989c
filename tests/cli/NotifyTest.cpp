// --notify on a private session bus, with a stand-in notification service in the test.

#include "CliProcess.h"
#include "platform/console/Notification.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <systemd/sd-bus.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A dbus-daemon of the test's own, listening in the test's folder.
class PrivateSessionBus {
public:
    explicit PrivateSessionBus(const std::string& folder)
        : m_address("unix:path=" + folder + "/bus") {
        // Made before the fork: the child of this threaded process may not allocate.
        const std::string address = "--address=" + m_address;
        m_pid = ::fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
                     address.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Ready once its socket is there.
        const std::string socket = folder + "/bus";
        for (int i = 0; i < 500 && ::access(socket.c_str(), F_OK) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~PrivateSessionBus() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Address() const { return m_address; }

private:
    std::string m_address;
    pid_t m_pid = -1;
};

struct Notification {
    std::string appName;
    std::string icon;
    std::string summary;
    std::string body;
    std::vector<std::string> actions;
    std::string sender; // the bus name of the connection that showed it
};

// Owns org.freedesktop.Notifications on the bus and records each Notify call.
class NotificationService {
public:
    // clickEach: each notification is clicked (its default action invoked) as soon as it is
    // shown; bodyMarkup: the service says it reads markup in bodies.
    explicit NotificationService(const std::string& address, bool clickEach = false,
                                 bool bodyMarkup = false)
        : m_clickEach(clickEach), m_bodyMarkup(bodyMarkup) {
        sd_bus_new(&m_bus);
        sd_bus_set_address(m_bus, address.c_str());
        sd_bus_set_bus_client(m_bus, 1);
        m_ready = sd_bus_start(m_bus) >= 0 &&
                  sd_bus_add_object_vtable(m_bus, nullptr, "/org/freedesktop/Notifications",
                                           "org.freedesktop.Notifications", kTable, this) >= 0 &&
                  sd_bus_request_name(m_bus, "org.freedesktop.Notifications", 0) >= 0;
        m_thread = std::thread([this] {
            while (!m_stop) {
                EmitAsked();
                if (sd_bus_process(m_bus, nullptr) > 0) {
                    continue;
                }
                sd_bus_wait(m_bus, 20 * 1000);
            }
        });
    }
    ~NotificationService() {
        m_stop = true;
        m_thread.join();
        sd_bus_flush_close_unref(m_bus);
    }
    bool Ready() const { return m_ready; }
    std::vector<Notification> Received() {
        std::lock_guard lock(m_guard);
        return m_received;
    }
    // A person's click on notification `id` (its number in Received, from 1), or its closing:
    // the signal goes, as some services send it, to the connection that showed it alone.
    void Click(std::uint32_t id) { Ask(id, true); }
    void Close(std::uint32_t id) { Ask(id, false); }

private:
    struct Asked {
        std::uint32_t id;
        bool click;
    };
    void Ask(std::uint32_t id, bool click) {
        std::lock_guard lock(m_guard);
        m_asked.push_back({id, click});
    }
    // On the service's own thread: the bus connection is not shared between threads.
    void EmitAsked() {
        std::vector<Asked> asked;
        {
            std::lock_guard lock(m_guard);
            asked.swap(m_asked);
        }
        for (const Asked& one : asked) {
            std::string sender;
            {
                std::lock_guard lock(m_guard);
                sender = m_received.at(one.id - 1).sender;
            }
            Emit(m_bus, sender, one.id, one.click);
        }
    }
    static void Emit(sd_bus* bus, const std::string& destination, std::uint32_t id, bool click) {
        sd_bus_message* signal = nullptr;
        sd_bus_message_new_signal(bus, &signal, "/org/freedesktop/Notifications",
                                  "org.freedesktop.Notifications",
                                  click ? "ActionInvoked" : "NotificationClosed");
        sd_bus_message_set_destination(signal, destination.c_str());
        if (click) {
            sd_bus_message_append(signal, "us", id, "default");
        } else {
            sd_bus_message_append(signal, "uu", id, 2u); // closed by the user
        }
        sd_bus_send(bus, signal, nullptr);
        sd_bus_message_unref(signal);
    }

    static int OnNotify(sd_bus_message* call, void* self, sd_bus_error*) {
        const char* app = nullptr;
        std::uint32_t replaces = 0;
        const char* icon = nullptr;
        const char* summary = nullptr;
        const char* body = nullptr;
        if (sd_bus_message_read(call, "susss", &app, &replaces, &icon, &summary, &body) < 0) {
            return -EINVAL;
        }
        char** actions = nullptr;
        if (sd_bus_message_read_strv(call, &actions) < 0) {
            return -EINVAL;
        }
        Notification received{app, icon, summary, body, {}, sd_bus_message_get_sender(call)};
        for (char** action = actions; action != nullptr && *action != nullptr; ++action) {
            received.actions.emplace_back(*action);
            std::free(*action);
        }
        std::free(actions);
        auto& service = *static_cast<NotificationService*>(self);
        std::uint32_t id = 0;
        {
            std::lock_guard lock(service.m_guard);
            service.m_received.push_back(received);
            id = static_cast<std::uint32_t>(service.m_received.size());
        }
        const int replied = sd_bus_reply_method_return(call, "u", id);
        if (service.m_clickEach) {
            Emit(sd_bus_message_get_bus(call), received.sender, id, true);
        }
        return replied;
    }
    static int OnGetCapabilities(sd_bus_message* call, void* self, sd_bus_error*) {
        const bool markup = static_cast<NotificationService*>(self)->m_bodyMarkup;
        return markup ? sd_bus_reply_method_return(call, "as", 3, "actions", "body", "body-markup")
                      : sd_bus_reply_method_return(call, "as", 2, "actions", "body");
    }
    static constexpr sd_bus_vtable kTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Notify", "susssasa{sv}i", "u", &NotificationService::OnNotify, 0),
        SD_BUS_METHOD("GetCapabilities", "", "as", &NotificationService::OnGetCapabilities, 0),
        SD_BUS_VTABLE_END,
    };

    bool m_clickEach;
    bool m_bodyMarkup;

    sd_bus* m_bus = nullptr;
    bool m_ready = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_guard;
    std::vector<Notification> m_received;
    std::vector<Asked> m_asked;
};

class Notify : public InTempDirectory {};

} // namespace

TEST_F(Notify, OneNotificationForARunWithChangesOrFailures) {
    PrivateSessionBus bus(m_workingDirectory.Path());
    NotificationService service(bus.Address());
    ASSERT_TRUE(service.Ready()) << "no private session bus (dbus-daemon)";

    LoopbackServer server;
    server.Routes().Get("/same", [](const httplib::Request&, httplib::Response& r) {
        r.set_content("page", "text/html");
    });
    server.Routes().Get("/new", [](const httplib::Request&, httplib::Response& r) {
        r.set_content("new page", "text/html");
    });
    server.Start();
    auto record = [&](const std::string& path, const std::string& page) {
        return server.Url(path) + "|T|1:1:2025*" + page;
    };
    const std::map<std::string, std::optional<std::string>> environment = {
        {"DBUS_SESSION_BUS_ADDRESS", bus.Address()},
        {"XDG_CACHE_HOME", m_workingDirectory.Path() + "/cache"}};

    // Nothing changed: no notification.
    WriteWholeFile("1.vnt", record("/same", "page"));
    CliRun run = RunCliProgram({"-C", m_workingDirectory.Path(), "check", "--notify"}, environment);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(service.Received().empty());

    WriteWholeFile("2.vnt", record("/new", "old"));
    WriteWholeFile("3.vnt", record("/new", "older"));
    WriteWholeFile("4.vnt", record("/missing", "page"));
    run = RunCliProgram({"-C", m_workingDirectory.Path(), "check", "--notify"}, environment);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, "varnolt-cli: the server answered 404 Not Found\n") << "no warning";
    const std::vector<Notification> received = service.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].summary, "2 pages changed, 1 failed");
    EXPECT_EQ(received[0].icon, "varnolt");
    EXPECT_EQ(received[0].appName, "Varnolt");
}

// A stand-in for the desktop's opener, first on the PATH: notes what it was given in "opened".
std::map<std::string, std::optional<std::string>>
WithRecordingOpener(const std::string& folder,
                    std::map<std::string, std::optional<std::string>> environment) {
    std::filesystem::create_directory(folder + "/bin");
    WriteWholeFile(folder + "/bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + folder +
                                                 "/opened.part\"\nmv \"" + folder +
                                                 "/opened.part\" \"" + folder + "/opened\"\n");
    std::filesystem::permissions(folder + "/bin/xdg-open", std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    environment["PATH"] = folder + "/bin:" + (path != nullptr ? path : "/usr/bin:/bin");
    return environment;
}

TEST_F(Notify, NamesTheChangedPagesAndAClickOpensTheRunsReport) {
    const std::string folder = m_workingDirectory.Path();
    PrivateSessionBus bus(folder);
    NotificationService service(bus.Address(), /*clickEach=*/true, /*bodyMarkup=*/true);
    ASSERT_TRUE(service.Ready()) << "no private session bus (dbus-daemon)";
    LoopbackServer server;
    // Seven pages change, each now with a title; the first is one a service reading markup must
    // not take as such.
    server.Routes().Get(R"(/(\d+))", [](const httplib::Request& request, httplib::Response& r) {
        const std::string number = request.matches[1];
        const std::string title = number == "1" ? "Prices & \"deals\" > 'all'" : "Page " + number;
        r.set_content("<html><head><title>" + title + "</title></head><body>new</body></html>",
                      "text/html");
    });
    server.Start();
    for (int i = 1; i <= 7; ++i) {
        WriteWholeFile(std::to_string(i) + ".vnt",
                       server.Url("/" + std::to_string(i)) + "|Old title|1:1:2025*old");
    }
    const CliRun run =
        RunCliProgram({"-C", folder, "check", "--quiet", "--notify"},
                      WithRecordingOpener(folder, {{"DBUS_SESSION_BUS_ADDRESS", bus.Address()},
                                                   {"XDG_CACHE_HOME", folder + "/cache"},
                                                   {"INVOCATION_ID", std::nullopt}}));
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<Notification> received = service.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].summary, "7 pages changed");
    EXPECT_EQ(received[0].body,
              "Prices &amp; &quot;deals&quot; &gt; &#39;all&#39;\nPage 2\nPage 3\nPage "
              "4\nPage 5\nand 2 more");
    EXPECT_EQ(received[0].actions, (std::vector<std::string>{"default", "Show Changes"}));

    // The click was awaited by a process of its own, after the check had ended: it opens the
    // report of the run's changes.
    for (int i = 0; i < 1000 && !FileExists(folder + "/opened"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string report = folder + "/cache/varnolt/check-1.html";
    ASSERT_TRUE(FileExists(folder + "/opened")) << "the click opened nothing";
    EXPECT_EQ(ReadWholeFile(folder + "/opened"), report);
    const std::string html = ReadWholeFile(report);
    EXPECT_THAT(html, ::testing::HasSubstr("Prices &amp; &quot;deals&quot; &gt; &#39;all&#39;"));
    EXPECT_THAT(html, ::testing::HasSubstr("<h2>Page 7</h2>"));
}

namespace {

// The processes awaiting clicks for the folder: their command line names the folder after the
// waiting argument. A process that has ended (a zombie) has no command line.
int WaitersFor(const std::string& folder) {
    int waiters = 0;
    DIR* processes = ::opendir("/proc");
    while (const dirent* entry = processes != nullptr ? ::readdir(processes) : nullptr) {
        std::string line;
        try {
            line = ReadWholeFile(std::string("/proc/") + entry->d_name + "/cmdline");
        } catch (...) {
            continue;
        }
        if (line.find(std::string(kNotificationWaiterArgument) + '\0' + folder + '\0') !=
            std::string::npos) {
            ++waiters;
        }
    }
    if (processes != nullptr) {
        ::closedir(processes);
    }
    return waiters;
}

// Waits (at most ten seconds) for what another process does; true once it holds.
template <typename Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 1000; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// What the recording opener was last given (and forgets it), or empty when it was given nothing.
std::string TakeOpened(const std::string& folder) {
    const std::string file = folder + "/opened";
    if (!Eventually([&] { return FileExists(file); })) {
        return {};
    }
    const std::string opened = ReadWholeFile(file);
    std::filesystem::remove(file);
    return opened;
}

// What the page holds at its Nth fetch: one word.
std::string Mark(int fetch) {
    return "mark" + std::to_string(fetch) + "mark";
}

// Records whose page changes at every fetch, checked with a
// private bus, a stand-in service that clicks nothing of itself, and a recording opener.
class NotifyWaiter : public InTempDirectory {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_service.Ready()) << "no private session bus (dbus-daemon)";
        m_server.Routes().Get("/page", [this](const httplib::Request&, httplib::Response& r) {
            r.set_content("<title>T</title>" + Mark(++m_fetches), "text/html");
        });
        m_server.Start();
        WriteWholeFile("1.vnt", m_server.Url("/page") + "|T|1:1:2025*stored");
    }
    void TearDown() override {
        // No waiting process outlives its test.
        for (std::uint32_t id = 1; id <= m_service.Received().size(); ++id) {
            m_service.Close(id);
        }
        EXPECT_TRUE(Eventually([this] { return WaitersFor(m_cache) == 0; }));
    }
    CliRun Check(std::map<std::string, std::optional<std::string>> extra = {}) {
        std::map<std::string, std::optional<std::string>> environment =
            WithRecordingOpener(m_folder, {{"DBUS_SESSION_BUS_ADDRESS", m_bus.Address()},
                                           {"XDG_CACHE_HOME", m_folder + "/cache"},
                                           {"INVOCATION_ID", std::nullopt}});
        for (auto& [name, value] : extra) {
            environment[name] = value;
        }
        return RunCliProgram({"-C", m_folder, "check", "--quiet", "--notify"}, environment);
    }

    std::string m_folder = m_workingDirectory.Path();
    std::string m_cache = m_folder + "/cache/varnolt";
    PrivateSessionBus m_bus{m_folder};
    NotificationService m_service{m_bus.Address()};
    LoopbackServer m_server;
    std::atomic<int> m_fetches{0};
};

} // namespace

// The waiting process ends on whichever comes first of a click, the closing and its time-out;
// only the click opens anything.
TEST_F(NotifyWaiter, EndsOnTheClickTheClosingOrItsTimeOut) {
    enum class End { Click, Close, TimeOut };
    const struct {
        End end;
        const char* waitMs;
    } cases[] = {{End::Click, "600000"}, {End::Close, "600000"}, {End::TimeOut, "300"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end));
        const std::size_t shownBefore = m_service.Received().size();
        const CliRun run = Check({{kClickWaitVariable, c.waitMs}});
        ASSERT_EQ(run.exitStatus, 1) << run.err;
        ASSERT_EQ(m_service.Received().size(), shownBefore + 1);
        const auto id = static_cast<std::uint32_t>(shownBefore + 1);
        if (c.end != End::TimeOut) {
            EXPECT_EQ(WaitersFor(m_cache), 1) << "nothing awaits the click";
        }
        if (c.end == End::Click) {
            m_service.Click(id);
        } else if (c.end == End::Close) {
            m_service.Close(id);
        }
        EXPECT_TRUE(Eventually([this] { return WaitersFor(m_cache) == 0; }));
        if (c.end == End::Click) {
            EXPECT_EQ(TakeOpened(m_folder), m_cache + "/check-" + std::to_string(id) + ".html");
        } else {
            EXPECT_FALSE(FileExists(m_folder + "/opened"));
        }
    }
}

// Checks in a row share one waiting process, which holds all their notifications: each click
// opens the report of its own check, and once none is on screen it ends.
TEST_F(NotifyWaiter, FiveChecksLeaveOneWaiterAndEachClickOpensItsOwnChecksReport) {
    for (int i = 1; i <= 5; ++i) {
        const CliRun run = Check();
        ASSERT_EQ(run.exitStatus, 1) << run.err;
        EXPECT_EQ(WaitersFor(m_cache), 1) << "after check " << i;
    }
    ASSERT_EQ(m_service.Received().size(), 5u);
    // Not in the order shown.
    for (const std::uint32_t id : {3u, 1u, 5u, 2u}) {
        m_service.Click(id);
        const std::string opened = TakeOpened(m_folder);
        ASSERT_EQ(opened, m_cache + "/check-" + std::to_string(id) + ".html") << id;
        // Check N fetched the Nth page.
        const std::string html = ReadWholeFile(opened);
        EXPECT_THAT(html, ::testing::HasSubstr(Mark(static_cast<int>(id)))) << id;
        EXPECT_THAT(html, ::testing::Not(::testing::HasSubstr(Mark(static_cast<int>(id) + 1))))
            << id;
    }
    EXPECT_EQ(WaitersFor(m_cache), 1) << "the fourth is still on screen";
    m_service.Close(4);
    EXPECT_TRUE(Eventually([this] { return WaitersFor(m_cache) == 0; }));
    EXPECT_FALSE(FileExists(m_folder + "/opened"));
}

// Run by the service manager (the hourly timer's unit), the check leaves no process in its own
// unit: the waiting process is started through systemd-run in a scope of its own.
TEST_F(NotifyWaiter, UnderTheServiceManagerTheWaiterRunsInAScopeOfItsOwn) {
    // A stand-in systemd-run: notes its arguments and runs the command after "--".
    const std::string bin = m_folder + "/scope-bin";
    std::filesystem::create_directory(bin);
    WriteWholeFile(bin + "/systemd-run", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + m_folder +
                                             "/scope-arguments\"\nwhile [ \"$1\" != -- ]; do "
                                             "shift; done\nshift\nexec \"$@\"\n");
    std::filesystem::permissions(bin + "/systemd-run", std::filesystem::perms::owner_all);
    std::map<std::string, std::optional<std::string>> environment =
        WithRecordingOpener(m_folder, {});
    const CliRun run = Check(
        {{"INVOCATION_ID", "0123456789abcdef"}, {"PATH", bin + ":" + environment["PATH"].value()}});
    ASSERT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string arguments = ReadWholeFile(m_folder + "/scope-arguments");
    EXPECT_THAT(arguments, ::testing::StartsWith("--user\n--scope\n"));
    EXPECT_THAT(arguments, ::testing::HasSubstr(std::string(kNotificationWaiterArgument) + "\n" +
                                                m_cache + "\n"));
    m_service.Click(1);
    EXPECT_EQ(TakeOpened(m_folder), m_cache + "/check-1.html");
}

// Whatever bears the name a check's report would take is left as it is: the report takes the
// next name, and the click opens it.
TEST_F(NotifyWaiter, ACheckReportNeverWritesOverWhatIsAlreadyThere) {
    std::filesystem::create_directories(m_cache);
    const std::string victim = m_folder + "/victim";
    WriteWholeFile(victim, "mine");
    const std::string taken = m_cache + "/check-1.html";
    const struct {
        const char* what;
        std::function<bool()> plant;
        std::filesystem::file_type kind;
    } cases[] = {
        {"link to another file", [&] { return ::symlink(victim.c_str(), taken.c_str()) == 0; },
         std::filesystem::file_type::symlink},
        {"dangling link",
         [&] { return ::symlink((m_folder + "/nowhere").c_str(), taken.c_str()) == 0; },
         std::filesystem::file_type::symlink},
        {"FIFO", [&] { return ::mkfifo(taken.c_str(), 0600) == 0; },
         std::filesystem::file_type::fifo},
        {"directory", [&] { return ::mkdir(taken.c_str(), 0700) == 0; },
         std::filesystem::file_type::directory},
    };
    std::uint32_t shown = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : std::filesystem::directory_iterator(m_cache)) {
            if (entry.path().filename().string().rfind("notifications.", 0) != 0) {
                std::filesystem::remove_all(entry.path());
            }
        }
        ASSERT_TRUE(c.plant());
        const CliRun run = Check();
        ASSERT_EQ(run.exitStatus, 1) << run.err;
        EXPECT_EQ(std::filesystem::symlink_status(taken).type(), c.kind);
        EXPECT_EQ(ReadWholeFile(victim), "mine");
        EXPECT_FALSE(FileExists(m_folder + "/nowhere"));
        m_service.Click(++shown);
        const std::string opened = TakeOpened(m_folder);
        EXPECT_EQ(opened, m_cache + "/check-2.html");
        EXPECT_THAT(ReadWholeFile(opened), ::testing::HasSubstr(Mark(static_cast<int>(shown))));
    }
}
