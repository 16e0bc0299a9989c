// Comparing texts without regard to letter case, around the 4 KiB stretches it compares at once.
#include "records/TextCase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The byte pairs placed at a position of two otherwise identical texts.
struct Difference {
    char left, right;
    bool equal;
};

constexpr Difference kDifferences[] = {
    {'a', 'A', true},  {'Z', 'z', true},   {'q', 'q', true},
    {'a', 'b', false}, {'A', 'b', false},  {'@', '`', false},       // 0x40 and 0x60: no letters
    {'[', '{', false}, {'a', '\0', false}, {'\xC0', '\xE0', false}, // À and à: bytes as they are
    {'1', '2', false},
};

constexpr std::size_t kLengths[] = {4095, 4096, 4097, 8193};

// Either side of each 4 KiB boundary, and the first and last byte.
constexpr std::size_t kPositions[] = {0, 1, 4094, 4095, 4096, 4097, 8190, 8191, 8192};

// A text of mixed bytes, letters of both cases among them.
std::string Sample(std::size_t length) {
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = "aB3 x.Y<z"[i % 9];
    }
    return text;
}

TEST(EqualsIgnoringCase, OneDifferingByteOnEitherSideOfEachStretchBoundary) {
    for (const std::size_t length : kLengths) {
        for (const std::size_t at : kPositions) {
            if (at >= length) {
                continue;
            }
            for (const Difference& d : kDifferences) {
                SCOPED_TRACE("length " + std::to_string(length) + ", position " +
                             std::to_string(at) + ", bytes " + std::to_string(d.left & 0xFF) +
                             " and " + std::to_string(d.right & 0xFF));
                std::string left = Sample(length);
                std::string right = left;
                left[at] = d.left;
                right[at] = d.right;
                EXPECT_EQ(EqualsIgnoringCase(left, right), d.equal);
                EXPECT_EQ(EqualsIgnoringCase(right, left), d.equal);
            }
        }
    }
}

// A case difference in one stretch must not hide a real difference in the next, nor the other
// way round.
TEST(EqualsIgnoringCase, ACaseDifferenceAndARealOneInNeighbouringStretches) {
    const std::pair<std::size_t, std::size_t> pairs[] = {{4095, 4096}, {4096, 4095}, {0, 8192},
                                                         {8192, 0},    {4095, 8192}, {8191, 4096}};
    for (const std::size_t length : kLengths) {
        for (const auto& [caseAt, realAt] : pairs) {
            if (caseAt >= length || realAt >= length) {
                continue;
            }
            SCOPED_TRACE("length " + std::to_string(length) + ", case at " +
                         std::to_string(caseAt) + ", real at " + std::to_string(realAt));
            std::string left(length, 'm');
            std::string right = left;
            right[caseAt] = 'M';
            EXPECT_TRUE(EqualsIgnoringCase(left, right));
            right[realAt] = 'n';
            EXPECT_FALSE(EqualsIgnoringCase(left, right));
        }
    }
}

TEST(EqualsIgnoringCase, TextsOfDifferentLengthNeverMatch) {
    for (const std::size_t length : kLengths) {
        SCOPED_TRACE(length);
        const std::string text = Sample(length);
        EXPECT_TRUE(EqualsIgnoringCase(text, text));
        EXPECT_FALSE(EqualsIgnoringCase(text, text + "a"));
        EXPECT_FALSE(EqualsIgnoringCase(text.substr(0, length - 1), text));
    }
    EXPECT_TRUE(EqualsIgnoringCase("", ""));
}

} // namespace
