// varnolt, the launcher, run as a process: the folder it chooses and makes, the window program it
// starts there, and what it answers without starting anything. A copy of the built launcher runs
// with a stand-in window program where the launcher looks for the real one, which reports the
// folder it was started in and how many arguments it was given.

#include "CliProcess.h"
#include "FolderChoiceCases.h"
#include "resources/Version.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <filesystem>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace fs = std::filesystem;

namespace {

constexpr int kStandInExit = 7;

class Launcher : public InTempDirectory {
protected:
    Launcher() {
        const fs::path built = VNT_LAUNCHER_PROGRAM;
        const fs::path fromLauncher =
            fs::path(VNT_WINDOW_PROGRAM).lexically_relative(built.parent_path());
        fs::create_directories("copy/bin");
        fs::copy_file(built, "copy/bin/varnolt");
        m_launcher = fs::absolute("copy/bin/varnolt").string();
        const fs::path window = fs::absolute("copy/bin" / fromLauncher).lexically_normal();
        fs::create_directories(window.parent_path());
        WriteWholeFile(window.string(),
                       "#!/bin/sh\npwd -P > \"$REPORT\"\necho \"$#\" >> \"$REPORT\"\nexit 7\n");
        fs::permissions(window, fs::perms::owner_all);
        m_report = m_workingDirectory.Path() + "/report";
    }
    CliRun Launch(const std::vector<std::string>& arguments,
                  std::map<std::string, std::optional<std::string>> environment) {
        environment["REPORT"] = m_report;
        fs::remove(m_report);
        return RunProgram(m_launcher, arguments, environment);
    }
    // What the stand-in reported: "FOLDER\nARGUMENT COUNT\n", or "" when it was not started.
    std::string Report() const { return FileExists(m_report) ? ReadWholeFile(m_report) : ""; }

    std::string m_launcher;
    std::string m_report;
};

} // namespace

TEST_F(Launcher, StartsTheWindowProgramInTheChosenFolderMadePrivate) {
    const std::string here = m_workingDirectory.Path();
    for (const FolderChoiceCase& c : kFolderChoiceCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments;
        if (c.given) {
            arguments = {"-C", InTestFolder(*c.given, here)};
        }
        const CliRun run = Launch(arguments, FolderChoiceEnvironment(c, here));
        EXPECT_EQ(run.exitStatus, kStandInExit) << run.err;
        ASSERT_TRUE(fs::is_directory(c.expected));
        EXPECT_EQ(Report(), fs::canonical(c.expected).string() + "\n0\n");
        EXPECT_EQ(fs::status(c.expected).permissions() & fs::perms::all, fs::perms::owner_all);
        EXPECT_EQ(run.out, "Varnolt folder: " +
                               InTestFolder(c.given ? *c.given : "@/" + c.expected, here) + "\n");
    }
}

TEST_F(Launcher, AnswersHelpAndVersionWithoutADisplayAndStartsNothing) {
    struct Case {
        std::vector<std::string> arguments;
        const char* out; // the start of standard output
    };
    const Case cases[] = {
        {{"--help"}, "Usage: varnolt [-C DIR]\n"},
        {{"-h"}, "Usage: varnolt [-C DIR]\n"},
        {{"-C", "elsewhere", "--help"}, "Usage: varnolt [-C DIR]\n"},
        {{"--version"}, "varnolt " VNT_VERSION_TEXT "\n"},
    };
    const std::map<std::string, std::optional<std::string>> noDisplay = {
        {"HOME", m_workingDirectory.Path() + "/home"},
        {"XDG_DATA_HOME", std::nullopt},
        {"DISPLAY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"QT_QPA_PLATFORM", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        // The built launcher, beside the real window program, which would fail with no display.
        const CliRun run = RunProgram(VNT_LAUNCHER_PROGRAM, c.arguments, noDisplay);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_THAT(run.out, StartsWith(c.out));
        EXPECT_EQ(run.err, "");
        EXPECT_FALSE(fs::exists("home")) << "a folder was made";
        EXPECT_FALSE(fs::exists("elsewhere")) << "a folder was made";
    }
    EXPECT_EQ(RunProgram(VNT_LAUNCHER_PROGRAM, {"--version"}, noDisplay).out,
              "varnolt " VNT_VERSION_TEXT "\n");
}

TEST_F(Launcher, RefusesOtherArgumentsAndStartsNothing) {
    const std::vector<std::string> cases[] = {
        {"--frobnicate"}, {"-C"}, {"-C", ""}, {"pages"}, {"-C", "elsewhere", "pages"}};
    for (const std::vector<std::string>& arguments : cases) {
        SCOPED_TRACE(arguments.front() + " " + arguments.back());
        const CliRun run = Launch(arguments, {{"HOME", m_workingDirectory.Path() + "/home"}});
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err, StartsWith("varnolt: "));
        EXPECT_THAT(run.err, HasSubstr("varnolt --help"));
        EXPECT_EQ(Report(), "") << "the window program was started";
    }
    EXPECT_FALSE(fs::exists("home"));
    EXPECT_FALSE(fs::exists("elsewhere"));
}
