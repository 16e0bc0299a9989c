// Text made fit for a terminal: each control in its visible form, everything else as it was.

#include "platform/console/TerminalText.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    std::string text;
    std::string line;  // VisibleLine
    std::string lines; // VisibleLines
};

const Case kCases[] = {
    {"plain text", "Shop", "Shop", "Shop"},
    {"UTF-8 passes",
     "Gr\xc3\xbc\xc3\x9f"
     "e \xe6\x97\xa5 \xf0\x9f\x98\x80",
     "Gr\xc3\xbc\xc3\x9f"
     "e \xe6\x97\xa5 \xf0\x9f\x98\x80",
     "Gr\xc3\xbc\xc3\x9f"
     "e \xe6\x97\xa5 \xf0\x9f\x98\x80"},
    {"OSC title", "Shop\x1b]0;owned\x07\x1b[2J", "Shop^[]0;owned^G^[[2J", "Shop^[]0;owned^G^[[2J"},
    {"colour", "\x1b[31mred\x1b[0m", "^[[31mred^[[0m", "^[[31mred^[[0m"},
    {"backspace, NUL, unit separator, DEL", std::string("a\b\0\x1f\x7f", 5), "a^H^@^_^?",
     "a^H^@^_^?"},
    {"tab and line ends", "a\tb\r\nc\nd\re", "a^Ib^M^Jc^Jd^Me", "a\tb\r\nc\nd^Me"},
    {"C1 controls in UTF-8",
     "\xc2\x80\xc2\x9b"
     "2J\xc2\x9f\xc2\xa0",
     "\\u0080\\u009b2J\\u009f\xc2\xa0", "\\u0080\\u009b2J\\u009f\xc2\xa0"},
    {"bidi overrides and isolates",
     "\xe2\x80\xaa\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\xa9\xe2\x81\xaa",
     "\\u202a\\u202e\\u2066\\u2069\xe2\x80\xa9\xe2\x81\xaa",
     "\\u202a\\u202e\\u2066\\u2069\xe2\x80\xa9\xe2\x81\xaa"},
    // A byte that is no UTF-8 is its Latin-1 character; 0x80-0x9F are then C1 controls.
    {"stray bytes",
     "caf\xe9 \x9b"
     "2J \xff",
     "caf\xc3\xa9 \\u009b2J \xc3\xbf", "caf\xc3\xa9 \\u009b2J \xc3\xbf"},
    {"overlong ESC", "\xc0\x9b", "\xc3\x80\\u009b", "\xc3\x80\\u009b"},
    {"encoded surrogate", "\xed\xa0\x80", "\xc3\xad\xc2\xa0\\u0080", "\xc3\xad\xc2\xa0\\u0080"},
    {"cut-off sequence at the end", "ok\xe2\x80", "ok\xc3\xa2\\u0080", "ok\xc3\xa2\\u0080"},
};

TEST(TerminalText, EveryControlIsVisibleAndAllElseKept) {
    for (const Case& c : kCases) {
        EXPECT_EQ(VisibleLine(c.text), c.line) << c.name;
        EXPECT_EQ(VisibleLines(c.text), c.lines) << c.name;
    }
}

TEST(TerminalText, DrivesTerminalAtTheEdgesOfEachRange) {
    const std::pair<char32_t, bool> points[] = {
        {0x00, true},    {0x1f, true},    {0x20, false},   {0x7e, false},   {0x7f, true},
        {0x80, true},    {0x9f, true},    {0xa0, false},   {0x2029, false}, {0x202a, true},
        {0x202e, true},  {0x202f, false}, {0x2065, false}, {0x2066, true},  {0x2069, true},
        {0x206a, false}, {0x1f600, false}};
    for (const auto& [point, drives] : points) {
        EXPECT_EQ(DrivesTerminal(point), drives) << std::hex << static_cast<unsigned>(point);
    }
}

} // namespace
