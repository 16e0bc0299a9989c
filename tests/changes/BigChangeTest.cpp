// Changes far larger than a page's usual ones: the diff and the report lay out at most so many
// changed lines and say how many more there are, and a change too large to search for its
// shortest edit is shown as the lines between the common start and end replaced.

#include "changes/ChangeReport.h"
#include "changes/LineDiff.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <string>

namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;

// `count` lines "<prefix> <number>", in order, or with each pair of neighbours swapped.
std::string NumberedLines(const std::string& prefix, std::size_t count, bool swapped = false) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t n = swapped ? (i % 2 == 0 ? i + 1 : i - 1) : i;
        text += prefix + " " + std::to_string(std::min(n, count - 1)) + "\n";
    }
    return text;
}

std::size_t LinesStartingWith(const std::string& text, char mark) {
    std::size_t count = 0;
    for (const std::string_view line : SplitLines(text)) {
        count += !line.empty() && line.front() == mark && !line.starts_with("---") &&
                         !line.starts_with("+++")
                     ? 1
                     : 0;
    }
    return count;
}

struct BigChange {
    const char* name;
    std::string before;
    std::string after;
    std::size_t changedLines;
};

std::vector<BigChange> BigChanges() {
    const std::size_t lines = 15000;
    return {
        {"every line replaced", "head\n" + NumberedLines("old", lines) + "tail\n",
         "HEAD\n" + NumberedLines("new", lines) + "Tail\n", 2 * lines},
        // The same lines, each pair swapped: one line of each pair moves.
        {"every pair of lines swapped", "head\n" + NumberedLines("line", lines) + "tail\n",
         "head\n" + NumberedLines("line", lines, true) + "tail\n", lines},
    };
}

TEST(BigChange, TheDiffShowsTheMostChangedLinesAndCountsTheRest) {
    for (const BigChange& change : BigChanges()) {
        const std::string diff = UnifiedDiff(change.before, change.after, "before", "after");
        EXPECT_EQ(LinesStartingWith(diff, '-') + LinesStartingWith(diff, '+'),
                  kMostChangedLinesShown)
            << change.name;
        EXPECT_THAT(diff,
                    HasSubstr("\n\\ " +
                              MoreChangedLinesText(change.changedLines - kMostChangedLinesShown) +
                              "\n"))
            << change.name;
        // The common start, letter case aside, is context, not change.
        EXPECT_THAT(diff, HasSubstr("\n@@ -1,")) << change.name;
        EXPECT_THAT(diff, HasSubstr("\n head\n")) << change.name;
    }
}

TEST(BigChange, TheEditKeepsEveryLineAndTheCommonStartAndEnd) {
    for (const BigChange& change : BigChanges()) {
        const std::vector<LineEdit> edits = DiffLines(change.before, change.after);
        const LineCounts counts = CountChangedLines(edits);
        EXPECT_EQ(counts.added + counts.removed, change.changedLines) << change.name;
        ASSERT_FALSE(edits.empty());
        EXPECT_EQ(edits.front().kind, LineEdit::Kind::Same) << change.name;
        EXPECT_EQ(edits.back().kind, LineEdit::Kind::Same) << change.name;
        EXPECT_EQ(edits.size(), SplitLines(change.before).size() + counts.added) << change.name;
    }
}

TEST(BigChange, TheReportShowsTheMostChangedLinesAndCountsTheRest) {
    for (const BigChange& change : BigChanges()) {
        PageChange page;
        page.url = "https://example.org/";
        page.before = ReportVersion{"2026-12-10 09:00", change.before};
        page.after = ReportVersion{"2026-12-11 09:00", change.after};
        const std::string html = ChangeReportHtml({page});
        // A row that holds a line of each side is shown whole or not at all: one line fewer may
        // be shown.
        const std::size_t notShown = change.changedLines - kMostChangedLinesShown;
        EXPECT_THAT(html, AnyOf(HasSubstr(">" + MoreChangedLinesText(notShown) + "<"),
                                HasSubstr(">" + MoreChangedLinesText(notShown + 1) + "<")))
            << change.name;
        EXPECT_THAT(html, HasSubstr("</html>")) << change.name;
    }
}

TEST(BigChange, AScatteredChangeInALongPageIsStillItsShortestEdit) {
    std::string before = NumberedLines("line", 50000);
    std::string after = before;
    after.replace(after.find("line 100\n"), 8, "line one hundred");
    after.replace(after.find("line 40000\n"), 10, "line forty thousand");
    const LineCounts counts = CountChangedLines(DiffLines(before, after));
    EXPECT_EQ(counts.added, 2U);
    EXPECT_EQ(counts.removed, 2U);
    const std::string diff = UnifiedDiff(before, after, "before", "after");
    EXPECT_THAT(diff, HasSubstr("@@ -98,7 +98,7 @@\n line 97\n line 98\n line 99\n-line 100\n"
                                "+line one hundred\n line 101\n"));
    EXPECT_THAT(diff, Not(HasSubstr("more changed")));
}

} // namespace
