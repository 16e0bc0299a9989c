// Stopping `varnolt-cli check` by a signal at each point of a check: the records rewritten are
// exactly those whose UPDATE lines were printed, and no temporary file is left.

#include "CliProcess.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

using ::testing::HasSubstr;

namespace {

using namespace std::chrono_literals;

// Serves "/gated/..." only once the test opens the gate; every other path at once with a new
// page ("/big/..." a large one). Counts the answers it has finished.
class GatedSite {
public:
    static constexpr std::size_t kBigPage = 48 * 1024 * 1024;
    GatedSite() {
        m_server.Routes().Get(
            ".*", [this](const httplib::Request& request, httplib::Response& response) {
                if (request.path.rfind("/gated/", 0) == 0) {
                    std::unique_lock lock(m_guard);
                    m_changed.wait_for(lock, 20s, [this] { return m_open; });
                }
                if (request.path.rfind("/big/", 0) == 0) {
                    response.set_content(std::string(kBigPage, 'n'), "text/html");
                } else {
                    response.set_content("new page at " + request.path, "text/html");
                }
                std::lock_guard lock(m_guard);
                ++m_answered;
            });
        m_server.Start();
    }
    ~GatedSite() { Open(); }
    void Open() {
        std::lock_guard lock(m_guard);
        m_open = true;
        m_changed.notify_all();
    }
    int Answered() {
        std::lock_guard lock(m_guard);
        return m_answered;
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    std::mutex m_guard;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_answered = 0;
    LoopbackServer m_server;
};

bool TemporaryPresent() {
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        if (entry.path().filename().string().rfind(".vnttmp-", 0) == 0) {
            return true;
        }
    }
    return false;
}

class CheckStop : public InTempDirectory {};

} // namespace

TEST_F(CheckStop, RecordsRewrittenAreExactlyThoseWhoseLinesWerePrinted) {
    enum class Point { BeforeAnyResult, WithResultsHeldAhead, WhileRewriting };
    struct Case {
        const char* name;
        Point point;
        std::vector<std::string> paths; // record 1, 2, ... in record-number order
        std::size_t linesBefore;        // lines printed when the signal comes (at least)
    };
    const Case cases[] = {
        {"before any result, the other pages fetched ahead",
         Point::BeforeAnyResult,
         {"/gated/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9", "/10"},
         0},
        {"after three results, the pages behind the fourth held ahead",
         Point::WithResultsHeldAhead,
         {"/1", "/2", "/3", "/gated/4", "/5", "/6", "/7", "/8"},
         3},
        {"while the record in hand is being rewritten",
         Point::WhileRewriting,
         {"/big/1", "/2", "/3", "/4"},
         0},
    };
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (signalNumber == SIGTERM ? " (SIGTERM)" : " (SIGINT)"));
            for (const auto& entry : std::filesystem::directory_iterator(".")) {
                std::filesystem::remove_all(entry.path()); // a history folder too
            }
            GatedSite site;
            std::vector<std::string> stored;
            for (std::size_t i = 0; i < c.paths.size(); ++i) {
                stored.push_back(site.Url(c.paths[i]) + "|T|1:1:2025*old page");
                WriteWholeFile(std::to_string(i + 1) + ".vnt", stored.back());
            }

            // The rewrite of record 1 is held once its new text is written, until the test lets
            // it go.
            std::map<std::string, std::optional<std::string>> environment;
            if (c.point == Point::WhileRewriting) {
                std::filesystem::create_directory("hold");
                ASSERT_EQ(::mkfifo("hold/reached", 0600), 0);
                ASSERT_EQ(::mkfifo("hold/go", 0600), 0);
                environment = {{"VARNOLT_TEST_HOLD_REPLACE", "1.vnt"},
                               {"VARNOLT_TEST_HOLD_DIR", m_workingDirectory.Path() + "/hold"}};
            }
            CliProcess process({"-C", m_workingDirectory.Path(), "check"}, environment);
            const auto giveUp = std::chrono::steady_clock::now() + 30s;
            switch (c.point) {
            case Point::BeforeAnyResult:
                // Every page but the first's has come in.
                while (site.Answered() < static_cast<int>(c.paths.size()) - 1 &&
                       std::chrono::steady_clock::now() < giveUp) {
                    std::this_thread::sleep_for(1ms);
                }
                ASSERT_EQ(site.Answered(), static_cast<int>(c.paths.size()) - 1);
                break;
            case Point::WithResultsHeldAhead:
                ASSERT_TRUE(process.WaitForOutput("UPDATE " + site.Url("/3") + "\n", 30s));
                while (site.Answered() < static_cast<int>(c.paths.size()) - 1 &&
                       std::chrono::steady_clock::now() < giveUp) {
                    std::this_thread::sleep_for(1ms);
                }
                break;
            case Point::WhileRewriting:
                // The new text of the record in hand is written and about to replace it.
                ASSERT_EQ(NextHeldStep(), "before-lock");
                break;
            }
            process.Signal(signalNumber);
            if (c.point == Point::WhileRewriting) {
                // The rewrite goes on to its end: the signal stops the check after its line.
                std::ofstream("hold/go") << 'g';
                EXPECT_EQ(NextHeldStep(), "locked");
                std::ofstream("hold/go") << 'g';
            }
            const CliRun run = process.Finish();
            site.Open();

            EXPECT_EQ(run.exitStatus, 130) << run.err;
            EXPECT_THAT(run.err, HasSubstr("stopped"));
            std::size_t printed = 0;
            for (std::size_t i = 0; i < c.paths.size(); ++i) {
                const std::string url = site.Url(c.paths[i]);
                const bool shown = run.out.find("UPDATE " + url + "\n") != std::string::npos;
                const bool rewritten = ReadWholeFile(std::to_string(i + 1) + ".vnt") != stored[i];
                EXPECT_EQ(rewritten, shown) << "record " << i + 1 << " of " << run.out;
                printed += shown ? 1 : 0;
            }
            EXPECT_GE(printed, c.linesBefore);
            if (c.point != Point::WhileRewriting) {
                EXPECT_EQ(printed, c.linesBefore) << "the gated record was never answered";
            }
            EXPECT_FALSE(TemporaryPresent());
        }
    }
}
