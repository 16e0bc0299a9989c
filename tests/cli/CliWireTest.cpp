// varnolt-cli against a real web server (nginx with gzip, ETag and Last-Modified): pages come
// compressed and are stored decoded, an unchanged page is answered "not modified" with the
// unchanged line, a page changed after that is seen, and a check's pages share connections.

#include "cli/CliProcess.h"
#include "support/NginxServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

using ::testing::HasSubstr;

void WritePage(const std::string& path, const std::string& text,
               std::filesystem::file_time_type::duration age) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
}

class CliWire : public InTempDirectory {
protected:
    CliRun Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments);
    }
    NginxServer m_nginx;
};

TEST_F(CliWire, AnUnchangedPageIsNotModifiedAndAChangeAfterwardsIsSeen) {
    if (!m_nginx.Failure().empty()) {
        GTEST_SKIP() << m_nginx.Failure();
    }
    const std::string page = "<title>Watched</title>" + std::string(20000, 'w');
    WritePage(m_nginx.Root() + "/page.html", page, std::chrono::hours(2));
    const std::string url = m_nginx.Url("/page.html");

    CliRun run = Run({"add", url});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    // Sent compressed, stored as the page itself.
    ASSERT_EQ(m_nginx.Answers().size(), 1u);
    EXPECT_LT(m_nginx.Answers().back().bytesSent, 2000);
    EXPECT_EQ(ReadWholeFile("1.vnt").substr(ReadWholeFile("1.vnt").find('*') + 1), page);

    run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, url + "\n");
    ASSERT_EQ(m_nginx.Answers().size(), 2u);
    EXPECT_EQ(m_nginx.Answers().back().status, 304);

    run = Run({"check", "--full"});
    EXPECT_EQ(run.out, url + "\n");
    EXPECT_EQ(m_nginx.Answers().back().status, 200);

    const std::string changed = "<title>Watched</title>" + std::string(20000, 'c');
    WritePage(m_nginx.Root() + "/page.html", changed, std::chrono::hours(1));
    run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.out, "UPDATE " + url + "\n");
    EXPECT_EQ(m_nginx.Answers().back().status, 200);
    EXPECT_EQ(ReadWholeFile("1.vnt").substr(ReadWholeFile("1.vnt").find('*') + 1), changed);

    run = Run({"check"});
    EXPECT_EQ(run.out, url + "\n");
    EXPECT_EQ(m_nginx.Answers().back().status, 304);
}

// Pages of one host in one check share connections.
TEST_F(CliWire, PagesOfOneHostShareConnections) {
    if (!m_nginx.Failure().empty()) {
        GTEST_SKIP() << m_nginx.Failure();
    }
    constexpr int kPages = 30;
    std::vector<std::string> arguments{"add"};
    for (int i = 0; i < kPages; ++i) {
        const std::string name = "/p" + std::to_string(i) + ".html";
        WritePage(m_nginx.Root() + name, "<title>P</title>page " + std::to_string(i),
                  std::chrono::hours(1));
        arguments.push_back(m_nginx.Url(name));
    }
    ASSERT_EQ(Run(arguments).exitStatus, 0);
    const std::size_t added = m_nginx.Answers().size();
    const CliRun run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    const auto answers = m_nginx.Answers();
    ASSERT_EQ(answers.size(), added + kPages);
    std::set<long long> connections;
    for (std::size_t i = added; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i].status, 304);
        connections.insert(answers[i].connection);
    }
    // At most six at once to one host, each used again.
    EXPECT_LE(connections.size(), 6u);
}

} // namespace
