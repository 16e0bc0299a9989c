// Output for scripts: --json gives one JSON object a line that a JSON library reads back, with
// the same facts as the text lines.

#include "CliProcess.h"
#include "JsonLines.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

namespace {

class CliJson : public InTempDirectory {
protected:
    void SetUp() override {
        m_server.Routes().Get("/same", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("same", "text/html");
        });
        m_server.Routes().Get("/new", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("new", "text/html");
        });
        m_server.Start();
    }
    CliRun Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments);
    }
    LoopbackServer m_server;
};

TEST_F(CliJson, ListAndCheckReadBackAsJsonLines) {
    WriteWholeFile("1.vnt", m_server.Url("/same") + "|Caf\xe9|11:12:2026*same");
    WriteWholeFile("2.vnt", m_server.Url("/new") + "|New|1:2:2025*old");
    WriteWholeFile("3.vnt", m_server.Url("/gone") + "|Gone|1:2:2025*old");
    WriteWholeFile("2.vnt.rules", "text\n");
    // Changed, but its owner made it read-only: left as it was.
    WriteWholeFile("4.vnt", m_server.Url("/new") + "|New|1:2:2025*old");
    std::filesystem::permissions("4.vnt", std::filesystem::perms::owner_read);

    const std::vector<nlohmann::json> listed = JsonLines(Run({"list", "--json"}).out);
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0]["number"], 1);
    EXPECT_EQ(listed[0]["url"], m_server.Url("/same"));
    EXPECT_EQ(listed[0]["title"], "Caf\xc3\xa9"); // shown as the window shows it
    EXPECT_EQ(listed[0]["date"], "2026-12-11");
    EXPECT_EQ(listed[0]["rules"], false);
    EXPECT_EQ(listed[1]["rules"], true);
    EXPECT_EQ(listed[2]["file"], "3.vnt");

    const CliRun run = Run({"check", "--json"});
    EXPECT_EQ(run.exitStatus, 2);
    const std::vector<nlohmann::json> checked = JsonLines(run.out);
    ASSERT_EQ(checked.size(), 4u);
    struct Expected {
        const char* result;
        bool stored;
        const char* reason;
    };
    const Expected expected[] = {{"same", false, ""},
                                 {"changed", true, ""},
                                 {"page-error", false, "the server answered 404 Not Found"},
                                 {"changed", false, ""}};
    for (std::size_t i = 0; i < checked.size(); ++i) {
        EXPECT_EQ(checked[i]["number"], i + 1);
        EXPECT_EQ(checked[i]["result"], expected[i].result);
        EXPECT_EQ(checked[i]["stored"], expected[i].stored) << i + 1;
        EXPECT_EQ(checked[i]["reason"], expected[i].reason);
    }
    EXPECT_EQ(run.err, "") << "the reasons are in the objects";
}

} // namespace
