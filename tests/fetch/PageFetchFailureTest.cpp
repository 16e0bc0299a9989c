// Failures of the internet layer: each ends as InternetFailure with its error number and a
// message that names the URL, and none of them leaves a handle open (see the fixture).

#include "FetchFixture.h"
#include "platform/inet/WinInet.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using Kind = FetchOutcome::Kind;

namespace {

void ExpectFailure(const FetchOutcome& outcome, DWORD error, const std::string& url,
                   const std::string& words) {
    ASSERT_EQ(outcome.kind, Kind::InternetFailure);
    EXPECT_EQ(outcome.nError, error);
    EXPECT_THAT(outcome.strErrorMessage, HasSubstr(url));
    EXPECT_THAT(outcome.strErrorMessage, HasSubstr(words));
    EXPECT_LE(outcome.strErrorMessage.size(), 511u);
    EXPECT_TRUE(outcome.strPage.empty());
}

// URL forms that must never be fetched or guessed at. A server listens at the port each one
// would reach if the layer guessed a scheme, and must see no connection.
struct UrlCase {
    const char* name;
    std::string urlAfterPort; // "" when the URL names no port
    std::string urlBeforePort;
    DWORD error;
    const char* words;
};

class UrlForms : public FetchTest, public ::testing::WithParamInterface<UrlCase> {};

TEST_P(UrlForms, AreInternetFailuresAndReachNoServer) {
    const UrlCase& c = GetParam();
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\nguessed");
    });
    const std::string url = c.urlBeforePort.empty() && c.urlAfterPort.empty()
                                ? std::string()
                                : c.urlBeforePort + std::to_string(server.Port()) + c.urlAfterPort;

    const FetchOutcome outcome = PageFetch(url);

    ExpectFailure(outcome, c.error, url, c.words);
    EXPECT_EQ(server.ConnectionCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, UrlForms,
    ::testing::Values(
        UrlCase{"Empty", "", "", ERROR_INTERNET_INVALID_URL, "not a complete web address"},
        UrlCase{"NoScheme", "/page", "127.0.0.1:", ERROR_INTERNET_UNRECOGNIZED_SCHEME,
                "does not start with http:// or https://"},
        UrlCase{"OtherScheme", "/page", "ftp://127.0.0.1:", ERROR_INTERNET_UNRECOGNIZED_SCHEME,
                "does not start with http:// or https://"},
        UrlCase{"SchemeWithoutSlashes", "/page", "mailto:me@127.0.0.1:",
                ERROR_INTERNET_UNRECOGNIZED_SCHEME, "does not start with http://"},
        UrlCase{"PortOutOfRange", "99/", "http://127.0.0.1:", ERROR_INTERNET_INVALID_URL,
                "not a complete web address"}),
    [](const auto& param) { return std::string(param.param.name); });

// "http://" alone, as the address box holds it at start.
TEST_F(FetchTest, BareSchemeIsAnInvalidUrl) {
    ExpectFailure(PageFetch("http://"), ERROR_INTERNET_INVALID_URL, "http://",
                  "not a complete web address");
}

TEST_F(FetchTest, RefusedConnectionCannotConnect) {
    RefusingPort port;
    const std::string url = "http://127.0.0.1:" + std::to_string(port.Port()) + "/page";

    ExpectFailure(PageFetch(url), ERROR_INTERNET_CANNOT_CONNECT, url, "Could not connect");
}

// Names under .invalid never resolve; the layer answers for them without asking a name server,
// so nothing leaves the machine.
TEST_F(FetchTest, UnresolvableHostNameIsNotResolved) {
    const std::string url = "http://no-such-host.invalid/page.html";

    ExpectFailure(PageFetch(url), ERROR_INTERNET_NAME_NOT_RESOLVED, url, "could not be found");
}

struct BrokenPeerCase {
    const char* name;
    std::string reply; // sent after the request head, then the connection closes
    DWORD error;
    const char* words;
    int readsBegun; // the counters keep what the failed fetch left
};

class BrokenPeers : public FetchTest, public ::testing::WithParamInterface<BrokenPeerCase> {};

TEST_P(BrokenPeers, EndAsInternetFailureWithTheCountersKept) {
    const BrokenPeerCase& c = GetParam();
    RawSocketServer server([&c](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send(c.reply);
    });
    const std::string url = server.Url("/page");

    const FetchOutcome outcome = PageFetch(url, &m_watch);

    ExpectFailure(outcome, c.error, url, c.words);
    EXPECT_EQ(m_watch.reads.load(), c.readsBegun);
    EXPECT_EQ(m_watch.pagesReceived.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Peers, BrokenPeers,
    ::testing::Values(BrokenPeerCase{"ClosesWithoutAnswer", "", ERROR_HTTP_INVALID_SERVER_RESPONSE,
                                     "did not send a valid HTTP answer", 0},
                      // 1024 bytes, then 976, then the read that finds the connection gone.
                      BrokenPeerCase{"BodyCutShort",
                                     "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" +
                                         std::string(2000, 'p'),
                                     ERROR_INTERNET_CONNECTION_ABORTED, "broken off", 3}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(FetchTest, StalledServerHitsTheLayersTimeOut) {
    UseShortIdleTimeout();
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.WaitForRelease(); // never answers while the test runs
    });
    const std::string url = server.Url("/slow");

    ExpectFailure(PageFetch(url), ERROR_INTERNET_TIMEOUT, url, "did not answer in time");
}

TEST_F(FetchTest, ServerStallingInTheBodyHitsTheLayersTimeOut) {
    UseShortIdleTimeout();
    RawSocketServer server([](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(1500, 's'));
        peer.WaitForRelease();
    });
    const std::string url = server.Url("/slow");

    ExpectFailure(PageFetch(url, &m_watch), ERROR_INTERNET_TIMEOUT, url, "did not answer in time");
    // 1024 bytes, the 476 that came before the stall, then the read that gave up.
    EXPECT_EQ(m_watch.reads.load(), 3);
}

struct SizeCase {
    const char* name;
    std::int64_t limit;
    std::optional<std::size_t> bodySize; // nothing: a body without end
    Kind expectedKind;
    const char* limitText = "65536 bytes"; // as the failure message gives the limit
};

class BodySizeLimit : public FetchTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(BodySizeLimit, EndsABodyLargerThanTheLimit) {
    const SizeCase& c = GetParam();
    InternetOptions options;
    options.maxBodyBytes = c.limit;
    SetInternetOptions(options);
    RawSocketServer server([&c](RawConnection& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.0 200 OK\r\n\r\n");
        if (c.bodySize) {
            peer.Send(std::string(*c.bodySize, 'b'));
            return;
        }
        const std::string block(16 * 1024, 'e');
        while (peer.Send(block)) {
        }
    });
    const std::string url = server.Url("/huge");

    const FetchOutcome outcome = PageFetch(url);

    if (c.expectedKind == Kind::Received) {
        ASSERT_EQ(outcome.kind, Kind::Received);
        EXPECT_EQ(outcome.strPage.size(), *c.bodySize);
    } else {
        ExpectFailure(outcome, ERROR_VNT_PAGE_TOO_LARGE, url,
                      std::string("larger than ") + c.limitText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BodySizeLimit,
    ::testing::Values(SizeCase{"EndlessBody", 65536, std::nullopt, Kind::InternetFailure},
                      SizeCase{"OneByteOver", 65536, 65537, Kind::InternetFailure},
                      SizeCase{"ExactlyAtTheLimit", 65536, 65536, Kind::Received},
                      // Far more than the layer buffers, so the transfer is paused and resumed
                      // on the way: bytes held back while paused must count once, not twice.
                      SizeCase{"LargeBodyAtTheLimit", 4 << 20, 4u << 20, Kind::Received, "4 MiB"},
                      SizeCase{"LargeBodyOneByteOver", 4 << 20, (4u << 20) + 1,
                               Kind::InternetFailure, "4 MiB"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(FetchTest, DefaultBodyLimitIsFarAboveAnyRealPage) {
    EXPECT_GE(GetInternetOptions().maxBodyBytes, std::int64_t{64} * 1024 * 1024);
}

TEST_F(FetchTest, EndlessRedirectsFailAfterTen) {
    LoopbackServer server;
    std::atomic<int> hops = 0;
    server.Routes().Get(
        R"(/hop/(\d+))", [&hops](const httplib::Request& request, httplib::Response& response) {
            ++hops;
            response.set_redirect("/hop/" + std::to_string(std::stoi(request.matches[1]) + 1));
        });
    server.Start();
    const std::string url = server.Url("/hop/0");

    ExpectFailure(PageFetch(url), ERROR_HTTP_REDIRECT_FAILED, url, "redirects too many times");
    EXPECT_EQ(hops, 11); // the first request and ten redirects followed
}

} // namespace
