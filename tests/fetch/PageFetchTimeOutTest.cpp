// The idle-tick rule: a read that returns when the window's tick has counted 270 or more since
// the read began ends the fetch. The server holds a read back until the test, standing in for
// the window, has advanced g_nIdleTicks.

#include "FetchFixture.h"
#include "support/RawSocketServer.h"

using Kind = FetchOutcome::Kind;

namespace {

struct HeldReadCase {
    const char* name;
    std::string tail; // sent when the held read is let go; then the connection closes
    int ticksWhileHeld;
    Kind expectedKind;
};

class HeldRead : public FetchTest, public ::testing::WithParamInterface<HeldReadCase> {};

TEST_P(HeldRead, TimesOutFrom270TicksOn) {
    const HeldReadCase& c = GetParam();
    const std::string head(1024, 'h'); // exactly the first chunk
    RawSocketServer server([&](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\n" + head);
        peer.WaitForRelease();
        peer.Send(c.tail);
    });
    std::future<FetchOutcome> fetch = FetchInBackground(server.Url("/held"));

    // The second read has begun and waits for the server.
    ASSERT_TRUE(WaitForReadsBegun(2));
    g_nIdleTicks = c.ticksWhileHeld;
    server.Release();
    const FetchOutcome outcome = fetch.get();

    ASSERT_EQ(outcome.kind, c.expectedKind);
    if (c.expectedKind == Kind::Received) {
        EXPECT_EQ(outcome.strPage, head + c.tail);
        EXPECT_EQ(g_nChunksRead.load(), 0);
    } else {
        EXPECT_TRUE(outcome.strPage.empty()) << "nothing of a timed-out page is returned";
        EXPECT_EQ(g_nChunksRead.load(), 2) << "a time-out keeps the chunk counters";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, HeldRead,
    ::testing::Values(HeldReadCase{"Just269TicksIsInTime", "tail", 269, Kind::Received},
                      HeldReadCase{"At270TicksTheReadIsTooLate", "tail", 270, Kind::TimedOut},
                      HeldReadCase{"WellPastTheLimit", "tail", 5000, Kind::TimedOut},
                      // The body was complete; only the final, empty read came back late.
                      HeldReadCase{"LateFinalEmptyRead", "", 270, Kind::TimedOut}),
    [](const auto& param) { return std::string(param.param.name); });

// Ticks counted between fetches do not count against the next one: each read starts at 0.
TEST_F(FetchTest, IdleTicksBeforeTheFetchDoNotTimeItOut) {
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\nquick");
    });
    g_nIdleTicks = 100000;

    const FetchOutcome outcome = PageFetch(server.Url("/"));

    ASSERT_EQ(outcome.kind, Kind::Received);
    EXPECT_EQ(outcome.strPage, "quick");
}

} // namespace
