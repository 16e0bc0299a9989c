// Rules on pages that match a great deal: the parts kept are the outermost in document order
// however many there are, and the work stops at the deadline, on a clock the test turns.

#include "check/RuleDeadline.h"
#include "check/RuledPage.h"
#include "platform/markup/HtmlSelection.h"

#include <gmock/gmock.h>

#include <string>

namespace {

using ::testing::HasSubstr;

// A clock that moves on by `step` each time it is read: the work's own checks drive it.
class SteppingClock final : public FetchClock {
public:
    explicit SteppingClock(std::int64_t step) : m_step(step) {}
    std::int64_t Now() const override { return m_now += m_step; }
    std::int64_t reads() const { return m_now / m_step; }

private:
    std::int64_t m_step;
    mutable std::int64_t m_now = 0;
};

std::string ManyParagraphs(std::size_t count) {
    std::string page = "<html><body>";
    for (std::size_t i = 0; i < count; ++i) {
        page += "<p>" + std::to_string(i) + "</p>";
    }
    return page + "</body></html>";
}

// 120 s on a millisecond clock, as `check --timeout 120` allows a page.
constexpr DeadlineRule kTwoMinutes{27000, 120000, 1000};

TEST(RulesDeadline, SelectionOfManyMatchesStopsAtTheDeadlineNamingTheRule) {
    const std::string page = ManyParagraphs(640000);
    // Each reading of the clock passes a second: the two minutes are gone after 120 readings,
    // long before the work on 640,000 matches is done.
    const SteppingClock clock(1000);
    const PageRules rules{{}, {"p"}, false, {}};
    const RuledPage ruled = ApplyRules(rules, page, RuleDeadlineFrom(clock, kTwoMinutes));
    EXPECT_EQ(ruled.failure, "the rule --css p ran out of time after 120 s");
    EXPECT_TRUE(ruled.outOfTime);
    EXPECT_EQ(ruled.text, "");
    // Stopped within a few readings of the deadline, not at the end of the work.
    EXPECT_LE(clock.reads(), 125);
}

TEST(RulesDeadline, WorkWithinTheDeadlineKeepsEveryMatchInOrder) {
    const std::size_t count = 20000;
    const std::string page = ManyParagraphs(count);
    std::string expected;
    for (std::size_t i = 0; i < count; ++i) {
        expected += (i == 0 ? "<p>" : "\n<p>") + std::to_string(i) + "</p>";
    }
    const SteppingClock clock(1);
    const RuledPage ruled =
        ApplyRules({{}, {"p"}, false, {}}, page, RuleDeadlineFrom(clock, kTwoMinutes));
    EXPECT_EQ(ruled.failure, "");
    EXPECT_EQ(ruled.text, expected);
}

TEST(RulesDeadline, TimeNamesEveryRuleAtWorkAndTheClocksUnits) {
    const std::string page = ManyParagraphs(10);
    // Gone before the work begins.
    const SteppingClock clock(1000000);
    const struct {
        PageRules rules;
        DeadlineRule rule;
        const char* failure;
    } cases[] = {
        {{{"//p"}, {}, false, {}},
         kTwoMinutes,
         "the rule --select //p ran out of time after 120 s"},
        {{{}, {}, true, {}}, kTwoMinutes, "the rule --text ran out of time after 120 s"},
        // The window's ticks: ten to a second, and no overall limit but the read time-out.
        {{{"//p"}, {"b"}, true, {}},
         {275, std::nullopt, 10},
         "the rules --select //p --css b --text ran out of time after 27.5 s"},
    };
    for (const auto& c : cases) {
        const RuledPage ruled = ApplyRules(c.rules, page, RuleDeadlineFrom(clock, c.rule));
        EXPECT_EQ(ruled.failure, c.failure);
        EXPECT_TRUE(ruled.outOfTime);
    }
}

TEST(RulesDeadline, AStoredCopyOutOfTimeIsAFailureNotAChange) {
    const std::string stored = ManyParagraphs(3);
    const std::string fresh = ManyParagraphs(4);
    const SteppingClock clock(1000000);
    const PageComparison comparison = ComparePages(
        {{}, {"p"}, false, {}}, stored, fresh, std::nullopt, RuleDeadlineFrom(clock, kTwoMinutes));
    EXPECT_THAT(comparison.failure, HasSubstr("ran out of time after 120 s"));
    EXPECT_FALSE(comparison.same);
}

// The parts kept: each selected node once, none inside another kept one, in document order,
// whatever order and overlap the expressions select them in.
TEST(RulesDeadline, OutermostMatchesInDocumentOrder) {
    constexpr const char* kNested =
        "<html><body><div id='a'><p>one</p><div id='b'><p>two</p></div></div>"
        "<section><p class='x'>three</p><ul><li>four</li><li>five</li></ul></section>"
        "</body></html>";
    const struct {
        const char* name;
        std::vector<std::string> xpaths;
        const char* text;
    } cases[] = {
        {"nested matches: the outer one only",
         {"//div"},
         "<div id=\"a\"><p>one</p><div id=\"b\"><p>two</p></div></div>"},
        {"descendants of kept parts dropped",
         {"//div//p | //section"},
         "<p>one</p>\n<p>two</p>\n<section><p class=\"x\">three</p><ul><li>four</li><li>five</li>"
         "</ul></section>"},
        {"expressions in reverse document order",
         {"//li[2]", "//p[@class]", "//div[@id='b']"},
         "<div id=\"b\"><p>two</p></div>\n<p class=\"x\">three</p>\n<li>five</li>"},
        {"the same node from two expressions once",
         {"//li", "//ul/li[1]"},
         "<li>four</li>\n<li>five</li>"},
        {"attributes after their element, before its children",
         {"//p/@class", "//li/text()"},
         "x\nfour\nfive"},
        {"an attribute inside a kept part is kept with it",
         {"//@id", "//div[@id='a']"},
         "<div id=\"a\"><p>one</p><div id=\"b\"><p>two</p></div></div>"},
        {"the document holds everything", {"/", "//p"}, nullptr},
    };
    for (const auto& c : cases) {
        const HtmlSelection selection = SelectFromHtml(kNested, c.xpaths, false);
        EXPECT_EQ(selection.failure, "") << c.name;
        if (c.text != nullptr) {
            EXPECT_EQ(selection.text, c.text) << c.name;
        } else {
            EXPECT_EQ(selection.text, SelectFromHtml(kNested, {"/"}, false).text) << c.name;
        }
    }
}

} // namespace
