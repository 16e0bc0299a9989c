// The window's rule for a single fetch's reads, in its ticks: a read that returns when the tick
// has counted 270 or more since the read began ends the fetch. The server holds a read back until
// the test, standing in for the window, has advanced g_nIdleTicks.

#include "jobs/WindowReadWatch.h"
#include "JobFixture.h"

#include <future>

namespace {

using Kind = FetchOutcome::Kind;

class WindowReadWatchTest : public JobTest {};

} // namespace

TEST_F(WindowReadWatchTest, AReadTimesOutFrom270TicksOn) {
    struct Case {
        const char* name;
        std::string tail; // sent when the held read is let go; then the connection closes
        int ticksWhileHeld;
        Kind expectedKind;
    };
    const Case cases[] = {
        {"just 269 ticks is in time", "tail", 269, Kind::Received},
        {"at 270 ticks the read is too late", "tail", 270, Kind::TimedOut},
        {"well past the limit", "tail", 5000, Kind::TimedOut},
        // The body was complete; only the final, empty read came back late.
        {"a late final empty read", "", 270, Kind::TimedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetRunState();
        const std::string head(1024, 'h'); // exactly the first chunk
        const std::string tail = c.tail;
        RawSocketServer server([&head, tail](RawConnection& peer) {
            peer.ReadRequestHead();
            peer.Send("HTTP/1.0 200 OK\r\n\r\n" + head);
            peer.WaitForRelease();
            peer.Send(tail);
        });
        const std::string url = server.Url("/held");
        std::future<FetchOutcome> fetch = std::async(std::launch::async, [url] {
            WindowReadWatch watch;
            return PageFetch(url, &watch);
        });
        // The second read has begun and waits for the server.
        WaitUntil([] { return g_nChunksRead.load() >= 2; });
        g_nIdleTicks = c.ticksWhileHeld;
        server.Release();
        const FetchOutcome outcome = fetch.get();

        ASSERT_EQ(outcome.kind, c.expectedKind);
        if (c.expectedKind == Kind::Received) {
            EXPECT_EQ(outcome.strPage, head + c.tail);
            EXPECT_EQ(g_nChunksRead.load(), 0) << "a whole page drops the bar back";
        } else {
            EXPECT_TRUE(outcome.strPage.empty()) << "nothing of a timed-out page is returned";
            EXPECT_EQ(g_nChunksRead.load(), 2) << "a time-out keeps the chunk counters";
        }
    }
}

// Ticks counted between fetches do not count against the next one: each read starts at 0.
TEST_F(WindowReadWatchTest, IdleTicksBeforeTheFetchDoNotTimeItOut) {
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\nquick");
    });
    g_nIdleTicks = 100000;
    g_nChunksRead = 7;
    g_nChunksShown = 3;
    WindowReadWatch watch;

    const FetchOutcome outcome = PageFetch(server.Url("/"), &watch);

    ASSERT_EQ(outcome.kind, Kind::Received);
    EXPECT_EQ(outcome.strPage, "quick");
    EXPECT_EQ(g_nChunksRead.load(), 0);
    EXPECT_EQ(g_nChunksShown.load(), 0);
}
