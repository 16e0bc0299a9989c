#include "records/RecordRead.h"

#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

class RecordReadTest : public InTempDirectory, public ::testing::WithParamInterface<std::size_t> {};

// Bytes of every value, zero bytes and line ends included, that repeat at no power of two.
std::string RecordOfSize(std::size_t size) {
    std::string text = "http://x.example/|T|1:2:2025*";
    for (std::size_t i = 0; text.size() < size; ++i) {
        text += static_cast<char>((i * 7 + i / 251) % 256);
    }
    text.resize(size);
    return text;
}

TEST_P(RecordReadTest, GivesTheWholeFileByteForByte) {
    const std::string record = RecordOfSize(GetParam());
    WriteWholeFile("1.vnt", record);
    const std::optional<std::string> text = ReadWholeRecord("1.vnt");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), record.size());
    EXPECT_TRUE(*text == record);
    // Read into memory of the file's size: no doubling as the text grew.
    EXPECT_LE(text->capacity(), std::max(record.size(), std::string().capacity()));
}

// Around the sizes where the reads change: the buffered block, a read straight into the text.
INSTANTIATE_TEST_SUITE_P(Sizes, RecordReadTest,
                         ::testing::Values(0, 1, 29, 1023, 1024, 4095, 4096, 4097, 65536 + 5,
                                           3 * 1024 * 1024 + 17));

using RecordReadFailure = InTempDirectory;

TEST_F(RecordReadFailure, AMissingRecordGivesNothing) {
    EXPECT_FALSE(ReadWholeRecord("missing.vnt").has_value());
}

} // namespace
