#pragma once
// Differences between two texts line by line, lines compared ignoring ASCII letter case as the
// check compares pages. The one diff behind check's --diff, a page's log and diff, and the
// change report.
//
// The work is bounded: past a budget of line comparisons (far beyond what a page with scattered
// changes needs), the lines between the common start and the common end are taken as replaced
// whole instead of searched for the shortest edit. Lines are compared by a number given to each
// distinct line, so that the diff holds no copy of the texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One line of the difference: in both texts, only in the one before, or only in the one after.
struct LineEdit {
    enum class Kind { Same, Removed, Added };
    Kind kind = Kind::Same;
    std::string_view line; // in the text it comes from (the one before, for a line in both)
};

// The lines of a text: split at "\n"; a last line without an end is a line too.
std::vector<std::string_view> SplitLines(std::string_view text);

// The line comparisons a diff of so many lines may make: enough for the shortest edit of any
// text of up to a few thousand lines, and of any longer one whose changes are not many
// thousands.
std::uint64_t DiffComparisonBudget(std::size_t lines);

// The shortest edit from before to after, in order: every line of each text once. The edits point
// into the two texts. With `budget`, the comparisons are drawn from it (several diffs may share
// one); without, the diff has its own.
std::vector<LineEdit> DiffLines(std::string_view before, std::string_view after,
                                std::uint64_t* budget = nullptr);

struct LineCounts {
    std::size_t added = 0;
    std::size_t removed = 0;
};
LineCounts CountChangedLines(const std::vector<LineEdit>& edits);

// How many changed lines a report or a diff lays out; the rest are counted in one line, "N more
// changed lines not shown".
inline constexpr std::size_t kMostChangedLinesShown = 10000;
std::string MoreChangedLinesText(std::size_t lines);

// A unified diff (three lines of context) of before against after, headed by the two names; past
// kMostChangedLinesShown changed lines it ends with "\ N more changed lines not shown".
std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& beforeName, const std::string& afterName);
