#pragma once
// A regular expression that lines are matched against (RE2 syntax). Matching takes time linear
// in the line whatever the pattern, so a hostile page cannot stall a check with a pattern that
// would backtrack.

#include <memory>
#include <string>
#include <string_view>

class LinePattern {
public:
    // Compiles the pattern; when it is not valid, Valid() is false and Error() says why.
    explicit LinePattern(const std::string& pattern);
    ~LinePattern();
    LinePattern(LinePattern&&) noexcept;
    LinePattern& operator=(LinePattern&&) noexcept;

    bool Valid() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // True when the pattern matches somewhere in the line.
    bool FoundIn(std::string_view line) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> m_compiled;
    std::string m_error;
};
