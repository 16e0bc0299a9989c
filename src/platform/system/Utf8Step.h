#pragma once
// One step through UTF-8 text: the code point at a place and the bytes it takes.

#include <cstddef>
#include <cstdint>
#include <string_view>

struct Utf8Step {
    char32_t point = 0;
    std::size_t length = 0; // 0: no valid UTF-8 starts here
};

// The code point whose UTF-8 form starts at `at` (which must lie inside the text). A length of 0
// when no valid form starts there: a stray or cut-off sequence, an overlong form, a surrogate,
// or a point past U+10FFFF.
inline Utf8Step NextUtf8Step(std::string_view bytes, std::size_t at) {
    const auto c = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    std::uint32_t point = 0;
    if (c < 0x80) {
        return {c, 1};
    } else if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        point = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        point = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        point = c & 0x07u;
    } else {
        return {};
    }
    if (length > bytes.size() - at) {
        return {};
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0u) != 0x80u) {
            return {};
        }
        point = (point << 6) | (next & 0x3Fu);
    }
    if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) ||
        (length == 4 && (point < 0x10000 || point > 0x10FFFF))) {
        return {};
    }
    return {static_cast<char32_t>(point), length};
}
