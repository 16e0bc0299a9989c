#include "platform/text/LinePattern.h"

#include <re2/re2.h>

struct LinePattern::Compiled {
    explicit Compiled(const std::string& pattern, const RE2::Options& options)
        : re(pattern, options) {}
    RE2 re;
};

namespace {

RE2::Options PatternOptions() {
    RE2::Options options;
    options.set_log_errors(false);
    // Pages are bytes in any encoding: a pattern's bytes are matched as they are.
    options.set_encoding(RE2::Options::EncodingLatin1);
    return options;
}

} // namespace

LinePattern::LinePattern(const std::string& pattern)
    : m_compiled(std::make_unique<Compiled>(pattern, PatternOptions())) {
    if (!m_compiled->re.ok()) {
        m_error = m_compiled->re.error();
    }
}

LinePattern::~LinePattern() = default;
LinePattern::LinePattern(LinePattern&&) noexcept = default;
LinePattern& LinePattern::operator=(LinePattern&&) noexcept = default;

bool LinePattern::FoundIn(std::string_view line) const {
    return Valid() && RE2::PartialMatch(line, m_compiled->re);
}
