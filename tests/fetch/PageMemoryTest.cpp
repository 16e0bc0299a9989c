// Preparing memory for writing is only a hint: whatever the range, nothing in it or around it
// changes, and memory that was never written still reads as zeros.

#include "platform/inet/PageMemory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

TEST(PageMemory, PreparingLeavesWrittenAndUnwrittenBytesAsTheyWere) {
    constexpr std::size_t kBytes = 3 * 1024 * 1024 + 5;
    auto fresh = std::make_unique<char[]>(kBytes); // zeros
    std::string written(kBytes, ' ');
    for (std::size_t i = 0; i < kBytes; ++i) {
        written[i] = static_cast<char>('a' + i % 23);
    }
    const std::string before = written;

    // Ranges that start and end inside pages, a whole buffer, and nothing at all.
    PrepareForWriting(written.data() + 1000, 2 * 1024 * 1024 + 77);
    PrepareForWriting(written.data(), written.size());
    PrepareForWriting(written.data() + 10, 0);
    PrepareForWriting(fresh.get() + 3, kBytes - 3);

    EXPECT_TRUE(written == before);
    EXPECT_EQ(std::string(fresh.get(), kBytes), std::string(kBytes, '\0'));
}
