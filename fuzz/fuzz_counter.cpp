// The counter's reading: the leading integer of any text agrees with a plain reference reading
// that saturates at the 64-bit limits, and the next number is one more than it (a negative
// counter counts on from its value), none past the largest.
#include "FuzzCheck.h"
#include "records/RecordCounter.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

std::int64_t Reference(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    // Accumulate in 128 bits, clamping once past the limit.
    __int128 value = 0;
    constexpr __int128 kBeyond =
        static_cast<__int128>(std::numeric_limits<std::int64_t>::max()) + 2;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kBeyond) {
            value = kBeyond;
        }
    }
    if (value > std::numeric_limits<std::int64_t>::max()) {
        return negative ? std::numeric_limits<std::int64_t>::min()
                        : std::numeric_limits<std::int64_t>::max();
    }
    return static_cast<std::int64_t>(negative ? -value : value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int64_t value = LeadingInteger(text);
    FUZZ_CHECK(value == Reference(text));
    const std::optional<std::int64_t> next = NextNumberAfter(value);
    if (next) {
        FUZZ_CHECK(*next == value + 1);
    } else {
        FUZZ_CHECK(value == std::numeric_limits<std::int64_t>::max());
    }
    return 0;
}
