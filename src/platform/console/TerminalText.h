#pragma once
// Text that came from a page, a server or a record, made fit to print: nothing in it may set the
// terminal's title, move its cursor, clear it, change its colours or reorder what it shows.
//
// The visible forms, the same on a terminal and in a pipe:
//   C0 controls and DEL      caret notation: ESC "^[", BEL "^G", backspace "^H", DEL "^?"
//   C1 controls U+0080-009F  "\u" and four hex digits: "\u009b"
//   bidi overrides U+202A-202E and isolates U+2066-2069: "\u202e"
//   a byte that is no valid UTF-8: its Latin-1 character (so 0x9B is "\u009b", 0xE9 "é")
// Everything else passes as it is.

#include <string>
#include <string_view>

// True for a code point that drives a terminal or reorders text: C0 and C1 controls, DEL, and
// the bidi overrides and isolates.
bool DrivesTerminal(char32_t point);

// A code point below U+10000 as "\u" and four hex digits ("\u009b"): the visible form of a C1
// or bidi control, and a JSON escape alike.
std::string UnicodeEscape(char32_t point);

// The text as one line: every control shown, tabs and line ends too.
std::string VisibleLine(std::string_view text);

// Text printed line by line (a page, a diff): line ends ("\n", "\r\n") and tabs are kept, every
// other control shown.
std::string VisibleLines(std::string_view text);
