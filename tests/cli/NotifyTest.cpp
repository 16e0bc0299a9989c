// --notify on a private session bus, with a stand-in notification service in the test.

#include "CliProcess.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <systemd/sd-bus.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
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
                if (sd_bus_process(m_bus, nullptr) > 0) {
                    continue;
                }
                sd_bus_wait(m_bus, 50 * 1000);
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

private:
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
        Notification received{app, icon, summary, body, {}};
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
            sd_bus_emit_signal(sd_bus_message_get_bus(call), "/org/freedesktop/Notifications",
                               "org.freedesktop.Notifications", "ActionInvoked", "us", id,
                               "default");
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
                                                   {"XDG_CACHE_HOME", folder + "/cache"}}));
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
