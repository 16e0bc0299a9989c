// What each answer of a working server becomes, and what the fetch does to the run state's
// chunk counters on the way.

#include "FetchFixture.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"

#include <gmock/gmock.h>

using Kind = FetchOutcome::Kind;

namespace {

struct StatusCase {
    const char* name;
    int status;
    std::string body;
    Kind expectedKind;
};

std::ostream& operator<<(std::ostream& out, const StatusCase& c) {
    return out << c.name;
}

class PageFetchStatus : public FetchTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(PageFetchStatus, OnlyStatus200IsReceivedAndOnlyItResetsTheChunkCounters) {
    const StatusCase& c = GetParam();
    LoopbackServer server;
    server.Routes().Get("/page", [&c](const httplib::Request&, httplib::Response& response) {
        response.status = c.status;
        if (!c.body.empty()) {
            response.set_content(c.body, "text/html");
        }
    });
    server.Start();
    const FetchOutcome outcome = PageFetch(server.Url("/page"), &m_watch);

    ASSERT_EQ(outcome.kind, c.expectedKind);
    if (c.expectedKind == Kind::Received) {
        EXPECT_EQ(outcome.strPage, c.body);
        EXPECT_GE(m_watch.reads.load(), 1);
        EXPECT_EQ(m_watch.pagesReceived.load(), 1) << "only a completed read loop is a page";
    } else {
        EXPECT_EQ(outcome.nStatus, c.status);
        EXPECT_TRUE(outcome.strPage.empty());
        EXPECT_EQ(m_watch.reads.load(), 0) << "a bad status reads no body";
        EXPECT_EQ(m_watch.pagesReceived.load(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PageFetchStatus,
    ::testing::Values(StatusCase{"BodyOfSeveralChunks", 200, RepeatedText(3000), Kind::Received},
                      StatusCase{"BodyOfExactlyTwoChunks", 200, RepeatedText(2048), Kind::Received},
                      StatusCase{"EmptyBody", 200, "", Kind::Received},
                      StatusCase{"NotFound", 404, "<h1>gone</h1>", Kind::BadStatus},
                      StatusCase{"ServerError", 500, "<h1>oops</h1>", Kind::BadStatus},
                      StatusCase{"NoContent", 204, "", Kind::BadStatus},
                      StatusCase{"Created", 201, "made", Kind::BadStatus}),
    [](const auto& param) { return std::string(param.param.name); });

// A 404 whose body never ends: the fetch must not try to read it. With the layer's idle
// time-out shortened, a fetch that did read would fail instead of answering 404.
TEST_F(FetchTest, BadStatusReturnsWithoutWaitingForTheBody) {
    UseShortIdleTimeout();
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 404 Not Found\r\nContent-Length: 100000\r\n\r\nnot here");
        peer.WaitForRelease();
    });

    const FetchOutcome outcome = PageFetch(server.Url("/missing"));

    ASSERT_EQ(outcome.kind, Kind::BadStatus);
    EXPECT_EQ(outcome.nStatus, 404);
}

// A reply without a status line is an answer whose status cannot be read.
TEST_F(FetchTest, ReplyWithoutStatusLineIsBadStatusWithoutCode) {
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("This is not HTTP at all\r\nJust words.\r\n\r\n");
    });

    const FetchOutcome outcome = PageFetch(server.Url("/page"));

    ASSERT_EQ(outcome.kind, Kind::BadStatus);
    EXPECT_EQ(outcome.nStatus, std::nullopt);
}

// Each chunk of 1024 bytes counts up to its own first zero byte; the next chunk starts afresh.
TEST_F(FetchTest, ZeroBytesCutTheRestOfTheirChunkOnly) {
    std::string first = "ab" + std::string(1, '\0') + "cd";
    first.resize(1024, 'x');
    const std::string second(1024, 'y');
    std::string third = "zz" + std::string(1, '\0');
    third.resize(500, 'w');
    RawSocketServer server([&](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n");
        // Sent in pieces that do not match the chunks: the reads fill whole chunks anyway.
        const std::string body = first + second + third;
        peer.Send(body.substr(0, 700));
        peer.Send(body.substr(700));
    });

    const FetchOutcome outcome = PageFetch(server.Url("/binary"));

    ASSERT_EQ(outcome.kind, Kind::Received);
    // Chunk 1 gives "ab", chunk 2 all of its y, chunk 3 (the last 500 bytes) "zz".
    EXPECT_EQ(outcome.strPage, "ab" + second + "zz");
}

// The chunk rule applied to a whole body: each 1024 bytes count up to their first zero byte.
std::string ChunkedText(const std::string& body) {
    std::string text;
    for (std::size_t start = 0; start < body.size(); start += 1024) {
        text += body.substr(start, 1024).substr(0, body.substr(start, 1024).find('\0'));
    }
    return text;
}

// Numbered words, so a piece lost, doubled or moved shows in the text; a zero byte now and then.
std::string NumberedWords(std::size_t length) {
    std::string body;
    for (int word = 0; body.size() < length; ++word) {
        body += std::to_string(word) + ' ';
    }
    body.resize(length);
    for (std::size_t at = 5; at < length; at += 70001) {
        body[at] = '\0';
    }
    return body;
}

class LargeBody : public FetchTest, public ::testing::WithParamInterface<bool> {};

// A body far larger than the layer buffers, sent as fast as the socket takes it, so the
// transfer is paused and resumed many times; without a length the body ends by the server
// closing the connection, which may happen while the transfer is paused. Every read but the
// last still fills its whole chunk.
TEST_P(LargeBody, ArrivesWholeInOrderAndInFullChunks) {
    const bool announced = GetParam();
    const std::string body = NumberedWords(3 * 1024 * 1024 + 123);
    RawSocketServer server([&](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n" +
                  (announced ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") +
                  "\r\n");
        peer.Send(body);
    });

    const FetchOutcome outcome = PageFetch(server.Url("/large"), &m_watch);

    ASSERT_EQ(outcome.kind, Kind::Received);
    EXPECT_TRUE(outcome.strPage == ChunkedText(body)) << "the page differs from what was sent";
    EXPECT_EQ(m_watch.pagesReceived.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LargeBody, ::testing::Values(true, false), [](const auto& param) {
    return std::string(param.param ? "Announced" : "EndedByClose");
});

// Compression is asked for and undone; a body that claims it and cannot be undone is no page.
TEST_F(FetchTest, ACompressedBodyThatCannotBeDecodedIsAnErrorThatSaysSo) {
    const std::string body = "\x1f\x8b not really gzip \xe4\xf6\xfc";
    std::string acceptEncoding;
    LoopbackServer server;
    server.Routes().Get("/", [&](const httplib::Request& request, httplib::Response& response) {
        response.set_content(body, "application/octet-stream");
        response.set_header("Content-Encoding", "gzip");
        acceptEncoding = request.get_header_value("Accept-Encoding");
    });
    server.Start();

    const FetchOutcome outcome = PageFetch(server.Url("/"));

    EXPECT_THAT(acceptEncoding, ::testing::HasSubstr("gzip"));
    ASSERT_EQ(outcome.kind, Kind::InternetFailure);
    EXPECT_EQ(outcome.nError, static_cast<std::uint32_t>(ERROR_VNT_DAMAGED_ENCODING));
    EXPECT_THAT(outcome.strErrorMessage, ::testing::HasSubstr("compressed data is damaged"));
}

} // namespace
