// A page's history from the command line, end to end: checks keep the copies they replace, even
// when killed between keeping the copy and replacing the record; log and diff show three
// versions; a page with rules keeps a version only when it changed under them; history off keeps
// none; remove takes the history with the record.

#include "CliProcess.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::HasSubstr;

namespace {

// Serves "/page" with whatever the test set last.
class SettablePage {
public:
    SettablePage() {
        m_server.Routes().Get("/page", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(m_guard);
            res.set_content(m_page, "text/html");
        });
        m_server.Start();
    }
    void Set(std::string page) {
        std::lock_guard lock(m_guard);
        m_page = std::move(page);
    }
    std::string Url() const { return m_server.Url("/page"); }

private:
    std::mutex m_guard;
    std::string m_page;
    LoopbackServer m_server;
};

std::vector<std::string> HistoryFiles() {
    std::vector<std::string> files;
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator("1.vnt.history", none)) {
        if (entry.path().filename().string().rfind(".vnttmp-", 0) != 0) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CliHistory : public InTempDirectory {
protected:
    CliRun Run(std::vector<std::string> arguments,
               const std::map<std::string, std::optional<std::string>>& environment = {},
               const CliWrapper& wrapper = {}) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments, environment, wrapper);
    }
    // Record 1 holds the first page; each further page is checked in, one after the other.
    void CheckIn(const std::vector<std::string>& pages) {
        WriteWholeFile("1.vnt", m_page.Url() + "|T|1:1:2025*" + pages.front());
        for (std::size_t i = 1; i < pages.size(); ++i) {
            m_page.Set(pages[i]);
            const CliRun check = Run({"check"});
            ASSERT_EQ(check.exitStatus, 1) << check.out << check.err;
        }
    }
    SettablePage m_page;
};

// The check is killed once the old copy is in the history and before the record is replaced (at
// each step the rewrite reaches there): the old copy is whole in both. The next check replaces the
// record and the old copy is still kept.
TEST_F(CliHistory, AKillBetweenKeepingAndReplacingLosesNothing) {
    for (const std::string killAt : {"before-lock", "locked"}) {
        SCOPED_TRACE(killAt);
        std::filesystem::remove_all("1.vnt.history");
        const std::string old = m_page.Url() + "|T|1:1:2025*old page\nline two\n";
        WriteWholeFile("1.vnt", old);
        m_page.Set("new page\nline two\n");
        std::filesystem::create_directory("hold");
        ASSERT_EQ(::mkfifo("hold/reached", 0600), 0);
        ASSERT_EQ(::mkfifo("hold/go", 0600), 0);
        CliProcess check({"-C", m_workingDirectory.Path(), "check"},
                         {{"VARNOLT_TEST_HOLD_REPLACE", "1.vnt"},
                          {"VARNOLT_TEST_HOLD_DIR", m_workingDirectory.Path() + "/hold"}});
        for (std::string step = NextHeldStep(); step != killAt; step = NextHeldStep()) {
            ASSERT_EQ(step, "before-lock") << check.Finish().err;
            std::ofstream("hold/go") << 'g';
        }
        check.Signal(SIGKILL);
        EXPECT_EQ(check.Finish().exitStatus, 128 + SIGKILL);
        EXPECT_EQ(ReadWholeFile("1.vnt"), old);
        const std::vector<std::string> kept = HistoryFiles();
        ASSERT_EQ(kept.size(), 1U);
        EXPECT_EQ(ReadWholeFile(kept.front()), old);
        std::filesystem::remove_all("hold");

        const CliRun again = Run({"check"});
        EXPECT_EQ(again.exitStatus, 1) << again.err;
        EXPECT_THAT(ReadWholeFile("1.vnt"), HasSubstr("*new page"));
        for (const std::string& file : HistoryFiles()) {
            EXPECT_EQ(ReadWholeFile(file), old);
        }
    }
}

TEST_F(CliHistory, LogAndDiffShowThreeVersions) {
    CheckIn({"a\nb\nc\n", "a\nB2\nc\nd\n", "a\nB2\nd\n"});
    const CliRun log = Run({"log", "1"});
    ASSERT_EQ(log.exitStatus, 0) << log.err;
    std::istringstream in(log.out);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
        rows.push_back(fields);
    }
    ASSERT_EQ(rows.size(), 3U) << log.out;
    const std::string expected[3][3] = {{"1", "+0", "-1"}, {"2", "+2", "-1"}, {"3", "-", "-"}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(rows[i].size(), 5U) << log.out;
        EXPECT_EQ(rows[i][0], expected[i][0]);
        EXPECT_THAT(rows[i][1], ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2} "
                                                        "[0-9]{2}:[0-9]{2}:[0-9]{2}"));
        EXPECT_EQ(rows[i][3], expected[i][1]);
        EXPECT_EQ(rows[i][4], expected[i][2]);
    }
    EXPECT_EQ(rows[2][2], std::to_string(ReadWholeFile(HistoryFiles().front()).size()));

    const CliRun json = Run({"log", "--json", "1"});
    EXPECT_THAT(json.out, HasSubstr("\"added\":2,\"bytes\":"));
    EXPECT_THAT(json.out, HasSubstr("\"added\":null"));

    // The last change by default, any two versions on demand; colour only on a terminal and
    // without NO_COLOR.
    const CliRun last = Run({"diff", "1"});
    EXPECT_EQ(last.exitStatus, 1) << last.err;
    EXPECT_THAT(last.out, HasSubstr("@@ -1,4 +1,3 @@\n a\n B2\n-c\n d\n"));
    EXPECT_THAT(last.out, HasSubstr(" version 2 ("));
    EXPECT_EQ(last.out.find('\x1b'), std::string::npos);
    const CliRun whole = Run({"diff", "1", "--from", "3", "--to", "1"});
    EXPECT_THAT(whole.out, HasSubstr("@@ -1,3 +1,3 @@\n a\n"));
    EXPECT_THAT(whole.out, HasSubstr("\n-b\n"));
    EXPECT_THAT(whole.out, HasSubstr("\n+B2\n"));
    const CliRun same = Run({"diff", "1", "--from", "2", "--to", "2"});
    EXPECT_EQ(same.exitStatus, 0);
    EXPECT_EQ(same.out, "");

    if (!std::filesystem::exists("/usr/bin/script")) {
        GTEST_SKIP() << "script(1) is missing: the colour on a terminal is not tried";
    }
    // script runs the program on a terminal of its own.
    const CliWrapper onTerminal = {"sh", "-c", "exec script -qec \"$*\" /dev/null", "sh"};
    const CliRun coloured = Run({"diff", "1"}, {{"NO_COLOR", std::nullopt}}, onTerminal);
    EXPECT_THAT(coloured.out, HasSubstr("\x1b[31m-c\x1b[0m"));
    const CliRun added =
        Run({"diff", "1", "--from", "3"}, {{"NO_COLOR", std::nullopt}}, onTerminal);
    EXPECT_THAT(added.out, HasSubstr("\x1b[32m+B2\x1b[0m"));
    const CliRun plain = Run({"diff", "1"}, {{"NO_COLOR", "1"}}, onTerminal);
    EXPECT_THAT(plain.out, HasSubstr("-c"));
    EXPECT_EQ(plain.out.find("\x1b["), std::string::npos);
}

TEST_F(CliHistory, VersionsThatDoNotExistAreErrors) {
    CheckIn({"only\n"});
    const CliRun none = Run({"diff", "1"});
    EXPECT_EQ(none.exitStatus, 2);
    EXPECT_THAT(none.err, HasSubstr("has no earlier version"));
    m_page.Set("second\n");
    ASSERT_EQ(Run({"check"}).exitStatus, 1);
    const CliRun beyond = Run({"diff", "1", "--from", "3"});
    EXPECT_EQ(beyond.exitStatus, 2);
    EXPECT_THAT(beyond.err, HasSubstr("has no version 3 (it has 2"));
    EXPECT_EQ(Run({"diff", "1", "--to", "0"}).exitStatus, 2);
}

// Under rules, noise is no change and keeps nothing; a real change keeps one version, and the
// log and diff show the compared text.
TEST_F(CliHistory, APageWithRulesKeepsAVersionOnlyWhenItChangedUnderThem) {
    CheckIn({"<p>price 5</p><p>Served at 1</p>"});
    ASSERT_EQ(Run({"rules", "1", "--text", "--ignore", "^Served at"}).exitStatus, 0);
    m_page.Set("<p>price 5</p><p>Served at 2</p>");
    EXPECT_EQ(Run({"check"}).exitStatus, 0);
    EXPECT_TRUE(HistoryFiles().empty());
    m_page.Set("<p>price 6</p><p>Served at 3</p>");
    EXPECT_EQ(Run({"check"}).exitStatus, 1);
    EXPECT_EQ(HistoryFiles().size(), 1U);
    const CliRun diff = Run({"diff", "1"});
    EXPECT_THAT(diff.out, HasSubstr("-price 5\n+price 6\n"));
    EXPECT_THAT(diff.out, ::testing::Not(HasSubstr("Served")));
}

TEST_F(CliHistory, HistoryOffKeepsNothingAndRemoveTakesTheHistory) {
    const CliRun shown = Run({"history"});
    EXPECT_EQ(shown.out, "keep 20\nmax-mib 50\n");
    CheckIn({"one\n", "two\n"});
    EXPECT_EQ(HistoryFiles().size(), 1U);

    ASSERT_EQ(Run({"history", "--keep", "0"}).exitStatus, 0);
    EXPECT_EQ(Run({"history"}).out, "keep 0\nmax-mib 50\n");
    m_page.Set("three\n");
    ASSERT_EQ(Run({"check"}).exitStatus, 1);
    EXPECT_TRUE(HistoryFiles().empty()) << "keep 0 drops what was kept";
    EXPECT_THAT(Run({"log", "1"}).out, ::testing::StartsWith("1\t"));

    ASSERT_EQ(Run({"history", "--keep", "5", "--max-mib", "2"}).exitStatus, 0);
    EXPECT_EQ(Run({"history"}).out, "keep 5\nmax-mib 2\n");
    m_page.Set("four\n");
    ASSERT_EQ(Run({"check"}).exitStatus, 1);
    EXPECT_EQ(HistoryFiles().size(), 1U);
    const CliRun remove = Run({"remove", "1"});
    EXPECT_EQ(remove.exitStatus, 0) << remove.err;
    EXPECT_FALSE(std::filesystem::exists("1.vnt.history"));
}

// A history that cannot be kept fails the page's check with the reason, and its record stays.
TEST_F(CliHistory, APageWhoseCopyCannotBeKeptFailsAndStays) {
    CheckIn({"one\n"});
    const std::string before = ReadWholeFile("1.vnt");
    WriteWholeFile("1.vnt.history", "in the way");
    m_page.Set("two\n");
    const CliRun check = Run({"check"});
    EXPECT_EQ(check.exitStatus, 2);
    EXPECT_EQ(check.out, "Error " + m_page.Url() + "\n");
    EXPECT_THAT(check.err, HasSubstr("its earlier copy could not be kept"));
    EXPECT_EQ(ReadWholeFile("1.vnt"), before);
}

// remove takes every file of the record whatever each has become, and names each one that stays
// with its reason (exit 2).
TEST_F(CliHistory, RemoveTakesTheHistoryWhateverItIsOrSaysWhyNot) {
    struct Case {
        const char* name;
        std::function<bool()> make; // false: the case cannot be set up here
        int exitStatus;
        const char* complaint;
    };
    const Case cases[] = {
        {"history is a link",
         [] {
             std::filesystem::create_directory("elsewhere");
             std::filesystem::create_directory_symlink("elsewhere", "1.vnt.history");
             return true;
         },
         0, ""},
        {"history is a file",
         [] {
             WriteWholeFile("1.vnt.history", "x");
             return true;
         },
         0, ""},
        {"history holds a folder",
         [] {
             std::filesystem::create_directories("1.vnt.history/inner");
             WriteWholeFile("1.vnt.history/inner/x", "x");
             return true;
         },
         0, ""},
        {"rules and seen copy",
         [] {
             WriteWholeFile("1.vnt.rules", "text\n");
             WriteWholeFile("1.vnt.seen", "seen");
             return true;
         },
         0, ""},
        {"history holds another disk",
         [] {
             std::filesystem::create_directories("1.vnt.history/mounted");
             return ::mount("tmpfs", "1.vnt.history/mounted", "tmpfs", MS_NOSUID | MS_NODEV,
                            "size=64k") == 0;
         },
         2, "cannot remove 1.vnt.history: Device or resource busy\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile("1.vnt", m_page.Url() + "|T|1:1:2025*page");
        if (!c.make()) {
            std::filesystem::remove_all("1.vnt.history");
            std::cout << "skipped: " << c.name << " (cannot mount a tmpfs here)\n";
            continue;
        }
        const CliRun remove = Run({"remove", "1"});
        ::umount2("1.vnt.history/mounted", MNT_DETACH);
        EXPECT_EQ(remove.exitStatus, c.exitStatus) << remove.err;
        EXPECT_EQ(remove.out, "removed 1 " + m_page.Url() + "\n");
        EXPECT_THAT(remove.err, ::testing::EndsWith(c.complaint));
        EXPECT_FALSE(std::filesystem::exists("1.vnt"));
        EXPECT_FALSE(std::filesystem::exists("1.vnt.rules"));
        EXPECT_FALSE(std::filesystem::exists("1.vnt.seen"));
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status("1.vnt.history")),
                  c.exitStatus != 0);
        std::filesystem::remove_all("1.vnt.history");
    }
    EXPECT_TRUE(std::filesystem::is_directory("elsewhere"));
}

// A history setting that is no regular file is refused with its reason by history and by a check
// that would keep a copy, never read as the defaults; a FIFO is never waited on.
TEST_F(CliHistory, AHistorySettingThatIsNoFileIsRefused) {
    CheckIn({"one\n"});
    const std::string before = ReadWholeFile("1.vnt");
    m_page.Set("two\n");
    struct Kind {
        const char* name;
        std::function<void()> make;
        const char* reason;
    };
    const Kind kinds[] = {
        {"a folder", [] { std::filesystem::create_directory("history.ini"); }, "it is a folder"},
        {"a FIFO", [] { ASSERT_EQ(::mkfifo("history.ini", 0600), 0); }, "it is no regular file"},
        {"a link to nothing", [] { std::filesystem::create_symlink("nowhere", "history.ini"); },
         "it is a link that leads nowhere"},
        {"a link to /dev/zero", [] { std::filesystem::create_symlink("/dev/zero", "history.ini"); },
         "it is no regular file"},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        kind.make();
        const CliRun history = Run({"history"});
        EXPECT_EQ(history.exitStatus, 2);
        EXPECT_EQ(history.out, "");
        EXPECT_THAT(history.err,
                    HasSubstr("history.ini cannot be read: " + std::string(kind.reason)));
        const CliRun check = Run({"check"});
        EXPECT_EQ(check.exitStatus, 2);
        EXPECT_EQ(check.out, "Error " + m_page.Url() + "\n");
        EXPECT_THAT(check.err,
                    HasSubstr("history.ini cannot be read: " + std::string(kind.reason)));
        EXPECT_EQ(ReadWholeFile("1.vnt"), before);
        std::filesystem::remove("history.ini");
    }
}

} // namespace
