// The shared check run on its own: results in the source's order, records touched only as their
// results are taken, the bounds on what is held ahead, and the deadline rule on a test clock.

#include "check/CheckRun.h"
#include "support/CheckRunDoubles.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"
#include "support/ScopedEnvironment.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Pages served at once by path, "/big/N" a page of kBigPage bytes.
constexpr std::size_t kBigPage = 100 * 1024;
class QuickSite {
public:
    QuickSite() {
        m_server.Routes().Get(
            R"(/big/.*)", [](const httplib::Request& request, httplib::Response& response) {
                response.set_content(std::string(kBigPage, request.path.back()), "text/html");
            });
        m_server.Routes().Get(R"(/.*)",
                              [](const httplib::Request& request, httplib::Response& response) {
                                  response.set_content("new page at " + request.path, "text/html");
                              });
        m_server.Start();
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    LoopbackServer m_server;
};

// A server that answers nothing until the test releases it, then sends a whole page.
class HeldServer {
public:
    HeldServer()
        : m_server([](RawConnection& peer) {
              peer.ReadRequestHead();
              peer.WaitForRelease();
              peer.Send("HTTP/1.0 200 OK\r\n\r\nthe held page");
          }) {}
    std::string Url() const { return m_server.Url("/held"); }
    void Release() { m_server.Release(); }
    int Requests() const { return m_server.ConnectionCount(); }

private:
    RawSocketServer m_server;
};

std::string Record(const std::string& url, const std::string& page) {
    return url + "|T|1:1:2025*" + page;
}

class CheckRunTest : public InTempDirectory {
protected:
    // Drives the run until the condition holds (bounded), checking `invariant` after each drive.
    template <typename Condition, typename Invariant>
    void DriveUntil(CheckRun& run, TestClock& clock, Condition condition, Invariant invariant) {
        const auto giveUp = std::chrono::steady_clock::now() + 30s;
        while (!condition()) {
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "driven in vain";
            run.FetchAhead();
            run.Drive(5ms);
            clock.Advance();
            invariant();
        }
    }
    template <typename Condition> void DriveUntil(CheckRun& run, TestClock& clock, Condition c) {
        DriveUntil(run, clock, c, [] {});
    }

    WithoutProxyVariables m_noProxy;
    QuickSite m_site;
    TestClock m_clock;
};

// Stopping a run (ending it) after any number of results: exactly the records whose results
// were taken are rewritten, the rest stay as they were, whatever was fetched ahead.
TEST_F(CheckRunTest, OnlyTheRecordsWhoseResultsWereTakenAreRewritten) {
    struct Case {
        const char* when;
        std::size_t taken;
    };
    const Case cases[] = {
        {"before any result", 0},
        {"after one result, the rest held ahead", 1},
        {"after three results, the rest held ahead", 3},
        {"after every result", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        std::vector<std::string> names;
        std::vector<std::string> stored;
        for (int i = 1; i <= 5; ++i) {
            names.push_back(std::to_string(i) + ".vnt");
            stored.push_back(Record(m_site.Url("/" + std::to_string(i)), "old page"));
            WriteWholeFile(names.back(), stored.back());
        }
        ListedRecords source(names);
        std::vector<std::string> lines;
        {
            CheckRun run(source, m_clock, {1000, std::nullopt}, {}, nullptr);
            // Every page is in before any result is taken.
            DriveUntil(run, m_clock, [&] { return run.Ahead() == 5 && !run.Fetching(); });
            ASSERT_EQ(run.Ahead(), 5u);
            for (std::size_t i = 0; i < 5; ++i) {
                EXPECT_EQ(ReadWholeFile(names[i]), stored[i]) << "rewritten before its result";
            }
            while (lines.size() < c.taken) {
                ASSERT_TRUE(run.InHandReady());
                const std::optional<CheckedRecord> result = run.TakeInHand();
                ASSERT_TRUE(result);
                lines.push_back(result->check.line);
            }
        }
        for (std::size_t i = 0; i < 5; ++i) {
            const bool rewritten = ReadWholeFile(names[i]) != stored[i];
            EXPECT_EQ(rewritten, i < c.taken) << names[i];
            if (i < c.taken) {
                EXPECT_EQ(lines[i], "UPDATE " + m_site.Url("/" + std::to_string(i + 1)));
            }
        }
    }
}

// A record changed on disk while its page was ahead is compared as it is when its result is
// taken, never from an earlier reading.
TEST_F(CheckRunTest, ARecordIsReadWhenItsResultIsTaken) {
    WriteWholeFile("1.vnt", Record(m_site.Url("/1"), "old page"));
    ListedRecords source({"1.vnt"});
    CheckRun run(source, m_clock, {1000, std::nullopt}, {}, nullptr);
    DriveUntil(run, m_clock, [&] { return run.InHandReady(); });
    const std::string current = Record(m_site.Url("/1"), "NEW PAGE AT /1");
    WriteWholeFile("1.vnt", current);
    const std::optional<CheckedRecord> result = run.TakeInHand();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->check.result, PageCheck::Result::Same);
    EXPECT_EQ(ReadWholeFile("1.vnt"), current);
    EXPECT_TRUE(run.Finished());
}

// Behind a first record that stalls, the fast records behind it are held ahead only up to the
// limits: never more records than mostAhead, never more body bytes than the held-ahead bound
// plus one page's allowance. Then every result comes out in order, each page whole.
TEST_F(CheckRunTest, WhatIsHeldAheadOfAStalledRecordStaysWithinTheLimits) {
    struct Case {
        const char* name;
        std::string pathPrefix;
        CheckLimits limits;
        std::size_t records;
    };
    const Case cases[] = {
        {"many small pages: the count binds",
         "/small/",
         {8, 6, 16, 2 * 1024 * 1024, 64 * 1024},
         200},
        {"large pages: the bytes bind", "/big/", {8, 6, 64, 300 * 1024, 64 * 1024}, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HeldServer stalled;
        std::vector<std::string> names{"0.vnt"};
        WriteWholeFile("0.vnt", Record(stalled.Url(), "old"));
        for (std::size_t i = 1; i <= c.records; ++i) {
            names.push_back(std::to_string(i) + ".vnt");
            WriteWholeFile(names.back(),
                           Record(m_site.Url(c.pathPrefix + std::to_string(i % 10)), "old"));
        }
        ListedRecords source(names);
        CheckRun run(source, m_clock, {1000000, std::nullopt}, c.limits, nullptr);
        std::size_t mostSeen = 0;
        std::int64_t mostBytes = 0;
        const auto withinLimits = [&] {
            mostSeen = std::max(mostSeen, run.Ahead());
            mostBytes = std::max(mostBytes, run.HeldAheadBytes());
            ASSERT_LE(run.Ahead(), c.limits.mostAhead);
            ASSERT_LE(run.HeldAheadBytes(), c.limits.heldAheadBytes + c.limits.aheadAllowance);
        };
        // Admission stops at one limit or the other; only the stalled page is still awaited.
        DriveUntil(
            run, m_clock,
            [&] {
                return run.Ahead() == c.limits.mostAhead ||
                       run.HeldAheadBytes() >= c.limits.heldAheadBytes;
            },
            withinLimits);
        for (int settle = 0; settle < 50; ++settle) {
            run.FetchAhead();
            run.Drive(5ms);
            withinLimits();
        }
        EXPECT_LT(run.Ahead(), c.records) << "the limits let every record in";
        if (c.pathPrefix == "/big/") {
            EXPECT_LT(run.Ahead(), c.limits.mostAhead) << "the bytes held ahead bind first";
        }
        EXPECT_EQ(stalled.Requests(), 1);
        EXPECT_FALSE(run.InHandReady());

        stalled.Release();
        std::size_t taken = 0;
        DriveUntil(
            run, m_clock,
            [&] {
                while (run.InHandReady()) {
                    const std::optional<CheckedRecord> result = run.TakeInHand();
                    EXPECT_TRUE(result);
                    if (!result) {
                        return true;
                    }
                    EXPECT_EQ(result->fileName, names[taken]);
                    EXPECT_EQ(result->check.result, PageCheck::Result::Changed)
                        << result->check.line;
                    if (taken > 0 && c.pathPrefix == "/big/") {
                        const std::string text = ReadWholeFile(names[taken]);
                        EXPECT_EQ(text.size() - text.find('*') - 1, kBigPage)
                            << "a page paused ahead came in whole";
                    }
                    ++taken;
                    run.FetchAhead();
                }
                return run.Finished();
            },
            withinLimits);
        EXPECT_EQ(taken, c.records + 1);
        EXPECT_LE(mostSeen, c.limits.mostAhead);
    }
}

// The deadline rule, on the test's clock: one unit per drive.
TEST_F(CheckRunTest, DeadlinesOnTheInjectedClock) {
    enum class Serves { Nothing, OneByteAtATimeForever, PartThenNothing, WholePage };
    struct Case {
        const char* name;
        Serves serves;
        DeadlineRule rule;
        bool timedOut;
        std::int64_t notBefore; // the earliest clock reading at which it may end
    };
    const Case cases[] = {
        {"silent server, overall deadline", Serves::Nothing, {50, 200}, true, 200},
        {"silent server, read rule only: not timed", Serves::Nothing, {50, std::nullopt}, false, 0},
        {"dripping forever, overall deadline",
         Serves::OneByteAtATimeForever,
         {1000000, 200},
         true,
         200},
        {"stops mid-body, read rule", Serves::PartThenNothing, {50, std::nullopt}, true, 50},
        {"whole page", Serves::WholePage, {50, 200}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Serves serves = c.serves;
        RawSocketServer server([serves](RawConnection& peer) {
            peer.ReadRequestHead();
            switch (serves) {
            case Serves::Nothing:
                peer.WaitForRelease();
                break;
            case Serves::OneByteAtATimeForever:
                peer.Send("HTTP/1.0 200 OK\r\n\r\n");
                while (peer.Send("x")) {
                    std::this_thread::sleep_for(1ms);
                }
                break;
            case Serves::PartThenNothing:
                peer.Send("HTTP/1.0 200 OK\r\n\r\nfirst part");
                peer.WaitForRelease();
                break;
            case Serves::WholePage:
                peer.Send("HTTP/1.0 200 OK\r\n\r\nwhole page");
                break;
            }
        });
        WriteWholeFile("1.vnt", Record(server.Url("/p"), "old"));
        const std::string stored = ReadWholeFile("1.vnt");
        ListedRecords source({"1.vnt"});
        TestClock clock;
        const std::int64_t began = clock.Now();
        CheckRun run(source, clock, c.rule, {}, nullptr);
        run.FetchAhead();
        // A page that is not timed is given 400 units, twice the longest deadline here.
        const auto giveUp = std::chrono::steady_clock::now() + 30s;
        while (!run.InHandReady() && clock.Now() - began < 400 &&
               std::chrono::steady_clock::now() < giveUp) {
            run.Drive(2ms);
            clock.Advance();
        }
        EXPECT_EQ(run.InHandReady(), c.timedOut || c.serves == Serves::WholePage);
        if (!run.InHandReady()) {
            server.Release();
            continue;
        }
        EXPECT_GE(clock.Now() - began, c.notBefore);
        const std::optional<CheckedRecord> result = run.TakeInHand();
        server.Release();
        ASSERT_TRUE(result);
        if (c.timedOut) {
            EXPECT_EQ(result->check.result, PageCheck::Result::TimedOut);
            EXPECT_EQ(result->check.line, "Time Out");
            EXPECT_EQ(ReadWholeFile("1.vnt"), stored);
        } else {
            EXPECT_EQ(result->check.line, "UPDATE " + server.Url("/p"));
        }
    }
}

} // namespace
