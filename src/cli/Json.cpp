#include "cli/Commands.h"

#include "platform/console/TerminalText.h"
#include "platform/system/Utf8Step.h"

#include <iostream>

namespace {

// The document with DEL, the C1 controls and the bidi controls written as JSON escapes: the
// library escapes only the controls below U+0020, and the rest would reach a terminal raw. Such
// points can stand only inside strings, where "\uXXXX" reads back as the same text.
std::string EscapedForTerminal(const std::string& document) {
    std::string out;
    out.reserve(document.size());
    std::size_t at = 0;
    while (at < document.size()) {
        const Utf8Step step = NextUtf8Step(document, at);
        const std::size_t length = step.length == 0 ? 1 : step.length;
        if (step.length != 0 && step.point >= 0x7F && DrivesTerminal(step.point)) {
            out += UnicodeEscape(step.point);
        } else {
            out.append(document, at, length);
        }
        at += length;
    }
    return out;
}

} // namespace

void PrintJsonLine(const nlohmann::json& object) {
    std::cout << EscapedForTerminal(
                     object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))
              << '\n';
}
