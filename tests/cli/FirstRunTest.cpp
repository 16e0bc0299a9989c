// varnolt-cli on a fresh account: the folder it chooses (the launcher's table), the Varnolt folder
// made by the first verb that writes, and every other verb before it exists.

#include "CliProcess.h"
#include "FolderChoiceCases.h"
#include "cli/Verb.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <algorithm>
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

// What each verb of the table does before the Varnolt folder exists: the verbs that list find no
// pages, those that name a record find none of it, only those that store make the folder.
TEST_F(FirstRun, EveryVerbOnAFolderNotMadeYet) {
    struct Case {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string err; // the start of what standard error says ("" for nothing)
        bool makesFolder;
    };
    const std::string url = m_server.Url("/first");
    const std::vector<Case> cases = {
        {{"check"}, 0, "varnolt-cli: no pages yet", false},
        {{"list"}, 0, "varnolt-cli: no pages yet", false},
        {{"history"}, 0, "varnolt-cli: no pages yet", false},
        {{"help"}, 0, "", false},
        {{"remove", "3"}, 2, "varnolt-cli: no record number 3\n", false},
        {{"remove", "3", url},
         2,
         "varnolt-cli: no record number 3\nvarnolt-cli: no record for " + url + "\n",
         false},
        {{"rules", "3"}, 2, "varnolt-cli: no record number 3\n", false},
        {{"rules", "3", "--text"}, 2, "varnolt-cli: no record number 3\n", false},
        {{"show", url}, 2, "varnolt-cli: no record for " + url + "\n", false},
        {{"log", "3"}, 2, "varnolt-cli: no record number 3\n", false},
        {{"diff", "3"}, 2, "varnolt-cli: no record number 3\n", false},
        {{"report", "3"}, 2, "varnolt-cli: no record number 3\n", false},
        {{"history", "--keep", "5"}, 0, "", true},
        {{"add", url}, 0, "", true},
    };
    // Every verb of the table is tried.
    for (const std::unique_ptr<Verb>& verb : Verbs()) {
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(),
                                [&](const Case& c) { return c.arguments.front() == verb->Name(); }))
            << "no case for " << verb->Name();
    }
    const std::string home = m_workingDirectory.Path() + "/home";
    const std::map<std::string, std::optional<std::string>> fresh = {
        {"HOME", home}, {"XDG_DATA_HOME", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
        fs::remove_all(home);
        fs::create_directory(home);
        const CliRun run = RunCliProgram(c.arguments, fresh);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
        EXPECT_THAT(run.err, StartsWith(c.err));
        if (c.err.empty() || c.err.back() == '\n') {
            EXPECT_EQ(run.err, c.err);
        }
        if (c.exitStatus != 0) {
            EXPECT_EQ(run.out, "");
        }
        EXPECT_EQ(fs::exists(home + "/.local"), c.makesFolder);
    }
}

// A folder given with -C that is missing is an error to every verb that works in one, and is
// never made by one that only reads.
TEST_F(FirstRun, AMissingFolderGivenIsNeverMadeByAVerbThatReads) {
    const std::string missing = m_workingDirectory.Path() + "/missing";
    const std::vector<std::vector<std::string>> verbs = {
        {"check"},       {"list"},       {"history"},
        {"remove", "3"}, {"rules", "3"}, {"rules", "3", "--text"},
        {"show", "3"},   {"log", "3"},   {"diff", "3"},
        {"report", "3"},
    };
    for (std::vector<std::string> arguments : verbs) {
        SCOPED_TRACE(arguments.front());
        arguments.insert(arguments.begin(), {"-C", missing});
        const CliRun run = RunCliProgram(arguments);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err,
                    StartsWith("varnolt-cli: cannot use the folder of records " + missing));
        EXPECT_FALSE(fs::exists(missing));
    }
}
