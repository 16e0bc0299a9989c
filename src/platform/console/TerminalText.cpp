#include "platform/console/TerminalText.h"

#include "platform/system/Utf8Step.h"

#include <cstdio>

namespace {

enum class Layout { OneLine, Lines };

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        // Only code points below U+10000 are written here: Latin-1 characters.
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

void AppendVisible(std::string& out, char32_t point) {
    if (point < 0x20 || point == 0x7F) {
        // Caret notation, as a terminal echoes a control typed at it.
        out += '^';
        out += static_cast<char>(point ^ 0x40);
        return;
    }
    out += UnicodeEscape(point);
}

bool KeptInLines(std::string_view text, std::size_t at) {
    switch (text[at]) {
    case '\n':
    case '\t':
        return true;
    case '\r':
        // A carriage return alone would move back over what was printed; before "\n" it ends
        // a line.
        return at + 1 < text.size() && text[at + 1] == '\n';
    default:
        return false;
    }
}

std::string Visible(std::string_view text, Layout layout) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const Utf8Step step = NextUtf8Step(text, at);
        // A byte that is no UTF-8 is read as Latin-1, as the window shows such text.
        const char32_t point = step.length == 0 ? static_cast<unsigned char>(text[at]) : step.point;
        const std::size_t length = step.length == 0 ? 1 : step.length;
        if (layout == Layout::Lines && KeptInLines(text, at)) {
            out += text[at];
        } else if (DrivesTerminal(point)) {
            AppendVisible(out, point);
        } else if (step.length == 0) {
            AppendUtf8(out, point);
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    return out;
}

} // namespace

bool DrivesTerminal(char32_t point) {
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

std::string UnicodeEscape(char32_t point) {
    char escape[16];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(point & 0xFFFF));
    return escape;
}

std::string VisibleLine(std::string_view text) {
    return Visible(text, Layout::OneLine);
}

std::string VisibleLines(std::string_view text) {
    return Visible(text, Layout::Lines);
}
