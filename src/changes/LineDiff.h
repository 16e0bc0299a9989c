#pragma once
// Differences between two texts line by line, lines compared ignoring ASCII letter case as the
// check compares pages. The one diff behind check's --diff, a page's log and diff, and the
// change report.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One line of the difference: in both texts, only in the one before, or only in the one after.
struct LineEdit {
    enum class Kind { Same, Removed, Added };
    Kind kind = Kind::Same;
    std::string line;
};

// The lines of a text: split at "\n"; a last line without an end is a line too.
std::vector<std::string> SplitLines(std::string_view text);

// The shortest edit from before to after, in order: every line of each text once.
std::vector<LineEdit> DiffLines(std::string_view before, std::string_view after);

struct LineCounts {
    std::size_t added = 0;
    std::size_t removed = 0;
};
LineCounts CountChangedLines(const std::vector<LineEdit>& edits);

// A unified diff (three lines of context) of before against after, headed by the two names.
std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& beforeName, const std::string& afterName);
