// The fetch asks its watch after every read whether that read came back too late, and then loses
// the whole page. The server holds a read back while the test, standing in for the front end,
// decides. (The window's own rule, 270 of its ticks, is tested with the jobs.)

#include "FetchFixture.h"
#include "support/RawSocketServer.h"

using Kind = FetchOutcome::Kind;

namespace {

struct HeldReadCase {
    const char* name;
    std::string tail; // sent when the held read is let go; then the connection closes
    bool lateWhileHeld;
    Kind expectedKind;
};

class HeldRead : public FetchTest, public ::testing::WithParamInterface<HeldReadCase> {};

TEST_P(HeldRead, ALateReadLosesThePage) {
    const HeldReadCase& c = GetParam();
    const std::string head(1024, 'h'); // exactly the first chunk
    RawSocketServer server([&](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\n" + head);
        peer.WaitForRelease();
        peer.Send(c.tail);
    });
    std::future<FetchOutcome> fetch = FetchInBackground(server.Url("/held"), m_watch);

    // The second read has begun and waits for the server.
    ASSERT_TRUE(WaitForReadsBegun(m_watch, 2));
    m_watch.late = c.lateWhileHeld;
    server.Release();
    const FetchOutcome outcome = fetch.get();

    ASSERT_EQ(outcome.kind, c.expectedKind);
    if (c.expectedKind == Kind::Received) {
        EXPECT_EQ(outcome.strPage, head + c.tail);
        EXPECT_EQ(m_watch.pagesReceived.load(), 1);
    } else {
        EXPECT_TRUE(outcome.strPage.empty()) << "nothing of a timed-out page is returned";
        EXPECT_EQ(m_watch.reads.load(), 2) << "no read begins after the late one";
        EXPECT_EQ(m_watch.pagesReceived.load(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reads, HeldRead,
    ::testing::Values(HeldReadCase{"InTime", "tail", false, Kind::Received},
                      HeldReadCase{"TooLate", "tail", true, Kind::TimedOut},
                      // The body was complete; only the final, empty read came back late.
                      HeldReadCase{"LateFinalEmptyRead", "", true, Kind::TimedOut}),
    [](const auto& param) { return std::string(param.param.name); });

// Without a watch no read is too late, and the page comes whole.
TEST_F(FetchTest, WithoutAWatchNoReadIsTooLate) {
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\nquick");
    });

    const FetchOutcome outcome = PageFetch(server.Url("/"));

    ASSERT_EQ(outcome.kind, Kind::Received);
    EXPECT_EQ(outcome.strPage, "quick");
}

} // namespace
