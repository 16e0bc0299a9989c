// The wire side of a check: a stored copy's validators go out with its request, a 304 counts only
// for the copy they came with, and compressed answers are stored as the page itself, with the
// faults a server may send (a bomb, damaged or cut compression, validators that lie) told as such.

#include "check/AddPage.h"
#include "check/CheckRun.h"
#include "fetch/PageFetch.h"
#include "platform/inet/InternetOptions.h"
#include "records/CopyValidators.h"
#include "support/CheckRunDoubles.h"
#include "support/Compressed.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"
#include "support/ScopedEnvironment.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// One page whose answers the test sets: its text, its validators, and whether it honours them.
struct SiteState {
    std::string page = "<title>T</title>first page";
    std::string etag = "\"v1\"";
    std::string lastModified;
    std::string date;
    bool honoursValidators = true;
    bool alwaysNotModified = false;
    bool newEtagEachAnswer = false;
    int answers = 0;
    std::vector<std::string> ifNoneMatch;     // as each request carried it ("" for none)
    std::vector<std::string> ifModifiedSince; // the same
};

class ConditionalCheckTest : public InTempDirectory {
protected:
    ConditionalCheckTest() {
        m_server.Routes().Get(
            "/page", [this](const httplib::Request& request, httplib::Response& response) {
                const std::lock_guard lock(m_guard);
                SiteState& site = m_site;
                ++site.answers;
                site.ifNoneMatch.push_back(request.get_header_value("If-None-Match"));
                site.ifModifiedSince.push_back(request.get_header_value("If-Modified-Since"));
                if (site.newEtagEachAnswer) {
                    site.etag = "\"e" + std::to_string(site.answers) + "\"";
                }
                if (!site.etag.empty()) {
                    response.set_header("ETag", site.etag);
                }
                if (!site.lastModified.empty()) {
                    response.set_header("Last-Modified", site.lastModified);
                }
                if (!site.date.empty()) {
                    response.set_header("Date", site.date);
                }
                const bool matches =
                    !site.etag.empty() && request.get_header_value("If-None-Match") == site.etag;
                if (site.alwaysNotModified || (site.honoursValidators && matches)) {
                    response.status = 304;
                    return;
                }
                response.set_content(site.page, "text/html");
            });
        m_server.Start();
    }

    std::string Url() const { return m_server.Url("/page"); }
    SiteState Site() {
        const std::lock_guard lock(m_guard);
        return m_site;
    }
    template <typename Change> void ChangeSite(Change change) {
        const std::lock_guard lock(m_guard);
        change(m_site);
    }

    std::string Add(const std::string& url) {
        const PageAdd add = StoreFetchedPage(url, PageFetch(url));
        EXPECT_EQ(add.result, PageAdd::Result::Stored) << add.reason;
        return add.recordFileName;
    }

    std::vector<CheckedRecord> Check(const std::vector<std::string>& names, bool whole = false) {
        ListedRecords source(names);
        CheckRun run(source, m_clock, {1000, std::nullopt}, {}, nullptr);
        if (whole) {
            run.FetchWholePages();
        }
        std::vector<CheckedRecord> results;
        const auto giveUp = std::chrono::steady_clock::now() + 30s;
        for (;;) {
            run.FetchAhead();
            if (run.Finished()) {
                break;
            }
            if (run.InHandReady()) {
                if (std::optional<CheckedRecord> result = run.TakeInHand()) {
                    results.push_back(std::move(*result));
                }
                continue;
            }
            if (std::chrono::steady_clock::now() > giveUp) {
                ADD_FAILURE() << "the check never ended";
                break;
            }
            run.Drive(5ms);
            m_clock.Advance();
        }
        return results;
    }

    WithoutProxyVariables m_noProxy;
    TestClock m_clock;
    std::mutex m_guard;
    SiteState m_site;
    LoopbackServer m_server;
};

// A page unchanged since it was added costs one request answered "304": the same line as a
// whole page that compared the same, the record untouched. A page changed after such a check
// is seen, and its new copy's validators are the ones sent next.
TEST_F(ConditionalCheckTest, NotModifiedIsTheUnchangedLineAndAChangeAfterItIsSeen) {
    const std::string record = Add(Url());
    const std::string stored = ReadWholeFile(record);

    std::vector<CheckedRecord> results = Check({record});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].check.result, PageCheck::Result::Same);
    EXPECT_EQ(results[0].check.line, Url());
    EXPECT_EQ(ReadWholeFile(record), stored);
    EXPECT_EQ(Site().ifNoneMatch.back(), "\"v1\"");

    ChangeSite([](SiteState& site) {
        site.page = "<title>T</title>second page";
        site.etag = "\"v2\"";
    });
    results = Check({record});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].check.line, "UPDATE " + Url());
    EXPECT_THAT(ReadWholeFile(record), HasSubstr("second page"));

    results = Check({record});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].check.result, PageCheck::Result::Same);
    EXPECT_EQ(Site().ifNoneMatch.back(), "\"v2\"");

    // A whole check asks nothing: the page comes whole and compares the same.
    results = Check({record}, true);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].check.result, PageCheck::Result::Same);
    EXPECT_EQ(Site().ifNoneMatch.back(), "");
}

// The validators belong to the copy they came with. A record rewritten by another program,
// restored from its history or edited by hand holds another copy: the server's 304 is not taken
// for it, the page is fetched again whole and compared, and so is a record whose rules changed.
TEST_F(ConditionalCheckTest, ACopyChangedElsewhereNeverGetsANotModifiedItDidNotEarn) {
    struct Case {
        const char* what;
        std::string recordPage; // what the record holds at the check ("" keeps it)
        std::string rules;      // the record's rules at the check ("" for none)
        PageCheck::Result expected;
    };
    const Case cases[] = {
        {"edited by hand", "<title>T</title>an older page", "", PageCheck::Result::Changed},
        {"rules given since", "", "text\n", PageCheck::Result::Same},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string record = Add(Url());
        if (!c.recordPage.empty()) {
            WriteWholeFile(record, Url() + "|T|1:1:2025*" + c.recordPage);
        }
        if (!c.rules.empty()) {
            WriteWholeFile(record + ".rules", c.rules);
        }
        const int before = Site().answers;

        const std::vector<CheckedRecord> results = Check({record});

        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].check.result, c.expected) << results[0].check.reason;
        EXPECT_THAT(ReadWholeFile(record), HasSubstr("first page"));
        // The conditional request, then the whole page.
        const SiteState site = Site();
        ASSERT_EQ(site.answers, before + 2);
        EXPECT_EQ(site.ifNoneMatch[site.ifNoneMatch.size() - 2], "\"v1\"");
        EXPECT_EQ(site.ifNoneMatch.back(), "");
    }
}

// Servers whose validators cannot be trusted: the line is what the page itself says.
TEST_F(ConditionalCheckTest, ValidatorsThatLieNeverHideOrInventAChange) {
    // A 304 to a request that carried no validators is a page error, as any odd status.
    {
        WriteWholeFile("1.vnt", Url() + "|T|1:1:2025*<title>T</title>first page");
        ChangeSite([](SiteState& site) { site.alwaysNotModified = true; });
        const std::vector<CheckedRecord> results = Check({"1.vnt"});
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].check.line, "Page Error " + Url());
        EXPECT_THAT(results[0].check.reason, HasSubstr("304"));
        ChangeSite([](SiteState& site) { site.alwaysNotModified = false; });
    }
    // An ETag that changes while the page does not: the same page every time, the record kept,
    // and the newest ETag sent next.
    {
        ChangeSite([](SiteState& site) { site.newEtagEachAnswer = true; });
        const std::string record = Add(Url());
        const std::string stored = ReadWholeFile(record);
        for (int check = 0; check < 2; ++check) {
            const std::vector<CheckedRecord> results = Check({record});
            ASSERT_EQ(results.size(), 1u);
            EXPECT_EQ(results[0].check.result, PageCheck::Result::Same);
            EXPECT_EQ(ReadWholeFile(record), stored);
            const SiteState site = Site();
            EXPECT_EQ(site.ifNoneMatch.back(), "\"e" + std::to_string(site.answers - 1) + "\"");
        }
        ChangeSite([](SiteState& site) {
            site.newEtagEachAnswer = false;
            site.etag = "\"v1\"";
        });
    }
    // A server that ignores the validators sends the page whole; a change is still seen.
    {
        ChangeSite([](SiteState& site) { site.honoursValidators = false; });
        const std::string record = Add(Url());
        EXPECT_EQ(Check({record})[0].check.result, PageCheck::Result::Same);
        ChangeSite([](SiteState& site) { site.page = "<title>T</title>other page"; });
        EXPECT_EQ(Check({record})[0].check.result, PageCheck::Result::Changed);
    }
}

// A Last-Modified later than the answer's own date is no validator; one before it is sent back.
TEST_F(ConditionalCheckTest, ALastModifiedInTheFutureIsNeverSent) {
    const struct {
        const char* lastModified;
        const char* sent;
    } cases[] = {
        {"Fri, 01 Jan 2100 00:00:00 GMT", ""},
        {"Mon, 01 Jan 2024 00:00:00 GMT", "Mon, 01 Jan 2024 00:00:00 GMT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastModified);
        ChangeSite([&](SiteState& site) {
            site.etag.clear();
            site.lastModified = c.lastModified;
            site.date = "Tue, 02 Jan 2024 00:00:00 GMT";
        });
        const std::string record = Add(Url());
        Check({record});
        EXPECT_EQ(Site().ifModifiedSince.back(), c.sent);
    }
}

// What a server sends compressed is stored decoded; a body that cannot be decoded, or that
// decodes past the page size limit, is an error with its reason and stores nothing.
TEST_F(ConditionalCheckTest, CompressedAnswersAreStoredDecodedOrFailWithTheirReason) {
    const std::string page = "<title>Zipped</title>" + std::string(5000, 'z');
    const std::string zipped = Gzipped(page);
    const std::string bomb = Gzipped(std::string(8 * 1024 * 1024, 'b'));
    std::string corrupt = zipped;
    corrupt.replace(12, 40, std::string(40, '\x55'));
    // A stream that ends before its last block, sent with a length that matches what is sent:
    // the transfer itself is whole, only the compression is cut.
    const std::string cut = zipped.substr(0, zipped.size() / 2);
    // The same stream without its last eight bytes, its length and checksum.
    const std::string tailless = zipped.substr(0, zipped.size() - 8);
    struct Case {
        const char* what;
        std::string body;
        PageCheck::Result expected;
        const char* reason;
    };
    const Case cases[] = {
        {"whole", zipped, PageCheck::Result::Changed, ""},
        {"corrupt", corrupt, PageCheck::Result::Failed, "compressed data is damaged"},
        {"cut short", cut, PageCheck::Result::Failed, "compressed data is damaged"},
        {"cut before its checksum", tailless, PageCheck::Result::Failed,
         "compressed data is damaged"},
        {"a bomb past the limit", bomb, PageCheck::Result::Failed, "larger than"},
    };
    InternetOptions options;
    options.maxBodyBytes = 1024 * 1024;
    SetInternetOptions(options);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawSocketServer server([&](RawConnection& peer) {
            peer.ReadRequestHead();
            peer.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
                      "Connection: close\r\nContent-Length: " +
                      std::to_string(c.body.size()) + "\r\n\r\n" + c.body);
        });
        const std::string stored = server.Url("/z") + "|T|1:1:2025*old";
        WriteWholeFile("1.vnt", stored);

        const std::vector<CheckedRecord> results = Check({"1.vnt"});

        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].check.result, c.expected) << results[0].check.reason;
        EXPECT_THAT(results[0].check.reason, HasSubstr(c.reason));
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_THAT(server.Requests().front(), HasSubstr("Accept-Encoding: "));
        EXPECT_THAT(server.Requests().front(), HasSubstr("gzip"));
        const std::string now = ReadWholeFile("1.vnt");
        if (c.expected == PageCheck::Result::Changed) {
            EXPECT_THAT(now, ::testing::EndsWith("*" + page));
        } else {
            EXPECT_EQ(now, stored);
        }
    }
    SetInternetOptions(InternetOptions{});
}

} // namespace
