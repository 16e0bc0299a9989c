#pragma once
// Text written into markup (an HTML page, a notification body) so that it shows as the same text
// and never becomes markup itself.

#include <string>
#include <string_view>

// The text with & < > " ' written as character references.
inline std::string EscapeMarkup(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
