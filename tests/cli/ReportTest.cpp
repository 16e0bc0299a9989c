// varnolt-cli report: the report written where asked (or to the cache folder), its path printed,
// and --open handing it to the desktop's opener.

#include "CliProcess.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "platform/system/Shell.h"
#include "records/PageHistory.h"
#include "support/ScopedEnvironment.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class Report : public InTempDirectory {
protected:
    void SetUp() override {
        m_environment.Set("XDG_CACHE_HOME", m_workingDirectory.Path() + "/cache");
        SetShellOpenerForTesting([this](const std::string& file) { m_opened.push_back(file); });
        // Record 1 changed once; record 2 never did.
        WriteWholeFile("1.vnt", "https://a.example/|Alpha|1:1:2026*<p>before</p>");
        EXPECT_EQ(KeepVersion("1.vnt", ReadWholeFile("1.vnt"), HistoryLimits{}), 0);
        WriteWholeFile("1.vnt", "https://a.example/|Alpha|2:1:2026*<p>after</p>");
        WriteWholeFile("2.vnt", "https://b.example/|Beta|1:1:2026*<p>unchanged</p>");
    }
    void TearDown() override { SetShellOpenerForTesting({}); }

    // Runs the verb in this process, with its standard output captured.
    int RunReportHere(const std::vector<std::string>& targets, const std::string& output,
                      bool open) {
        std::ostringstream captured;
        std::streambuf* const original = std::cout.rdbuf(captured.rdbuf());
        const int status = RunReport(targets, output, open);
        std::cout.rdbuf(original);
        m_out = captured.str();
        return status;
    }

    ScopedEnvironment m_environment;
    std::vector<std::string> m_opened;
    std::string m_out;
};

TEST_F(Report, GoesToTheCacheFolderByDefaultAndOpensOnlyWhenAsked) {
    const std::string path = m_workingDirectory.Path() + "/cache/varnolt/report.html";
    ASSERT_EQ(RunReportHere({"1", "https://B.EXAMPLE/"}, "", false), kExitSame);
    EXPECT_EQ(m_out, path + "\n");
    EXPECT_TRUE(m_opened.empty());
    const std::string report = ReadWholeFile(path);
    EXPECT_THAT(report, HasSubstr("<h2>Alpha</h2>"));
    EXPECT_THAT(report, HasSubstr("<del>before</del>"));
    EXPECT_THAT(report, HasSubstr("<ins>after</ins>"));
    EXPECT_THAT(report, HasSubstr("<h2>Beta</h2>"));
    EXPECT_THAT(report, HasSubstr("No earlier version of this page is kept"));
    // The cache folder is the user's alone.
    EXPECT_EQ(std::filesystem::status(m_workingDirectory.Path() + "/cache/varnolt").permissions(),
              std::filesystem::perms::owner_all);

    ASSERT_EQ(RunReportHere({"2"}, m_workingDirectory.Path() + "/mine.html", true), kExitSame);
    EXPECT_THAT(m_opened, ElementsAre(m_workingDirectory.Path() + "/mine.html"));
    EXPECT_THAT(ReadWholeFile("mine.html"), HasSubstr("<h2>Beta</h2>"));
}

TEST_F(Report, APageThatIsNotThereWritesNothing) {
    ASSERT_EQ(RunReportHere({"1", "9"}, "out.html", true), kExitTrouble);
    EXPECT_FALSE(FileExists("out.html"));
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(Report, FromTheCommandLineARelativeFileIsWhereTheCommandWasGiven) {
    std::filesystem::create_directory("records");
    for (const char* name : {"1.vnt", "2.vnt"}) {
        std::filesystem::rename(name, std::string("records/") + name);
    }
    std::filesystem::rename(HistoryFolderName("1.vnt"), "records/" + HistoryFolderName("1.vnt"));
    const CliRun run = RunCliProgram({"-C", "records", "report", "1", "-o", "out.html"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, m_workingDirectory.Path() + "/out.html\n");
    EXPECT_THAT(ReadWholeFile("out.html"), HasSubstr("<ins>after</ins>"));
}

// A page whose change cannot be read is shown so in the report, and the run says it and fails.
TEST_F(Report, AChangeThatCannotBeReadIsSaidAndFailsTheRun) {
    const std::string earlier =
        HistoryFolderName("1.vnt") + "/" +
        std::filesystem::directory_iterator(HistoryFolderName("1.vnt"))->path().filename().string();
    WriteWholeFile(earlier, "no record at all");
    testing::internal::CaptureStderr();
    const int status = RunReportHere({"1", "2"}, "out.html", false);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, kExitTrouble);
    EXPECT_THAT(err, HasSubstr("1.vnt: the earlier version cannot be read"));
    EXPECT_THAT(err, ::testing::Not(HasSubstr("2.vnt")));
    // The rest of the report is still there to read.
    EXPECT_EQ(m_out, "out.html\n");
    EXPECT_THAT(ReadWholeFile("out.html"), HasSubstr("<h2>Beta</h2>"));
}

// Who runs the report: root itself, or an ordinary user (nobody) through setpriv.
struct Runner {
    const char* name;
    uid_t uid;
    CliWrapper wrapper;
};

// --output writes the file named as ordinary tools do. What a person's own name leads to must
// not redirect the write to another file or replace what is no file; nothing else in the
// folder is touched.
TEST_F(Report, AHostileOutputIsRefusedAndLeftAsItIs) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "planting another user's links and files, and running as another user, "
                        "needs root";
    }
    constexpr uid_t kAttacker = 4343;
    const std::string folder = m_workingDirectory.Path();
    const std::string shared = folder + "/shared"; // as /tmp: anyone may write, sticky
    const std::string own = folder + "/own";       // the runner's own folder
    const std::string victim = folder + "/victim";
    const Runner runners[] = {
        {"root", 0, {}},
        {"nobody", 65534, {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"}}};
    const struct {
        const char* what;
        std::string output;
        std::function<bool(const std::string&)> plant; // false: cannot be made here
        bool runners;                                  // it is the runner's, open to write
        std::filesystem::file_type kind;               // what stays there
        const char* reason;                            // "" for the one that is written
    } cases[] = {
        {"link to the runner's own file, planted in a sticky folder", shared + "/report.html",
         [&](const std::string& at) {
             return ::symlink(victim.c_str(), at.c_str()) == 0 &&
                    ::lchown(at.c_str(), kAttacker, kAttacker) == 0;
         },
         false, std::filesystem::file_type::symlink,
         "symbolic link in a folder anyone may write to"},
        {"dangling link planted in a sticky folder", shared + "/report.html",
         [&](const std::string& at) {
             return ::symlink((own + "/made.html").c_str(), at.c_str()) == 0 &&
                    ::lchown(at.c_str(), kAttacker, kAttacker) == 0;
         },
         false, std::filesystem::file_type::symlink,
         "symbolic link in a folder anyone may write to"},
        {"another user's file in a sticky folder", shared + "/report.html",
         [&](const std::string& at) {
             WriteWholeFile(at, "theirs");
             return ::chown(at.c_str(), kAttacker, kAttacker) == 0 &&
                    ::chmod(at.c_str(), 0666) == 0;
         },
         false, std::filesystem::file_type::regular, "belongs to another user"},
        {"FIFO with a reader", own + "/report.html",
         [&](const std::string& at) { return ::mkfifo(at.c_str(), 0666) == 0; }, true,
         std::filesystem::file_type::fifo, "FIFO, not a regular file"},
        {"character device", own + "/report.html",
         [&](const std::string& at) {
             return ::mknod(at.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; // as /dev/null
         },
         true, std::filesystem::file_type::character, "character device, not a regular file"},
        {"directory", own + "/report.html",
         [&](const std::string& at) { return ::mkdir(at.c_str(), 0777) == 0; }, true,
         std::filesystem::file_type::directory, "folder, not a regular file"},
        {"the runner's own file", own + "/report.html",
         [&](const std::string& at) {
             WriteWholeFile(at, "an older and much longer report than the one to come...");
             return true;
         },
         true, std::filesystem::file_type::regular, ""},
    };
    for (const Runner& runner : runners) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(runner.name) + ": " + c.what);
            for (const std::string& path : {shared, own, victim}) {
                std::filesystem::remove_all(path);
            }
            std::filesystem::create_directory(shared);
            ::chmod(shared.c_str(), 01777);
            std::filesystem::create_directory(own);
            WriteWholeFile(victim, "the runner's own secrets");
            ::chmod(victim.c_str(), 0600);
            // Beside the output: nothing of another name is touched.
            const std::string beside = c.output.substr(0, c.output.rfind('/')) + "/.vnttmp-keep";
            WriteWholeFile(beside, "kept");
            // The records, their history and the runner's folders are the runner's.
            ::chmod(folder.c_str(), 0755);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
                if (entry.path() != shared) {
                    ::lchown(entry.path().c_str(), runner.uid, runner.uid);
                }
            }
            ::lchown(beside.c_str(), runner.uid, runner.uid);
            if (!c.plant(c.output)) {
                std::cout << "skipped: cannot make a " << c.what << " here\n";
                continue;
            }
            if (c.runners) {
                // Nothing but the kind of thing stops the write.
                ::lchown(c.output.c_str(), runner.uid, runner.uid);
                ::chmod(c.output.c_str(), 0666);
            }
            const int reader = c.kind == std::filesystem::file_type::fifo
                                   ? ::open(c.output.c_str(), O_RDONLY | O_NONBLOCK)
                                   : -1;
            const CliRun run =
                RunCliProgram({"-C", folder, "report", "1", "-o", c.output}, {}, runner.wrapper);
            EXPECT_EQ(std::filesystem::symlink_status(c.output).type(), c.kind);
            EXPECT_EQ(ReadWholeFile(victim), "the runner's own secrets");
            EXPECT_FALSE(FileExists(own + "/made.html"));
            EXPECT_EQ(ReadWholeFile(beside), "kept");
            if (reader >= 0) {
                char got = 0;
                EXPECT_LE(::read(reader, &got, 1), 0) << "the FIFO's reader was sent the report";
                ::close(reader);
            }
            if (*c.reason == '\0') {
                EXPECT_EQ(run.exitStatus, 0) << run.err;
                EXPECT_EQ(run.out, c.output + "\n");
                EXPECT_THAT(ReadWholeFile(c.output), HasSubstr("<ins>after</ins>"));
                EXPECT_THAT(ReadWholeFile(c.output), ::testing::EndsWith("</html>\n"));
            } else {
                EXPECT_EQ(run.exitStatus, 2);
                EXPECT_EQ(run.out, "");
                EXPECT_THAT(run.err,
                            HasSubstr("the report " + c.output + " could not be written: "));
                EXPECT_THAT(run.err, HasSubstr(c.reason));
            }
        }
    }
}

} // namespace
