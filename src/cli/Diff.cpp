// The --diff of varnolt-cli check, on Debian's dtl (an O(ND) diff library, header-only).

#include "cli/Commands.h"
#include "records/TextCase.h"

#include <dtl/dtl.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Lines are equal as the check finds pages equal: ignoring ASCII letter case.
class CaseBlindLines : public dtl::Compare<std::string> {
public:
    bool impl(const std::string& a, const std::string& b) const override {
        return EqualsIgnoringCase(a, b);
    }
};

// Large pages are diffed with dtl's bounded-memory mode.
constexpr std::size_t kHugeLines = 10000;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::string PageDiff(const std::string& storedPage, const std::string& newPage,
                     const std::string& oldName, const std::string& newName) {
    const std::vector<std::string> before = Lines(storedPage);
    const std::vector<std::string> after = Lines(newPage);
    dtl::Diff<std::string, std::vector<std::string>, CaseBlindLines> diff(before, after);
    if (before.size() + after.size() > kHugeLines) {
        diff.onHuge();
    }
    diff.compose();
    diff.composeUnifiedHunks();
    std::ostringstream out;
    out << "--- " << oldName << '\n' << "+++ " << newName << '\n';
    diff.printUnifiedFormat(out);
    return out.str();
}
