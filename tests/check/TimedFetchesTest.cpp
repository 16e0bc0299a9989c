// The one deadline rule of the fetches on a clock the test moves, and adding several pages side
// by side with every wait ended by it.

#include "check/TimedFetches.h"
#include "check/AddRun.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"
#include "support/ScopedEnvironment.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Kind = FetchOutcome::Kind;

// A clock that moves one unit each time it is read: every drive is one tick.
class TickingClock final : public FetchClock {
public:
    std::int64_t Now() const override { return ++m_now; }

private:
    mutable std::atomic<std::int64_t> m_now{0};
};

// A clock that moves only when the test says so.
class TestClock final : public FetchClock {
public:
    std::int64_t Now() const override { return m_now; }
    void Advance(std::int64_t by) { m_now += by; }

private:
    std::int64_t m_now = 0;
};

struct CountedReads final : FetchProgress {
    std::int64_t reads = 0;
    void ReadsBegun(std::int64_t begun) override { reads += begun; }
};

// One server per behaviour, chosen by the request's path.
RawSocketServer::Session Behaviour() {
    return [](RawConnection& peer) {
        const std::string head = peer.ReadRequestHead();
        if (head.find("GET /silent ") == 0) {
            peer.WaitForRelease();
        } else if (head.find("GET /drip ") == 0) {
            peer.Send("HTTP/1.0 200 OK\r\n\r\n");
            while (peer.Send("x")) {
                std::this_thread::sleep_for(1ms);
            }
        } else if (head.find("GET /stalled ") == 0) {
            peer.Send("HTTP/1.0 200 OK\r\n\r\nfirst part");
            peer.WaitForRelease();
        } else {
            peer.Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(3000, 'w'));
        }
    };
}

class TimedFetchesTest : public ::testing::Test {
protected:
    WithoutProxyVariables m_noProxy;
};

} // namespace

// A body that stalls is TimedOut once the clock has passed the read time-out since its last
// data, not before; a page that keeps coming is not cut short, and its reads are reported.
TEST_F(TimedFetchesTest, ABodyThatStallsLongerThanTheReadTimeOutEndsAsTimedOut) {
    RawSocketServer server(Behaviour());
    TestClock clock;
    CountedReads progress;
    TimedFetches fetches(TransferLimits{2, 2}, clock, {300, std::nullopt}, &progress);
    const FetchId stalled = fetches.Add(server.Url("/stalled"));

    // Its first part comes in while the clock stands still.
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    while (fetches.BodyBytes(stalled) == 0 && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_TRUE(fetches.Drive(10ms).empty());
    }
    ASSERT_EQ(fetches.BodyBytes(stalled), 10);
    EXPECT_EQ(progress.reads, 1) << "one read begun, waiting for more";
    clock.Advance(299);
    EXPECT_TRUE(fetches.Drive(10ms).empty()) << "timed out before its time";
    clock.Advance(1);
    std::vector<FinishedFetch> finished = fetches.Drive(10ms);
    server.Release();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].id, stalled);
    EXPECT_EQ(finished[0].outcome.kind, Kind::TimedOut);
    EXPECT_EQ(fetches.Unfinished(), 0u);

    const FetchId whole = fetches.Add(server.Url("/whole"));
    finished.clear();
    while (finished.empty() && std::chrono::steady_clock::now() < giveUp) {
        finished = fetches.Drive(100ms);
    }
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].id, whole);
    EXPECT_EQ(finished[0].outcome.strPage, std::string(3000, 'w'));
    EXPECT_EQ(progress.reads, 1 + 3) << "3000 bytes: two whole reads and the last one";
}

// Adding pages: every wait ends by the rule, and the outcomes come in the order of the
// addresses whatever order they arrive in.
TEST_F(TimedFetchesTest, AddingEndsEveryWaitAndKeepsTheOrderOfTheAddresses) {
    struct Case {
        const char* name;
        std::vector<std::string> paths;
        DeadlineRule rule;
        std::vector<Kind> outcomes;
    };
    const Case cases[] = {
        {"silent server", {"/silent"}, {50, 200}, {Kind::TimedOut}},
        {"dripping one byte a tick forever", {"/drip"}, {1000000, 200}, {Kind::TimedOut}},
        {"stops mid-body", {"/stalled"}, {50, std::nullopt}, {Kind::TimedOut}},
        {"a stalled page before a whole one",
         {"/stalled", "/whole"},
         {50, 400},
         {Kind::TimedOut, Kind::Received}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One server for each page: a server answers one connection at a time.
        std::vector<std::unique_ptr<RawSocketServer>> servers;
        std::vector<std::string> urls;
        for (const std::string& path : c.paths) {
            servers.push_back(std::make_unique<RawSocketServer>(Behaviour()));
            urls.push_back(servers.back()->Url(path));
        }
        const TickingClock clock;
        std::vector<std::size_t> order;
        std::vector<Kind> kinds;
        FetchPagesInOrder(
            urls, clock, c.rule, CheckLimits{8, 6},
            [&](std::size_t index, FetchOutcome outcome) {
                order.push_back(index);
                kinds.push_back(outcome.kind);
            },
            2ms);
        for (auto& server : servers) {
            server->Release();
        }
        EXPECT_EQ(kinds, c.outcomes);
        std::vector<std::size_t> expectedOrder(c.paths.size());
        for (std::size_t i = 0; i < expectedOrder.size(); ++i) {
            expectedOrder[i] = i;
        }
        EXPECT_EQ(order, expectedOrder);
    }
}

// Adding many pages behind a first one that stalls holds no more than a check would: the fast
// pages are admitted only up to the run's limits, so the stalled page is still awaited (and
// times out by the rule) with few of them fetched, and then every outcome comes in order, each
// page paused ahead received whole. The fast site lets the stalled page go as soon as it has
// served more pages than the limits allow, which only an unbounded add reaches.
TEST_F(TimedFetchesTest, AddingBehindAStalledPageHoldsNoMoreThanTheLimits) {
    constexpr std::size_t kBigPage = 100 * 1024;
    struct Case {
        const char* name;
        std::string pathPrefix;
        CheckLimits limits;
        std::size_t pages;
        int mostRequested; // fast pages the limits let be fetched while the first stalls
    };
    const Case cases[] = {
        {"many small pages: the count binds", "/small/", {8, 6, 16, 2 << 20, 64 << 10}, 200, 15},
        // Paused pages hold their fetch places; finished ones their bytes.
        {"large pages: the bytes bind",
         "/big/",
         {8, 6, 64, 300 << 10, 64 << 10},
         40,
         8 - 1 + static_cast<int>((300 << 10) / kBigPage) + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawSocketServer stalled(Behaviour());
        std::atomic<int> requested{0};
        LoopbackServer site;
        site.Routes().Get(
            R"(/.*)", [&](const httplib::Request& request, httplib::Response& response) {
                if (++requested > c.mostRequested) {
                    stalled.Release();
                }
                const bool big = request.path.starts_with("/big/");
                response.set_content(big ? std::string(kBigPage, 'b') : "small", "text/html");
            });
        site.Start();
        std::vector<std::string> urls{stalled.Url("/stalled")};
        for (std::size_t i = 1; i <= c.pages; ++i) {
            urls.push_back(site.Url(c.pathPrefix + std::to_string(i)));
        }
        const TickingClock clock;
        int requestedWhileStalled = -1;
        std::vector<std::size_t> order;
        FetchPagesInOrder(
            urls, clock, {200, std::nullopt}, c.limits,
            [&](std::size_t index, FetchOutcome outcome) {
                if (index == 0) {
                    requestedWhileStalled = requested.load();
                    EXPECT_EQ(outcome.kind, Kind::TimedOut) << "let go by too many fast pages";
                } else {
                    EXPECT_EQ(outcome.kind, Kind::Received);
                    EXPECT_EQ(outcome.strPage.size(),
                              c.pathPrefix == "/big/" ? kBigPage : std::size_t{5});
                }
                order.push_back(index);
            },
            2ms);
        stalled.Release();
        EXPECT_GE(requestedWhileStalled, 1);
        EXPECT_LE(requestedWhileStalled, c.mostRequested);
        ASSERT_EQ(order.size(), urls.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(order[i], i);
        }
    }
}
