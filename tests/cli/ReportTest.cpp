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

#include <filesystem>
#include <iostream>
#include <sstream>

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

} // namespace
