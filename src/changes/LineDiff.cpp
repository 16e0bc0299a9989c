// Line differences on Debian's dtl (an O(ND) diff library, header-only).

#include "changes/LineDiff.h"

#include "records/TextCase.h"

#include <dtl/dtl.hpp>

#include <sstream>

namespace {

// Lines are equal as the check finds pages equal: ignoring ASCII letter case.
class CaseBlindLines : public dtl::Compare<std::string> {
public:
    bool impl(const std::string& a, const std::string& b) const override {
        return EqualsIgnoringCase(a, b);
    }
};

using LinesDiff = dtl::Diff<std::string, std::vector<std::string>, CaseBlindLines>;

// Large texts are diffed with dtl's bounded-memory mode.
constexpr std::size_t kHugeLines = 10000;

void Compose(LinesDiff& diff, std::size_t lines) {
    if (lines > kHugeLines) {
        diff.onHuge();
    }
    diff.compose();
}

} // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<LineEdit> DiffLines(std::string_view before, std::string_view after) {
    const std::vector<std::string> a = SplitLines(before);
    const std::vector<std::string> b = SplitLines(after);
    LinesDiff diff(a, b);
    Compose(diff, a.size() + b.size());
    std::vector<LineEdit> edits;
    for (const auto& [line, info] : diff.getSes().getSequence()) {
        LineEdit edit;
        edit.kind = info.type == dtl::SES_ADD      ? LineEdit::Kind::Added
                    : info.type == dtl::SES_DELETE ? LineEdit::Kind::Removed
                                                   : LineEdit::Kind::Same;
        edit.line = line;
        edits.push_back(std::move(edit));
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

std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& beforeName, const std::string& afterName) {
    const std::vector<std::string> a = SplitLines(before);
    const std::vector<std::string> b = SplitLines(after);
    LinesDiff diff(a, b);
    Compose(diff, a.size() + b.size());
    diff.composeUnifiedHunks();
    std::ostringstream out;
    out << "--- " << beforeName << '\n' << "+++ " << afterName << '\n';
    diff.printUnifiedFormat(out);
    return out.str();
}
