// varnolt-cli run as a process against loopback servers, on records in a fresh folder.

#include "CliProcess.h"
#include "fetch/PageFetch.h"
#include "platform/system/ExclusiveFile.h"
#include "records/DateStamp.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <thread>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

struct Answer {
    int status = 200;
    std::string body;
    std::chrono::milliseconds delay{0};
    bool gated = false; // held at the server's gate until the test opens it
};

// A loopback server whose pages the test sets, and that counts the requests it works on at once
// (its default pool serves 8 at once: more than one host may be sent).
class PageServer {
public:
    PageServer() {
        m_server.Routes().Get(
            ".*", [this](const httplib::Request& request, httplib::Response& response) {
                Answer answer;
                {
                    std::unique_lock lock(m_guard);
                    m_highest = std::max(m_highest, ++m_active);
                    m_changed.notify_all();
                    const auto found = m_pages.find(request.path);
                    if (found != m_pages.end()) {
                        answer = found->second;
                    } else {
                        answer.status = 404;
                    }
                    // Held until as many as expected arrive together, so a missing limit shows.
                    if (m_holdUntil > 0) {
                        m_changed.wait_for(lock, std::chrono::seconds(3),
                                           [this] { return m_highest >= m_holdUntil; });
                    }
                    if (answer.gated) {
                        ++m_atGate;
                        m_changed.notify_all();
                        m_changed.wait_for(lock, std::chrono::seconds(10),
                                           [this] { return m_gateOpen; });
                    }
                }
                if (answer.delay.count() > 0) {
                    std::this_thread::sleep_for(answer.delay);
                }
                response.status = answer.status;
                response.set_content(answer.body, "text/html");
                std::lock_guard lock(m_guard);
                --m_active;
            });
        m_server.Start();
    }
    void Set(const std::string& path, Answer answer) {
        std::lock_guard lock(m_guard);
        m_pages[path] = std::move(answer);
    }
    void HoldUntil(int together) {
        std::lock_guard lock(m_guard);
        m_holdUntil = together;
    }
    int Highest() {
        std::lock_guard lock(m_guard);
        return m_highest;
    }
    // True once a request for a gated page waits at the gate.
    bool WaitAtGate() {
        std::unique_lock lock(m_guard);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_atGate > 0; });
    }
    void OpenGate() {
        std::lock_guard lock(m_guard);
        m_gateOpen = true;
        m_changed.notify_all();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    std::mutex m_guard;
    std::condition_variable m_changed;
    std::map<std::string, Answer> m_pages;
    int m_active = 0;
    int m_highest = 0;
    int m_holdUntil = 0;
    int m_atGate = 0;
    bool m_gateOpen = false;
    LoopbackServer m_server;
};

// A failure's text without the transfer library's own words after it, which carry a timing
// ("after 4 ms") that differs from one attempt to the next.
std::string WithoutDetail(const std::string& text) {
    return text.substr(0, text.find("\n\n("));
}

std::string Record(const std::string& url, const std::string& page, const std::string& title = "T",
                   const std::string& date = "1:1:2025") {
    return url + "|" + title + "|" + date + "*" + page;
}

class Cli : public InTempDirectory {
protected:
    CliRun Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments);
    }
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            if (entry.path().filename().string().rfind(".vnttmp-", 0) == 0) {
                found.push_back(entry.path().filename().string());
            }
        }
        return found;
    }
    PageServer m_server;
};

// Stands for another copy of the program holding a record open with no sharing.
class HeldElsewhere {
public:
    explicit HeldElsewhere(const std::string& name) { EXPECT_EQ(m_file.OpenForReading(name), 0); }

private:
    ExclusiveFile m_file;
};

} // namespace

TEST_F(Cli, ExitStatusTellsNothingChangedChangedOrTrouble) {
    m_server.Set("/same", {200, "Same Page"});
    m_server.Set("/new", {200, "new page"});
    struct Case {
        const char* name;
        std::vector<std::string> records; // paths, stored with the text "same page"
        std::vector<std::string> arguments;
        int exitStatus;
    };
    const Case cases[] = {
        {"nothing changed", {"/same"}, {"check"}, 0},
        {"no records at all", {}, {"check"}, 0},
        {"a page changed", {"/same", "/new"}, {"check"}, 1},
        {"a page failed", {"/same", "/gone"}, {"check"}, 2},
        {"changed and failed", {"/new", "/gone"}, {"check"}, 2},
        {"a bad option", {"/same"}, {"check", "--fast"}, 2},
        {"a bad --jobs", {"/same"}, {"check", "--jobs", "0"}, 2},
        {"no command", {}, {}, 2},
        {"an unknown command", {}, {"watch"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            std::filesystem::remove_all(entry.path()); // a history folder too
        }
        for (std::size_t i = 0; i < c.records.size(); ++i) {
            WriteWholeFile(std::to_string(i + 1) + ".vnt",
                           Record(m_server.Url(c.records[i]), "same page"));
        }
        const CliRun run = Run(c.arguments);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
    }
}

TEST_F(Cli, AMissingOrUnreadableFolderIsAnErrorNotAnEmptyResult) {
    WriteWholeFile("plain-file", "x");
    for (const std::string& folder :
         {m_workingDirectory.Path() + "/missing", m_workingDirectory.Path() + "/plain-file"}) {
        for (const char* command : {"check", "list"}) {
            SCOPED_TRACE(folder + " " + command);
            const CliRun run = RunCliProgram({"-C", folder, command});
            EXPECT_EQ(run.exitStatus, 2);
            EXPECT_EQ(run.out, "");
            EXPECT_THAT(run.err, HasSubstr("cannot use the folder of records " + folder));
        }
    }
}

TEST_F(Cli, TheDefaultFolderIsVarnoltInTheDataHome) {
    std::filesystem::create_directories("data/varnolt");
    std::filesystem::create_directories("home/.local/share/varnolt");
    WriteWholeFile("data/varnolt/1.vnt", Record("http://in.data.home/", "p"));
    WriteWholeFile("home/.local/share/varnolt/1.vnt", Record("http://in.home/", "p"));
    const std::string here = m_workingDirectory.Path();

    CliRun run =
        RunCliProgram({"list"}, {{"XDG_DATA_HOME", here + "/data"}, {"HOME", here + "/home"}});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_THAT(run.out, HasSubstr("http://in.data.home/"));

    run = RunCliProgram({"list"}, {{"XDG_DATA_HOME", std::nullopt}, {"HOME", here + "/home"}});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_THAT(run.out, HasSubstr("http://in.home/"));

    // A Varnolt folder not made yet holds no pages, and says which folder that is.
    run = RunCliProgram({"list"}, {{"XDG_DATA_HOME", here + "/nowhere"}, {"HOME", here}});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(here + "/nowhere/varnolt"));
}

TEST_F(Cli, CheckPrintsTheWindowsLinesInRecordNumberOrder) {
    RefusingPort refusing;
    const std::string unreachable = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/";
    // The first record's page comes last, so the order cannot come from the network.
    m_server.Set("/first", {200, "SAME page", std::chrono::milliseconds(300)});
    m_server.Set("/second", {200, "<p><title>Second</title>a new page"});
    m_server.Set("/held", {200, "another new page"});
    WriteWholeFile("1.vnt", Record(m_server.Url("/first"), "same PAGE"));
    WriteWholeFile("2.vnt", Record(m_server.Url("/second"), "old page"));
    WriteWholeFile("3.vnt", Record(m_server.Url("/missing"), "old page"));
    WriteWholeFile("10.vnt", Record(unreachable, "old page"));
    WriteWholeFile("4.vnt", Record(m_server.Url("/held"), "old page"));
    const std::string held = ReadWholeFile("4.vnt");
    CliRun run;
    {
        // Another process holds record 4 throughout: it is passed over without a line.
        HeldElsewhere holder("4.vnt");
        run = Run({"check"});
    }

    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.out, m_server.Url("/first") + "\n" + "UPDATE " + m_server.Url("/second") + "\n" +
                           "Page Error " + m_server.Url("/missing") + "\n" + "Error " +
                           unreachable + "\n");
    // Each failure's reason on a line of its own: the status in words, then the reason the
    // window's message box would give.
    EXPECT_THAT(run.err,
                StartsWith("varnolt-cli: the server answered 404 Not Found\nvarnolt-cli: " +
                           WithoutDetail(PageFetch(unreachable).strErrorMessage)));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2);
    EXPECT_EQ(ReadWholeFile("2.vnt"),
              Record(m_server.Url("/second"), "<p><title>Second</title>a new page", "Second",
                     DateStamp()));
    EXPECT_EQ(ReadWholeFile("1.vnt"), Record(m_server.Url("/first"), "same PAGE"));
    EXPECT_EQ(ReadWholeFile("4.vnt"), held);
    EXPECT_EQ(ReadWholeFile("time.ini"), DateStamp());
    EXPECT_TRUE(Temporaries().empty());
}

// As the window's check, a record is read once its page is in: one rewritten while its page was
// on the way is compared as it is then, and is not overwritten from an older reading.
TEST_F(Cli, CheckComparesTheRecordAsItIsWhenItsPageArrives) {
    Answer gated{200, "the NEW page"};
    gated.gated = true;
    m_server.Set("/page", gated);
    WriteWholeFile("1.vnt", Record(m_server.Url("/page"), "the old page"));

    CliProcess process({"-C", m_workingDirectory.Path(), "check"});
    const bool atGate = m_server.WaitAtGate();
    const std::string rewritten = Record(m_server.Url("/page"), "THE new PAGE", "New", "2:2:2026");
    WriteWholeFile("1.vnt", rewritten);
    m_server.OpenGate();
    const CliRun run = process.Finish();

    ASSERT_TRUE(atGate);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, m_server.Url("/page") + "\n");
    EXPECT_EQ(ReadWholeFile("1.vnt"), rewritten);
}

TEST_F(Cli, QuietPrintsOnlyChangedAndFailedPages) {
    m_server.Set("/same", {200, "page"});
    m_server.Set("/new", {200, "new page"});
    WriteWholeFile("1.vnt", Record(m_server.Url("/same"), "page"));
    WriteWholeFile("2.vnt", Record(m_server.Url("/new"), "page"));
    WriteWholeFile("3.vnt", Record(m_server.Url("/gone"), "page"));
    WriteWholeFile("4.vnt", Record(m_server.Url("/same"), "PAGE"));

    const CliRun run = Run({"check", "--quiet"});

    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.out,
              "UPDATE " + m_server.Url("/new") + "\nPage Error " + m_server.Url("/gone") + "\n");

    // Nothing to say: nothing printed.
    WriteWholeFile("3.vnt", Record(m_server.Url("/same"), "page"));
    const CliRun silent = Run({"check", "--quiet"});
    EXPECT_EQ(silent.exitStatus, 0);
    EXPECT_EQ(silent.out, "");
    EXPECT_EQ(silent.err, "");
}

TEST_F(Cli, DiffShowsWhatChangedIgnoringLetterCase) {
    m_server.Set("/page", {200, "one\nTWO\nthree\nfour\nfive\nsix\nseven\n"});
    WriteWholeFile("1.vnt", Record(m_server.Url("/page"), "one\ntwo\n3\nfour\nfive\nsix\nseven\n"));

    const CliRun run = Run({"check", "--diff"});

    EXPECT_EQ(run.exitStatus, 1);
    // "two" and "TWO" are the same line to the check, so only the third line differs.
    EXPECT_EQ(run.out, "UPDATE " + m_server.Url("/page") + "\n" + "--- 1.vnt (stored)\n" + "+++ " +
                           m_server.Url("/page") + "\n" + "@@ -1,7 +1,7 @@\n" + " one\n" +
                           " two\n" + "-3\n" + "+three\n" + " four\n" + " five\n" + " six\n" +
                           " seven\n");
}

TEST_F(Cli, CheckSendsTheWindowsRequestByteForByte) {
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\npage");
    });
    const std::string url = server.Url("/a page?x=1#top");
    WriteWholeFile("1.vnt", Record(url, "page"));

    ASSERT_EQ(PageFetch(url).kind, FetchOutcome::Kind::Received);
    const CliRun run = Run({"check"});

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], requests[0]);
}

TEST_F(Cli, CheckOpensNoMoreConnectionsThanAllowed) {
    for (int i = 1; i <= 18; ++i) {
        m_server.Set("/" + std::to_string(i), {200, "page"});
        WriteWholeFile(std::to_string(i) + ".vnt",
                       Record(m_server.Url("/" + std::to_string(i)), "page"));
    }
    // At most 6 to one host, whatever --jobs allows; fewer when --jobs says so.
    m_server.HoldUntil(6);
    CliRun run = Run({"check", "--jobs", "16"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(m_server.Highest(), 6);

    PageServer second;
    for (int i = 1; i <= 18; ++i) {
        second.Set("/" + std::to_string(i), {200, "page"});
        WriteWholeFile(std::to_string(i) + ".vnt",
                       Record(second.Url("/" + std::to_string(i)), "page"));
    }
    second.HoldUntil(2);
    run = Run({"check", "--jobs", "2"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(second.Highest(), 2);
}

// By default up to 20 pages at once: two servers under two host names let 12 (6 each) run
// together, where 8 at once could never fill both.
TEST_F(Cli, CheckFetchesUpToTwentyPagesAtOnceByDefault) {
    PageServer other;
    for (int i = 1; i <= 18; ++i) {
        const std::string path = "/" + std::to_string(i);
        m_server.Set(path, {200, "page"});
        other.Set(path, {200, "page"});
        std::string url = m_server.Url(path);
        if (i % 2 == 0) {
            url = other.Url(path);
            url.replace(url.find("127.0.0.1"), 9, "localhost");
        }
        WriteWholeFile(std::to_string(i) + ".vnt", Record(url, "page"));
    }
    m_server.HoldUntil(6);
    other.HoldUntil(6);
    const CliRun run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(m_server.Highest() + other.Highest(), 12);
}

TEST_F(Cli, InterruptedCheckLeavesEveryRecordWholeAndExits130) {
    constexpr int kRecords = 16;
    const std::string oldPage(512 * 1024, 'o');
    const std::string newPage(2 * 1024 * 1024, 'n');
    for (int i = 1; i <= kRecords; ++i) {
        const std::string path = "/" + std::to_string(i);
        m_server.Set(path, {200, newPage, std::chrono::milliseconds(i == 1 ? 0 : 150)});
        WriteWholeFile(std::to_string(i) + ".vnt", Record(m_server.Url(path), oldPage));
    }

    CliProcess process({"-C", m_workingDirectory.Path(), "check", "--jobs", "2"});
    ASSERT_TRUE(process.WaitForOutput("UPDATE ", std::chrono::seconds(30)));
    process.Signal(SIGINT);
    const CliRun run = process.Finish();

    EXPECT_EQ(run.exitStatus, 130);
    EXPECT_THAT(run.err, HasSubstr("stopped"));
    int rewritten = 0;
    for (int i = 1; i <= kRecords; ++i) {
        const std::string url = m_server.Url("/" + std::to_string(i));
        const std::string text = ReadWholeFile(std::to_string(i) + ".vnt");
        const bool old = text == Record(url, oldPage);
        const bool renewed = text == Record(url, newPage, "untitle", DateStamp());
        EXPECT_TRUE(old || renewed) << "record " << i << " is neither the old nor the new one";
        rewritten += renewed ? 1 : 0;
    }
    EXPECT_GE(rewritten, 1);
    EXPECT_LT(rewritten, kRecords) << "the check was not stopped";
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(Cli, AddStoresPagesAndExplainsThoseItCannot) {
    RefusingPort refusing;
    const std::string unreachable = "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/x";
    m_server.Set("/page", {200, "<p><title>Hi</title>body"});
    m_server.Set("/broken", {500, "oops"});
    struct Case {
        std::string url;
        int exitStatus;
        std::string out;
        std::string err;
        bool stored;
    };
    const Case cases[] = {
        {m_server.Url("/page"), 0, m_server.Url("/page") + "\n", "", true},
        {m_server.Url("/none"), 2, "File Not Found " + m_server.Url("/none") + "\n", "", false},
        {m_server.Url("/broken"), 2, "Page Error " + m_server.Url("/broken") + "\n",
         m_server.Url("/broken") + ": the server answered 500 Internal Server Error", false},
        {unreachable, 2, "", PageFetch(unreachable).strErrorMessage, false},
        {"ftp://127.0.0.1/file", 2, "", PageFetch("ftp://127.0.0.1/file").strErrorMessage, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::filesystem::remove("1.vnt");
        std::filesystem::remove("name.ini");
        const CliRun run = Run({"add", c.url});
        EXPECT_EQ(run.exitStatus, c.exitStatus);
        EXPECT_EQ(run.out, c.out);
        if (c.err.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            // The reason the window's message box would give, on one line.
            EXPECT_THAT(run.err, StartsWith("varnolt-cli: " + WithoutDetail(c.err)));
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
        }
        EXPECT_EQ(FileExists("1.vnt"), c.stored);
        if (c.stored) {
            EXPECT_EQ(ReadWholeFile("1.vnt"),
                      Record(m_server.Url("/page"), "<p><title>Hi</title>body", "Hi", DateStamp()));
        }
    }

    // Several at once, numbered in turn.
    WriteWholeFile("name.ini", "1");
    const CliRun run = Run({"add", m_server.Url("/page"), m_server.Url("/page")});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(FileExists("2.vnt"));
    EXPECT_TRUE(FileExists("3.vnt"));
}

TEST_F(Cli, ListShowsNumberDateAddressAndTitleInNumberOrder) {
    WriteWholeFile("10.vnt", Record("http://ten/", "p", "Ten", "3:3:2025"));
    WriteWholeFile("2.vnt", Record("http://two/", "p", "Caf\xe9 | Menu", "2:2:2025"));
    WriteWholeFile("1.vnt", Record("http://one/", "p", "Caf\xc3\xa9\tand\nmore", "1:1:2025"));
    WriteWholeFile("5.vnt", "no separator in the first line\n|later");

    const CliRun run = Run({"list"});

    EXPECT_EQ(run.exitStatus, 0);
    // Dates as ISO 8601; UTF-8 stays as it is; other bytes are Latin-1; a tab or line end
    // becomes a blank.
    EXPECT_EQ(run.out, "1\t2025-01-01\thttp://one/\tCaf\xc3\xa9 and more\n"
                       "2\t2025-02-02\thttp://two/\tCaf\xc3\xa9 | Menu\n"
                       "10\t2025-03-03\thttp://ten/\tTen\n");
}

TEST_F(Cli, RemoveDeletesByNumberOrAddressButNotAHeldRecord) {
    WriteWholeFile("1.vnt", Record("http://one/", "p"));
    WriteWholeFile("2.vnt", Record("http://two/", "p"));
    WriteWholeFile("3.vnt", Record("http://Two/", "p"));
    WriteWholeFile("4.vnt", Record("http://four/", "p"));

    CliRun run = Run({"remove", "1", "HTTP://TWO/"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_FALSE(FileExists("1.vnt"));
    // The first record with that address in the order the folder gives, as Delete URL finds it.
    EXPECT_NE(FileExists("2.vnt"), FileExists("3.vnt"));

    {
        HeldElsewhere holder("4.vnt");
        run = Run({"remove", "4"});
    }
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("4.vnt is held open by another program"));
    EXPECT_TRUE(FileExists("4.vnt"));

    run = Run({"remove", "7", "http://nowhere/"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("no record number 7"));
    EXPECT_THAT(run.err, HasSubstr("no record for http://nowhere/"));
}

TEST_F(Cli, HelpOnEveryLevelAndTheVersion) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--help"},
                                               {"check", "--help"},
                                               {"add", "--help"},
                                               {"list", "--help"},
                                               {"remove", "--help"},
                                               {"rules", "-h"},
                                               {"show", "--help"},
                                               {"help"},
                                               {"help", "check"}}) {
        SCOPED_TRACE(arguments.front() + " " + arguments.back());
        // Help needs no folder of records.
        const CliRun run = RunCliProgram(arguments, {{"HOME", "/nonexistent"}});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_THAT(run.out, StartsWith("Usage: varnolt-cli"));
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(RunCliProgram({"help", "check"}).out, RunCliProgram({"check", "--help"}).out);
    const CliRun unknown = RunCliProgram({"help", "watch"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_EQ(unknown.err, "varnolt-cli: no verb 'watch' (see 'varnolt-cli --help')\n");
    const CliRun run = RunCliProgram({"--version"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "varnolt-cli 1.0.0.1\n");
}

// A word that names no verb is said to be none, with the verb meant when one is near, wherever
// it stands and whatever follows it.
TEST_F(Cli, AnUnknownVerbIsNamedWithTheNearestVerb) {
    const std::string folder = m_workingDirectory.Path();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"chek"}, "no verb 'chek'; did you mean 'check'?"},
        {{"-C", folder, "lsit", "--json"}, "no verb 'lsit'; did you mean 'list'?"},
        {{"rmove", "1"}, "no verb 'rmove'; did you mean 'remove'?"},
        {{"hist"}, "no verb 'hist'; did you mean 'history'?"},
        {{"notify", "add", "X"}, "no verb 'notify' (see 'varnolt-cli --help')"},
        {{"help", "chek"}, "no verb 'chek'; did you mean 'check'?"},
    };
    for (const auto& [arguments, words] : cases) {
        SCOPED_TRACE(arguments.front());
        const CliRun run = RunCliProgram(arguments);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "varnolt-cli: " + words + "\n");
    }
}

// What add and remove say, as a table of (command, output, errors, exit status).
TEST_F(Cli, AddAndRemoveSayWhatTheyDid) {
    m_server.Set("/page", {200, "<title>P</title>page"});
    m_server.Set("/broken", {500, "oops"});
    const std::string page = m_server.Url("/page");
    const std::string broken = m_server.Url("/broken");
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
        std::string err;
        int exitStatus;
    };
    const Case cases[] = {
        {{"add", page}, page + "\n", "", 0},
        // Scripts may add idempotently: an address watched already is said, and no failure.
        {{"add", page, broken},
         "already watched as record 1 " + page + "\nPage Error " + broken + "\n",
         "varnolt-cli: " + broken + ": the server answered 500 Internal Server Error\n",
         2},
        {{"add", "--again", page}, page + "\n", "", 0},
        {{"remove", "2", "1"}, "removed 2 " + page + "\nremoved 1 " + page + "\n", "", 0},
        {{"remove", "1"}, "", "varnolt-cli: no record number 1\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
        const CliRun run = Run(c.arguments);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.exitStatus, c.exitStatus);
    }
}

// Output that cannot be written is trouble, said on one line; a listing is no listing then.
TEST_F(Cli, OutputThatCannotBeWrittenIsAnError) {
    WriteWholeFile("1.vnt", Record("http://a.test/", "p"));
    const CliRun run = RunCliProgram({"-C", m_workingDirectory.Path(), "list"}, {},
                                     {"sh", "-c", "exec \"$@\" >/dev/full", "sh"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, StartsWith("varnolt-cli: cannot write the output"));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(Cli, NotifyWithoutASessionBusWarnsOnceAndKeepsTheExitStatus) {
    m_server.Set("/new", {200, "new page"});
    WriteWholeFile("1.vnt", Record(m_server.Url("/new"), "old"));
    const CliRun run = RunCliProgram(
        {"-C", m_workingDirectory.Path(), "check", "--notify"},
        {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_workingDirectory.Path() + "/no-bus"},
         {"XDG_RUNTIME_DIR", m_workingDirectory.Path() + "/no-runtime"}});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "UPDATE " + m_server.Url("/new") + "\n");
    EXPECT_THAT(run.err, StartsWith("varnolt-cli: no desktop notification: "));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}
