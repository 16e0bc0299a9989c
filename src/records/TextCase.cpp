#include "records/TextCase.h"

#include <cstring>

namespace {

constexpr unsigned char FoldLetter(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    // Long pages are mostly identical byte for byte: compare the equal stretches fast and fold
    // only where the bytes differ.
    const auto* left = reinterpret_cast<const unsigned char*>(a.data());
    const auto* right = reinterpret_cast<const unsigned char*>(b.data());
    std::size_t i = 0;
    const std::size_t size = a.size();
    while (i < size) {
        constexpr std::size_t kStretch = 4096;
        const std::size_t n = size - i < kStretch ? size - i : kStretch;
        if (std::memcmp(left + i, right + i, n) == 0) {
            i += n;
            continue;
        }
        for (const std::size_t end = i + n; i < end; ++i) {
            if (FoldLetter(left[i]) != FoldLetter(right[i])) {
                return false;
            }
        }
    }
    return true;
}
