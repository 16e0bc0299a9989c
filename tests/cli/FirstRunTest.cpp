// varnolt-cli on a fresh account: the folder it chooses (the launcher's table), the Varnolt folder
// made by the first verb that writes, and the reading verbs before it exists.

#include "CliProcess.h"
#include "FolderChoiceCases.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <filesystem>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace fs = std::filesystem;

namespace {

class FirstRun : public InTempDirectory {
protected:
    FirstRun() {
        m_server.Routes().Get("/.*",
                              [](const httplib::Request& request, httplib::Response& response) {
                                  response.set_content("page " + request.path, "text/html");
                              });
        m_server.Start();
    }
    LoopbackServer m_server;
};

} // namespace

TEST_F(FirstRun, AddWritesWhereTheLauncherWouldStartTheWindow) {
    const std::string here = m_workingDirectory.Path();
    int page = 0;
    for (const FolderChoiceCase& c : kFolderChoiceCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> folder;
        if (c.given) {
            folder = {"-C", InTestFolder(*c.given, here)};
        }
        const auto environment = FolderChoiceEnvironment(c, here);
        const std::string url = m_server.Url("/" + std::to_string(++page));
        auto add = folder;
        add.insert(add.end(), {"add", url});
        const CliRun added = RunCliProgram(add, environment);
        EXPECT_EQ(added.exitStatus, 0) << added.err;
        ASSERT_TRUE(fs::is_directory(c.expected));
        EXPECT_EQ(fs::status(c.expected).permissions() & fs::perms::all, fs::perms::owner_all);
        auto list = folder;
        list.push_back("list");
        const CliRun listed = RunCliProgram(list, environment);
        EXPECT_EQ(listed.exitStatus, 0) << listed.err;
        EXPECT_THAT(listed.out, HasSubstr("\t" + url + "\t"));
        // The record is in the chosen folder itself.
        bool found = false;
        for (const auto& entry : fs::directory_iterator(c.expected)) {
            found = found || ReadWholeFile(entry.path().string()).rfind(url + "|", 0) == 0;
        }
        EXPECT_TRUE(found) << "no record of " << url << " in " << c.expected;
    }
}

TEST_F(FirstRun, ListAndCheckFindNoPagesUntilTheFirstAddMakesTheFolder) {
    const std::string home = m_workingDirectory.Path() + "/home";
    fs::create_directory(home);
    const std::map<std::string, std::optional<std::string>> fresh = {
        {"HOME", home}, {"XDG_DATA_HOME", std::nullopt}};
    const std::string folder = home + "/.local/share/varnolt";

    for (const char* verb : {"list", "check"}) {
        SCOPED_TRACE(verb);
        const CliRun run = RunCliProgram({verb}, fresh);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err, StartsWith("varnolt-cli: no pages yet"));
        EXPECT_THAT(run.err, HasSubstr(folder));
        EXPECT_FALSE(fs::exists(home + "/.local")) << "a reading verb made a folder";
    }

    const std::string url = m_server.Url("/first");
    CliRun run = RunCliProgram({"add", url}, fresh);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    for (const std::string& made : {home + "/.local", home + "/.local/share", folder}) {
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
    }

    run = RunCliProgram({"list"}, fresh);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, StartsWith("1\t"));
    EXPECT_THAT(run.out, HasSubstr("\t" + url + "\t"));

    run = RunCliProgram({"check"}, fresh);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, url + "\n");
}

TEST_F(FirstRun, AFolderThatCannotBeMadeIsAnError) {
    WriteWholeFile("plain-file", "x");
    const std::string inFile = m_workingDirectory.Path() + "/plain-file/varnolt";
    const CliRun run = RunCliProgram({"-C", inFile, "add", m_server.Url("/x")});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, StartsWith("varnolt-cli: cannot make the folder of records " + inFile));
}
