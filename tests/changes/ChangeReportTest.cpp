// The change report's page: what it shows of a change, and that nothing of a watched page (its
// title, address or text) becomes markup in it, checked by reading the report back with an HTML
// parser.
#include "ReportDocument.h"

#include "changes/ChangeReport.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <set>

namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::string_literals;

PageChange Change(const std::string& before, const std::string& after) {
    PageChange page;
    page.title = "A page";
    page.url = "https://example.org/page";
    page.before = ReportVersion{"2026-12-10 09:00", before};
    page.after = ReportVersion{"2026-12-11 09:00", after};
    return page;
}

// What a hostile page might hold, in its title, its address or its text.
const char* const kHostile[] = {
    "<script>alert(1)</script>",
    "<img src=x onerror=\"alert(1)\">",
    "<a href=\"javascript:alert(1)\">click me</a>",
    "<div <p class=\"x\" <b>unclosed",
    "</td></tr></table></section><script>alert(2)</script>",
    "\" onmouseover=\"alert(3)\" x=\"",
    "' onfocus='alert(4)' autofocus x='",
    "<iframe src=\"https://evil.example/\"></iframe>",
    "<link rel=stylesheet href=https://evil.example/s.css>",
    "<style>@import url(https://evil.example/s.css);</style>",
    "<meta http-equiv=\"refresh\" content=\"0;url=https://evil.example/\">",
    "<base href=\"https://evil.example/\">",
    "<!-- <script>alert(5)</script> -->",
    "<svg onload=alert(6)><use href=\"https://evil.example/#x\"/></svg>",
    "&lt;script&gt;alert(7)&lt;/script&gt;",
    "<object data=\"https://evil.example/x.swf\"></object><embed src=\"x\">",
    "<form action=\"https://evil.example/\"><button formaction=\"x\">go</button></form>",
};

// The only elements and attributes the report is made of; anything else came from a page.
const std::set<std::string> kOwnElements = {
    "html",  "head",     "meta", "title", "style", "body", "h1", "section", "h2",  "p",  "a",
    "table", "colgroup", "col",  "thead", "tbody", "tr",   "th", "td",      "del", "ins"};
const std::set<std::string> kOwnAttributes = {"lang",  "charset", "http-equiv", "content", "name",
                                              "class", "colspan", "href",       "rel"};

// Checks that the report holds only its own markup: no element or attribute from a page, no
// script, no event handler, no link but an http(s) one to the page itself, nothing loaded.
void ExpectOnlyOwnMarkup(const ReportDocument& report, const std::vector<std::string>& links) {
    std::vector<std::string> hrefs;
    for (const ReportElement& element : report.Elements()) {
        SCOPED_TRACE(element.name);
        EXPECT_TRUE(kOwnElements.count(element.name)) << "element from a page";
        for (const auto& [name, value] : element.attributes) {
            EXPECT_TRUE(kOwnAttributes.count(name)) << "attribute from a page: " << name;
            EXPECT_NE(name.rfind("on", 0), 0u) << "an event handler: " << name;
            if (name == "href") {
                hrefs.push_back(value);
            }
        }
        if (element.name == "a") {
            EXPECT_THAT(element.attributes, ::testing::Contains(std::pair<std::string, std::string>(
                                                "rel", "noreferrer")));
        }
    }
    EXPECT_EQ(hrefs, links);
    // The one style is the report's own and loads nothing.
    const std::vector<std::string> styles = report.Texts("//style");
    ASSERT_EQ(styles.size(), 1u);
    EXPECT_THAT(styles[0],
                AllOf(Not(HasSubstr("url(")), Not(HasSubstr("@import")), Not(HasSubstr("evil"))));
    EXPECT_EQ(report.Text("/html/head/title"), "Varnolt: what changed");
    // The browser itself is told to run and load nothing but the inline style.
    EXPECT_THAT(report.Texts("//meta[@http-equiv='Content-Security-Policy']/@content"),
                ElementsAre(HasSubstr("default-src 'none'")));
}

TEST(ChangeReport, NothingOfAHostilePageBecomesMarkup) {
    for (const char* hostile : kHostile) {
        SCOPED_TRACE(hostile);
        PageChange page = Change(std::string("first line\n") + hostile + "\nlast line",
                                 std::string("first line\n") + hostile + " and more " + hostile +
                                     "\nnew line " + hostile + "\nlast line");
        page.title = std::string("Title ") + hostile;
        page.url = std::string("https://example.org/?q=") + hostile;
        const ReportDocument report(ChangeReportHtml({page}));
        ASSERT_TRUE(report.Parsed());
        ExpectOnlyOwnMarkup(report, {page.url});
        // Shown as text, whole: escaped, not dropped.
        EXPECT_EQ(report.Text("//h2"), page.title);
        EXPECT_EQ(report.Text("//p[@class='address']"), page.url);
        EXPECT_EQ(report.Text("//tr[td[@class='added']][1]/td[4]"),
                  std::string(hostile) + " and more " + hostile);
        EXPECT_EQ(report.Text("//tr[td[@class='removed']][1]/td[2]"), hostile);
        EXPECT_EQ(report.Text("//tr[td[@class='added']][2]/td[4]"),
                  std::string("new line ") + hostile);
    }
}

TEST(ChangeReport, OnlyAnHttpOrHttpsAddressIsALink) {
    struct Address {
        std::string url;
        bool link;
    };
    const Address addresses[] = {
        {"https://example.org/a", true},
        {"HTTP://EXAMPLE.ORG/", true},
        {"http://example.org/\"onmouseover=\"alert(1)", true},
        {"javascript:alert(1)", false},
        {"JavaScript:alert(document.cookie)", false},
        {" javascript:alert(1)", false},
        {"data:text/html,<script>alert(1)</script>", false},
        {"vbscript:msgbox(1)", false},
        {"file:///etc/passwd", false},
        {"//evil.example/", false},
        {"http:", false},
    };
    for (const Address& address : addresses) {
        SCOPED_TRACE(address.url);
        PageChange page = Change("a", "b");
        page.url = address.url;
        const ReportDocument report(ChangeReportHtml({page}));
        ExpectOnlyOwnMarkup(report,
                            address.link ? std::vector{address.url} : std::vector<std::string>{});
        EXPECT_EQ(report.Text("//p[@class='address']"), address.url);
    }
}

TEST(ChangeReport, ControlCharactersAndBytesThatAreNoUtf8AreShownAsText) {
    PageChange page = Change("caf\xE9 <b>\r\n"s, "nul \0<script>x</script>\x01\n"s);
    page.title = "T\xE9l\xE9";
    const std::string html = ChangeReportHtml({page});
    EXPECT_EQ(html.find('\0'), std::string::npos);
    EXPECT_EQ(html.find('\x01'), std::string::npos);
    const ReportDocument report(html);
    ExpectOnlyOwnMarkup(report, {page.url});
    EXPECT_EQ(report.Text("//h2"), "T\xC3\xA9l\xC3\xA9"); // Latin-1 read as such
    EXPECT_EQ(report.Text("//td[@class='removed']"), "caf\xC3\xA9 <b>");
    EXPECT_EQ(report.Text("//td[@class='added']"),
              "nul \xEF\xBF\xBD<script>x</script>\xEF\xBF\xBD");
}

TEST(ChangeReport, ShowsTheChangeSideBySideWithTheChangedWordsMarked) {
    std::string before;
    std::string after;
    for (int line = 1; line <= 20; ++line) {
        before += "line " + std::to_string(line) + "\n";
        after += (line == 10 ? std::string("line ten") : "line " + std::to_string(line)) + "\n";
    }
    before.insert(before.find("line 15\n"), "a line that went\n");
    const PageChange page = Change(before, after);
    const ReportDocument report(ChangeReportHtml({page}));
    ExpectOnlyOwnMarkup(report, {page.url});
    EXPECT_EQ(report.Text("//h2"), "A page");
    EXPECT_THAT(report.Texts("//th"),
                ElementsAre("Before: 2026-12-10 09:00", "After: 2026-12-11 09:00"));
    // Line 10 changed: its words; "a line that went" has no line facing it.
    EXPECT_THAT(report.Texts("//td[@class='removed']"), ElementsAre("line 10", "a line that went"));
    EXPECT_THAT(report.Texts("//td[@class='added']"), ElementsAre("line ten"));
    EXPECT_THAT(report.Texts("//del"), ElementsAre("10", "a line that went"));
    EXPECT_THAT(report.Texts("//ins"), ElementsAre("ten"));
    // The numbers beside each line: its own in each version.
    EXPECT_THAT(report.Texts("//tr[td[@class='removed']]/td[1]"), ElementsAre("10", "15"));
    EXPECT_THAT(report.Texts("//tr[td[@class='removed']]/td[3]"), ElementsAre("10", ""));
    // Three unchanged lines around each change; the runs beyond folded.
    EXPECT_THAT(report.Texts("//tr[@class='gap']"),
                ElementsAre("6 unchanged lines", "3 unchanged lines"));
    // Lines 7 to 17 of the version before (with the one that went) and the two folds.
    EXPECT_EQ(report.Texts("//tbody/tr").size(), 12u + 2u);
}

TEST(ChangeReport, MarksTheChangedWordsInsideMarkupWithoutItsTags) {
    const ReportDocument report(ChangeReportHtml({Change(
        "<p class=\"a\">The old price: 10 EUR</p>", "<p class=\"a\">The new price: 12 EUR</p>")}));
    EXPECT_THAT(report.Texts("//del"), ElementsAre("old", "10"));
    EXPECT_THAT(report.Texts("//ins"), ElementsAre("new", "12"));
    EXPECT_EQ(report.Text("//td[@class='added']"), "<p class=\"a\">The new price: 12 EUR</p>");
}

TEST(ChangeReport, ReadsARewrittenPhraseAsOneChangeAndShowsEachSideInItsOwnCase) {
    const ReportDocument report(
        ChangeReportHtml({Change("Title\nthe cat sat on the mat", "TITLE\na dog sat on a rug")}));
    // The blank between two changed words is part of the change; " sat on " is not.
    EXPECT_THAT(report.Texts("//del"), ElementsAre("the cat", "the mat"));
    EXPECT_THAT(report.Texts("//ins"), ElementsAre("a dog", "a rug"));
    // Letter case counts for nothing in the comparison, but each side shows its own.
    EXPECT_THAT(report.Texts("//tbody/tr[1]/td"), ElementsAre("1", "Title", "1", "TITLE"));
}

TEST(ChangeReport, SaysWhenThereIsNoEarlierVersionOrNothingToShow) {
    PageChange alone = Change("", "only version");
    alone.before.reset();
    PageChange same = Change("Same Text\n", "same text\n"); // letter case counts for nothing
    PageChange failed = Change("a", "b");
    failed.failure = "the rule --select //div matches nothing on this page";
    const ReportDocument report(ChangeReportHtml({alone, same, failed}));
    ExpectOnlyOwnMarkup(report, {alone.url, same.url, failed.url});
    EXPECT_THAT(report.Texts("//p[contains(@class,'note')]"),
                ElementsAre(HasSubstr("No earlier version of this page is kept"),
                            HasSubstr("are the same as its checks compare them"),
                            HasSubstr("the rule --select //div matches nothing")));
    EXPECT_TRUE(report.Texts("//table").empty());
}

TEST(ChangeReport, AVeryLongChangedLineIsMarkedWhole) {
    std::string before;
    std::string after;
    for (int word = 0; word < 3000; ++word) {
        before += "w" + std::to_string(word) + " ";
        after += (word == 1500 ? "changed" : "w" + std::to_string(word)) + " ";
    }
    const ReportDocument report(ChangeReportHtml({Change(before, after)}));
    EXPECT_EQ(report.Text("//del"), before);
    EXPECT_EQ(report.Text("//ins"), after);
}

} // namespace
