// What a check compares of a page with rules: each rule alone and together, their fixed order,
// rules that match nothing, real pages with the noise real pages carry, and hostile HTML.

#include "check/RuledPage.h"
#include "RealPages.h"
#include "platform/markup/HtmlSelection.h"
#include "records/TextCase.h"
#include "support/LoopbackServer.h"

#include <gmock/gmock.h>

#include <atomic>

namespace {

using ::testing::HasSubstr;

constexpr const char* kPage = "<html><head><title>Shop</title><style>p{}</style></head><body>"
                              "<div id='price' class='box big'>Price: <b>12</b> EUR</div>"
                              "<script>var t = 123;</script><!-- built 10:00 -->"
                              "<p>Updated at 10:41</p><ul><li>one</li><li>two</li></ul>"
                              "</body></html>";

struct RulesCase {
    const char* name;
    PageRules rules;
    std::string seen;
};

TEST(RuledPage, EachRuleAloneAndTogetherInTheirOrder) {
    const RulesCase cases[] = {
        {"no rules", {}, kPage},
        {"select",
         {{"//div[@id='price']"}, {}, false, {}},
         "<div id=\"price\" class=\"box big\">Price: <b>12</b> EUR</div>"},
        {"select attribute", {{"//div/@class"}, {}, false, {}}, "box big"},
        {"css", {{}, {"li"}, false, {}}, "<li>one</li>\n<li>two</li>"},
        {"select and css in document order",
         {{"//li[2]"}, {"#price b"}, false, {}},
         "<b>12</b>\n<li>two</li>"},
        {"text", {{}, {}, true, {}}, "Price: 12 EUR\nUpdated at 10:41\none\ntwo"},
        {"select then text", {{"//ul"}, {}, true, {}}, "one\ntwo"},
        {"ignore", {{}, {}, false, {"^<html>"}}, ""},
        {"text then ignore", {{}, {}, true, {"^Updated at", "^t"}}, "Price: 12 EUR\none\n"},
        // A part inside a part already kept is kept once, with it.
        {"all", {{"//body"}, {".big"}, true, {"Updated"}}, "Price: 12 EUR\none\ntwo\n"},
    };
    for (const RulesCase& c : cases) {
        const RuledPage ruled = ApplyRules(c.rules, kPage);
        EXPECT_EQ(ruled.failure, "") << c.name;
        EXPECT_EQ(ruled.text, c.seen) << c.name;
        EXPECT_EQ(RulesError(c.rules), "") << c.name;
    }
}

TEST(RuledPage, ARuleThatMatchesNothingIsAFailureNamingIt) {
    const std::pair<PageRules, const char*> cases[] = {
        {{{"//div[@id='price']", "//div[@id='stock']"}, {}, false, {}},
         "the rule --select //div[@id='stock'] matches nothing on this page"},
        {{{}, {"li", "table td"}, true, {}},
         "the rule --css table td matches nothing on this page"},
    };
    for (const auto& [rules, failure] : cases) {
        const RuledPage ruled = ApplyRules(rules, kPage);
        EXPECT_EQ(ruled.failure, failure);
        EXPECT_EQ(ruled.text, "");
    }
}

TEST(RuledPage, RulesThatCannotBeAppliedAreRefusedWithTheirReason) {
    const std::pair<PageRules, const char*> cases[] = {
        {{{"//div[@id="}, {}, false, {}}, "the rule --select //div[@id= is no valid XPath"},
        {{{"count(//p)"}, {}, false, {}}, ""}, // valid XPath; applying it says why it selects none
        {{{}, {"a:hover"}, false, {}}, "uses ':hover', which is not supported"},
        {{{}, {}, false, {"(unclosed"}}, "the rule --ignore (unclosed is no valid pattern"},
    };
    for (const auto& [rules, error] : cases) {
        if (*error == '\0') {
            EXPECT_EQ(RulesError(rules), "");
            EXPECT_THAT(ApplyRules(rules, kPage).failure, HasSubstr("selects no part of a page"));
        } else {
            EXPECT_THAT(RulesError(rules), HasSubstr(error));
            EXPECT_THAT(ApplyRules(rules, kPage).failure, HasSubstr(error));
        }
    }
}

TEST(RuledPage, OnRealPagesTheRulesHideNoiseButNeverARealChange) {
    const PageRules rules{{}, {"div.body"}, true, {"^Tip [0-9]+:"}};
    const std::vector<std::filesystem::path> pages =
        RealPages({"scope.html", "new-maintainer.html", "l10n.html", "pkgs.html"});
    ASSERT_FALSE(pages.empty()) << "Debian's developers-reference is missing (make setup)";
    for (const std::filesystem::path& path : pages) {
        SCOPED_TRACE(path.filename().string());
        const std::string page = ReadFileBytes(path);
        const std::string before = WithNoise(page, 1);
        const std::string noiseOnly = WithNoise(page, 2);
        const std::string changed = WithRealChange(noiseOnly);

        EXPECT_FALSE(EqualsIgnoringCase(before, noiseOnly)) << "without rules, noise alarms";
        const RuledPage seenBefore = ApplyRules(rules, before);
        const RuledPage seenNoise = ApplyRules(rules, noiseOnly);
        const RuledPage seenChange = ApplyRules(rules, changed);
        ASSERT_EQ(seenBefore.failure, "");
        EXPECT_TRUE(EqualsIgnoringCase(seenBefore.text, seenNoise.text)) << "noise is no change";
        EXPECT_FALSE(EqualsIgnoringCase(seenBefore.text, seenChange.text)) << "a change shows";
        EXPECT_THAT(seenChange.text, HasSubstr("Newly "));
    }
}

// HTML as found on the web never crashes the rules: each case gives text or a clear failure.
TEST(RuledPage, HostileHtmlGivesTextOrAClearFailure) {
    std::string deep;
    for (int i = 0; i < 50000; ++i) {
        deep += "<div>";
    }
    deep += "deep text";
    const std::string nul = std::string("<p>before") + '\0' + "after</p><p>more</p>";
    const std::string latin1 = "<meta charset=\"utf-8\"><p>caf\xe9 \xff\xfe</p>";
    const std::string unclosed = "<table><tr><td>one<td>two<p>three<li>four";
    const PageRules text{{}, {}, true, {}};
    const PageRules cells{{"//td"}, {}, true, {}};
    // Read only in part, a page would be compared without the rest: a failure, said plainly.
    EXPECT_EQ(ApplyRules(text, deep).failure,
              "the page could not be read as HTML: its elements are nested more than 256 deep");
    EXPECT_EQ(ApplyRules(text, nul).text, "before after\nmore");
    EXPECT_EQ(ApplyRules(text, latin1).text, "caf\xc3\xa9 \xc3\xbf\xc3\xbe");
    EXPECT_EQ(ApplyRules(text, unclosed).text, "one\ntwo\nthree\nfour");
    EXPECT_EQ(ApplyRules(cells, unclosed).text, "one\ntwo\nthree\nfour");
    const std::string huge(kLargestRuledPageBytes + 1, 'x');
    EXPECT_THAT(ApplyRules(text, huge).failure, HasSubstr("too large for rules"));
}

// Reading a page never reaches out: no DTD, no external entity, no linked resource is loaded.
TEST(RuledPage, ReadingAPageLoadsNothingFromTheNetwork) {
    std::atomic<int> requests{0};
    LoopbackServer server;
    server.Routes().Get(".*", [&](const httplib::Request&, httplib::Response& response) {
        ++requests;
        response.set_content("<!ENTITY secret \"leaked\">", "application/xml-dtd");
    });
    server.Start();
    const std::string dtd = server.Url("/page.dtd");
    const std::string page = "<!DOCTYPE html SYSTEM \"" + dtd + "\" [<!ENTITY ext SYSTEM \"" +
                             server.Url("/ext") + "\">]><html><head><link rel=stylesheet href=\"" +
                             server.Url("/style.css") + "\"></head><body><p>a &ext; &amp; b</p>" +
                             "<img src=\"" + server.Url("/img.png") + "\"></body></html>";
    const RuledPage ruled = ApplyRules(PageRules{{"//p"}, {}, true, {}}, page);
    EXPECT_EQ(ruled.failure, "");
    EXPECT_THAT(ruled.text, ::testing::Not(HasSubstr("leaked")));
    EXPECT_THAT(ruled.text, HasSubstr("a "));
    EXPECT_EQ(requests.load(), 0);
}

} // namespace
