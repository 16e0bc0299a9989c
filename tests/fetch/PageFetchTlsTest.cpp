// https: TLS with the certificate and host name verified. The tests make a throwaway
// certificate authority; the layer trusts it only when told to.

#include "FetchFixture.h"
#include "platform/inet/WinInet.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"

#include <gmock/gmock.h>

#include <memory>

using ::testing::HasSubstr;
using Kind = FetchOutcome::Kind;

namespace {

class TlsFetch : public FetchTest {
protected:
    static void SetUpTestSuite() {
        s_ca = std::make_unique<ThrowawayCa>();
        s_forLoopback = s_ca->Issue("loopback", "IP:127.0.0.1");
        s_forElsewhere = s_ca->Issue("elsewhere", "DNS:elsewhere.test");
    }
    static void TearDownTestSuite() { s_ca.reset(); }

    static void TrustTheTestCa() {
        InternetOptions options;
        options.extraCaFile = s_ca->CaFile();
        SetInternetOptions(options);
    }

    static std::unique_ptr<LoopbackServer> SecureServer(const ServerCertificate& certificate) {
        auto server =
            std::make_unique<LoopbackServer>(certificate.certificateFile, certificate.keyFile);
        server->Routes().Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("secure page", "text/html");
        });
        server->Start();
        return server;
    }

    static inline std::unique_ptr<ThrowawayCa> s_ca;
    static inline ServerCertificate s_forLoopback;
    static inline ServerCertificate s_forElsewhere;
};

TEST_F(TlsFetch, TrustedCertificateForTheHostIsAccepted) {
    TrustTheTestCa();
    const auto server = SecureServer(s_forLoopback);

    const FetchOutcome outcome = PageFetch(server->Url("/"));

    ASSERT_EQ(outcome.kind, Kind::Received) << outcome.strErrorMessage;
    EXPECT_EQ(outcome.strPage, "secure page");
}

TEST_F(TlsFetch, CertificateFromAnUntrustedAuthorityIsRefused) {
    const auto server = SecureServer(s_forLoopback);
    const std::string url = server->Url("/");

    const FetchOutcome outcome = PageFetch(url);

    ASSERT_EQ(outcome.kind, Kind::InternetFailure);
    EXPECT_EQ(outcome.nError, ERROR_INTERNET_SEC_CERT_INVALID);
    EXPECT_THAT(outcome.strErrorMessage, HasSubstr(url));
    EXPECT_THAT(outcome.strErrorMessage, HasSubstr("certificate could not be verified"));
}

TEST_F(TlsFetch, CertificateForAnotherHostIsRefused) {
    TrustTheTestCa();
    const auto server = SecureServer(s_forElsewhere);

    const FetchOutcome outcome = PageFetch(server->Url("/"));

    ASSERT_EQ(outcome.kind, Kind::InternetFailure);
    EXPECT_EQ(outcome.nError, ERROR_INTERNET_SEC_CERT_INVALID);
}

// An https URL is never fetched as plain HTTP, not even from a server that speaks only that.
TEST_F(TlsFetch, HttpsUrlOfAPlainServerFailsTheHandshake) {
    LoopbackServer plain;
    plain.Routes().Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("plain page", "text/html");
    });
    plain.Start();
    const std::string url = "https://127.0.0.1:" + std::to_string(plain.Port()) + "/";

    const FetchOutcome outcome = PageFetch(url);

    ASSERT_EQ(outcome.kind, Kind::InternetFailure);
    EXPECT_EQ(outcome.nError, ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
}

TEST_F(TlsFetch, RedirectFromHttpsToPlainHttpIsNotFollowed) {
    TrustTheTestCa();
    LoopbackServer plain;
    std::atomic<int> plainRequests = 0;
    plain.Routes().Get("/", [&](const httplib::Request&, httplib::Response& response) {
        ++plainRequests;
        response.set_content("downgraded", "text/html");
    });
    plain.Start();
    LoopbackServer secure(s_forLoopback.certificateFile, s_forLoopback.keyFile);
    secure.Routes().Get("/", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(plain.Url("/"));
    });
    secure.Start();
    const std::string url = secure.Url("/");

    const FetchOutcome outcome = PageFetch(url);

    ASSERT_EQ(outcome.kind, Kind::InternetFailure);
    EXPECT_EQ(outcome.nError, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
    EXPECT_THAT(outcome.strErrorMessage, HasSubstr("not secure"));
    EXPECT_EQ(plainRequests.load(), 0);
}

TEST_F(TlsFetch, RedirectFromHttpToHttpsIsFollowed) {
    TrustTheTestCa();
    const auto secure = SecureServer(s_forLoopback);
    LoopbackServer plain;
    plain.Routes().Get("/", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(secure->Url("/"));
    });
    plain.Start();

    const FetchOutcome outcome = PageFetch(plain.Url("/"));

    ASSERT_EQ(outcome.kind, Kind::Received) << outcome.strErrorMessage;
    EXPECT_EQ(outcome.strPage, "secure page");
}

} // namespace
