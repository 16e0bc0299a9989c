// Closing the main window while a job runs, seen from outside: the whole application runs in a
// process of its own (tests/programs/close_during_check.cpp), which presses Start once its
// window shows and Exit when the test creates "close-now" in its working directory.
#include "platform/system/ReplacingFile.h"
#include "records/RecordText.h"
#include "support/RawSocketServer.h"
#include "support/ScopedEnvironment.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Generous bounds for a process that may run under a sanitizer on a busy machine.
constexpr auto kStartLimit = std::chrono::seconds(60);
constexpr auto kExitBound = std::chrono::seconds(1);
constexpr auto kExitLimit = std::chrono::seconds(20);

// The application in a child process, started in the current working directory with its
// output in files there. It inherits the test's environment, in which the fixture leaves no
// proxy variable, so it talks to the test's own server only. A child still running at the end is
// killed.
class ApplicationProcess {
public:
    ApplicationProcess() {
        std::string program = VNT_CLOSE_DURING_CHECK_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "child-stdout.txt",
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "child-stderr.txt",
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int error = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(error);
            m_pid = -1;
        }
    }
    ~ApplicationProcess() {
        if (Running()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &m_status, 0);
        }
    }
    ApplicationProcess(const ApplicationProcess&) = delete;
    ApplicationProcess& operator=(const ApplicationProcess&) = delete;

    bool Running() {
        if (m_pid < 0 || m_ended) {
            return false;
        }
        if (::waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
            m_ended = true;
        }
        return !m_ended;
    }
    // Waits until the child ends or the limit passes; true when it ended.
    template <typename Duration> bool WaitForExit(Duration limit) {
        const auto deadline = Clock::now() + limit;
        while (Running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return !Running();
    }
    int Status() const { return m_status; }

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_ended = false;
};

// Waits for the condition while the child runs; false when the child ended or time ran out.
template <typename Condition>
bool WaitWhileRunning(ApplicationProcess& child, Condition condition) {
    const auto deadline = Clock::now() + kStartLimit;
    while (!condition()) {
        if (!child.Running() || Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Tells the child to press Exit and measures how long its process takes to end.
Clock::duration CloseAndTimeTheExit(ApplicationProcess& child) {
    const auto pressed = Clock::now();
    WriteWholeFile("close-now", "");
    EXPECT_TRUE(child.WaitForExit(kExitLimit)) << "the process did not end";
    const auto took = Clock::now() - pressed;
    std::printf("[  CLOSED  ] the process ended %lld ms after Exit was asked for\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    return took;
}

void ExpectAnOrdinaryEnd(const ApplicationProcess& child) {
    ASSERT_TRUE(WIFEXITED(child.Status())) << "status " << child.Status();
    EXPECT_EQ(WEXITSTATUS(child.Status()), 0);
    // Sanitizer builds instrument the child too: it must report nothing.
    const std::string errors = ReadWholeFile("child-stderr.txt");
    EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
}

std::map<std::string, std::string> FilesHere() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        files[name] = entry.is_directory() ? std::string() : ReadWholeFile(name); // a history
    }
    return files;
}

class ClosingTheWindow : public InTempDirectory {
protected:
    WithoutProxyVariables m_noProxy;
};

TEST_F(ClosingTheWindow, DuringACheckBlockedOnTheNetworkEndsTheProcessAndLeavesRecordsWhole) {
    const std::string changedPage = "<html><title>Changed</title>new text</html>";
    std::atomic<int> served{0};
    // The first page asked for arrives changed at once; every later one is held mid-body.
    RawSocketServer server([&](RawConnection& peer) {
        const bool first = ++served == 1;
        peer.ReadRequestHead();
        if (first) {
            peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + changedPage);
            return;
        }
        peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>first part");
        peer.WaitForRelease();
    });
    std::map<std::string, std::string> written;
    for (int n = 1; n <= 3; ++n) {
        const std::string name = std::to_string(n) + ".vnt";
        written[name] = server.Url("/page" + std::to_string(n)) + "|Old " + std::to_string(n) +
                        "|1:1:2024*<html>old page " + std::to_string(n) + "</html>";
        WriteWholeFile(name, written[name]);
    }

    ApplicationProcess child;
    // The check has rewritten the first page it fetched and waits on the second.
    ASSERT_TRUE(WaitWhileRunning(child, [&] { return server.Requests().size() >= 2; }))
        << ReadWholeFile("child-stderr.txt");
    EXPECT_LT(CloseAndTimeTheExit(child), kExitBound);
    ExpectAnOrdinaryEnd(child);

    // Every record is whole: the one rewritten holds the new page, the others are untouched,
    // and no temporary is left.
    int rewritten = 0;
    for (const auto& [name, bytes] : FilesHere()) {
        EXPECT_NE(name.rfind(kTemporaryPrefix, 0), 0u) << name;
        if (!written.count(name)) {
            continue;
        }
        if (bytes == written[name]) {
            continue;
        }
        ++rewritten;
        const RecordFields fields = SplitRecord(bytes);
        EXPECT_EQ(fields.url, SplitRecord(written[name]).url) << name;
        EXPECT_EQ(fields.title, "Changed") << name;
        EXPECT_EQ(fields.page, changedPage) << name;
    }
    EXPECT_EQ(rewritten, 1);
    for (const auto& [name, bytes] : written) {
        EXPECT_TRUE(FileExists(name)) << name;
    }
}

TEST_F(ClosingTheWindow, AfterTheCheckHasEndedEndsTheProcessTheOrdinaryWay) {
    ApplicationProcess child;
    // Start stamps the day of the check; with no records the check ends at once.
    ASSERT_TRUE(WaitWhileRunning(child, [] { return FileExists("time.ini"); }))
        << ReadWholeFile("child-stderr.txt");
    EXPECT_LT(CloseAndTimeTheExit(child), kExitBound);
    ExpectAnOrdinaryEnd(child);
}

} // namespace
