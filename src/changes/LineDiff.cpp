// Line differences on Debian's dtl (an O(NP) diff library, header-only), on numbered lines and
// within a budget of comparisons.

#include "changes/LineDiff.h"

#include "records/TextCase.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <unordered_map>

namespace {

// Large texts are diffed with dtl's bounded-memory mode.
constexpr std::size_t kHugeLines = 10000;
// Comparisons any diff may make, and per line for longer texts.
constexpr std::uint64_t kLeastComparisons = std::uint64_t{1} << 24;
constexpr std::uint64_t kComparisonsPerLine = 100;
// Lines of context around each change in a unified diff.
constexpr std::size_t kContextLines = 3;

} // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

namespace {

// A line as the diff sees it: where it is in its text, and a number it shares with every line
// equal to it ignoring letter case, so that lines compare in one step.
struct DiffLine {
    std::size_t position = 0;
    std::size_t id = 0;
    // dtl's own comparer needs it; BudgetedLines compares instead.
    bool operator==(const DiffLine& other) const { return id == other.id; }
};

struct CaseBlindHash {
    std::size_t operator()(std::string_view line) const {
        std::size_t hash = 14695981039346656037ULL; // FNV-1a
        for (const char c : line) {
            const char folded = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            hash = (hash ^ static_cast<unsigned char>(folded)) * 1099511628211ULL;
        }
        return hash;
    }
};
struct CaseBlindEqual {
    bool operator()(std::string_view a, std::string_view b) const {
        return EqualsIgnoringCase(a, b);
    }
};

struct NumberedTexts {
    std::vector<std::string_view> before;
    std::vector<std::string_view> after;
    std::vector<DiffLine> beforeLines;
    std::vector<DiffLine> afterLines;
};

NumberedTexts Numbered(std::string_view before, std::string_view after) {
    NumberedTexts texts{SplitLines(before), SplitLines(after), {}, {}};
    std::unordered_map<std::string_view, std::size_t, CaseBlindHash, CaseBlindEqual> numbers;
    numbers.reserve(texts.before.size() + texts.after.size());
    const auto number = [&numbers](const std::vector<std::string_view>& lines,
                                   std::vector<DiffLine>& numbered) {
        numbered.reserve(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            numbered.push_back({i, numbers.try_emplace(lines[i], numbers.size()).first->second});
        }
    };
    number(texts.before, texts.beforeLines);
    number(texts.after, texts.afterLines);
    return texts;
}

// The comparisons left, shared by the diff's copies of its comparer.
struct Budget {
    std::uint64_t* left = nullptr;
    bool spent = false;
    std::size_t beforeLines = 0;
    std::size_t afterLines = 0;
};

// Compares lines by their numbers while the budget lasts. Once it is spent, the search is ended at
// once: only the one diagonal that leads to both ends is walked, so that the search reaches them
// in its next step (what it found is then not used).
class BudgetedLines : public dtl::Compare<DiffLine> {
public:
    BudgetedLines() = default;
    explicit BudgetedLines(Budget* budget) : m_budget(budget) {}
    bool impl(const DiffLine& a, const DiffLine& b) const override {
        if (!m_budget->spent) {
            if (*m_budget->left > 0) {
                --*m_budget->left;
                return a.id == b.id;
            }
            m_budget->spent = true;
        }
        return m_budget->beforeLines - a.position == m_budget->afterLines - b.position;
    }

private:
    Budget* m_budget = nullptr;
};

using LinesDiff = dtl::Diff<DiffLine, std::vector<DiffLine>, BudgetedLines>;

// The diff of two numbered texts, run within the budget; false when it was spent.
bool Compose(LinesDiff& diff, std::size_t lines, const Budget& budget) {
    if (lines > kHugeLines) {
        diff.onHuge();
    }
    diff.compose();
    return !budget.spent;
}

// The lines between the common start and the common end, taken as replaced whole.
std::vector<LineEdit> ReplacedWhole(const NumberedTexts& texts) {
    const std::vector<std::string_view>& a = texts.before;
    const std::vector<std::string_view>& b = texts.after;
    std::size_t start = 0;
    while (start < a.size() && start < b.size() && EqualsIgnoringCase(a[start], b[start])) {
        ++start;
    }
    std::size_t end = 0;
    while (end < a.size() - start && end < b.size() - start &&
           EqualsIgnoringCase(a[a.size() - 1 - end], b[b.size() - 1 - end])) {
        ++end;
    }
    std::vector<LineEdit> edits;
    edits.reserve(a.size() + b.size() - start - end);
    for (std::size_t i = 0; i < start; ++i) {
        edits.push_back({LineEdit::Kind::Same, a[i]});
    }
    for (std::size_t i = start; i < a.size() - end; ++i) {
        edits.push_back({LineEdit::Kind::Removed, a[i]});
    }
    for (std::size_t i = start; i < b.size() - end; ++i) {
        edits.push_back({LineEdit::Kind::Added, b[i]});
    }
    for (std::size_t i = a.size() - end; i < a.size(); ++i) {
        edits.push_back({LineEdit::Kind::Same, a[i]});
    }
    return edits;
}

// A line of dtl's edit: lines in both, and removed ones, are given from the text before.
std::string_view TextOf(const NumberedTexts& texts, const std::pair<DiffLine, dtl::elemInfo>& e) {
    return e.second.type == dtl::SES_ADD ? texts.after[e.first.position]
                                         : texts.before[e.first.position];
}

char MarkOf(dtl::edit_t type) {
    return type == dtl::SES_ADD ? '+' : type == dtl::SES_DELETE ? '-' : ' ';
}

// Writes the lines of a unified diff, counting the changed ones past the most shown.
class UnifiedWriter {
public:
    explicit UnifiedWriter(std::string& out) : m_out(out) {}
    void Header(long long a, long long b, long long c, long long d) {
        if (m_notShown == 0) {
            m_out += "@@ -" + std::to_string(a) + "," + std::to_string(b) + " +" +
                     std::to_string(c) + "," + std::to_string(d) + " @@\n";
        }
    }
    void Line(char mark, std::string_view line) {
        if (mark != ' ' && m_shown == kMostChangedLinesShown) {
            ++m_notShown;
        }
        if (m_notShown > 0) {
            return;
        }
        m_shown += mark != ' ' ? 1 : 0;
        m_out += mark;
        m_out.append(line);
        m_out += '\n';
    }
    void End() {
        if (m_notShown > 0) {
            m_out += "\\ " + MoreChangedLinesText(m_notShown) + "\n";
        }
    }

private:
    std::string& m_out;
    std::size_t m_shown = 0;
    std::size_t m_notShown = 0;
};

// The one hunk of a text replaced whole between its common start and end.
void WriteReplacedWhole(const std::vector<LineEdit>& edits, UnifiedWriter& out) {
    std::size_t start = 0;
    while (start < edits.size() && edits[start].kind == LineEdit::Kind::Same) {
        ++start;
    }
    if (start == edits.size()) {
        return; // nothing differs
    }
    std::size_t end = edits.size();
    while (edits[end - 1].kind == LineEdit::Kind::Same) {
        --end;
    }
    const std::size_t from = start - std::min(start, kContextLines);
    const std::size_t to = std::min(edits.size(), end + kContextLines);
    std::size_t removed = 0;
    for (std::size_t i = start; i < end; ++i) {
        removed += edits[i].kind == LineEdit::Kind::Removed ? 1 : 0;
    }
    const auto context = static_cast<long long>(start - from + to - end);
    // The common start stands at the same lines in both texts.
    const auto first = static_cast<long long>(from + 1);
    out.Header(first, context + static_cast<long long>(removed), first,
               context + static_cast<long long>(end - start - removed));
    for (std::size_t i = from; i < to; ++i) {
        out.Line(MarkOf(edits[i].kind == LineEdit::Kind::Added     ? dtl::SES_ADD
                        : edits[i].kind == LineEdit::Kind::Removed ? dtl::SES_DELETE
                                                                   : dtl::SES_COMMON),
                 edits[i].line);
    }
}

} // namespace

std::uint64_t DiffComparisonBudget(std::size_t lines) {
    return std::max(kLeastComparisons, kComparisonsPerLine * lines);
}

std::vector<LineEdit> DiffLines(std::string_view before, std::string_view after,
                                std::uint64_t* budget) {
    const NumberedTexts texts = Numbered(before, after);
    const std::size_t lines = texts.before.size() + texts.after.size();
    std::uint64_t ownBudget = DiffComparisonBudget(lines);
    Budget state{budget != nullptr ? budget : &ownBudget, false, texts.before.size(),
                 texts.after.size()};
    LinesDiff diff(texts.beforeLines, texts.afterLines, BudgetedLines(&state));
    if (!Compose(diff, lines, state)) {
        return ReplacedWhole(texts);
    }
    std::vector<LineEdit> edits;
    edits.reserve(lines);
    for (const auto& edit : diff.getSes().getSequence()) {
        edits.push_back({edit.second.type == dtl::SES_ADD      ? LineEdit::Kind::Added
                         : edit.second.type == dtl::SES_DELETE ? LineEdit::Kind::Removed
                                                               : LineEdit::Kind::Same,
                         TextOf(texts, edit)});
    }
    return edits;
}

LineCounts CountChangedLines(const std::vector<LineEdit>& edits) {
    LineCounts counts;
    for (const LineEdit& edit : edits) {
        if (edit.kind == LineEdit::Kind::Added) {
            ++counts.added;
        } else if (edit.kind == LineEdit::Kind::Removed) {
            ++counts.removed;
        }
    }
    return counts;
}

std::string MoreChangedLinesText(std::size_t lines) {
    return std::to_string(lines) + (lines == 1 ? " more changed line" : " more changed lines") +
           " not shown";
}

std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& beforeName, const std::string& afterName) {
    const NumberedTexts texts = Numbered(before, after);
    const std::size_t lines = texts.before.size() + texts.after.size();
    std::uint64_t ownBudget = DiffComparisonBudget(lines);
    Budget state{&ownBudget, false, texts.before.size(), texts.after.size()};
    LinesDiff diff(texts.beforeLines, texts.afterLines, BudgetedLines(&state));
    std::string out = "--- " + beforeName + "\n+++ " + afterName + "\n";
    UnifiedWriter writer(out);
    if (!Compose(diff, lines, state)) {
        WriteReplacedWhole(ReplacedWhole(texts), writer);
        writer.End();
        return out;
    }
    diff.composeUnifiedHunks();
    for (const auto& hunk : diff.getUniHunks()) {
        writer.Header(hunk.a, hunk.b, hunk.c, hunk.d);
        for (const auto& part : {&hunk.common[0], &hunk.change, &hunk.common[1]}) {
            for (const auto& edit : *part) {
                writer.Line(MarkOf(edit.second.type), TextOf(texts, edit));
            }
        }
    }
    writer.End();
    return out;
}
