// What a check saw of a stored copy, kept beside the record: read back only whole and only for
// exactly the engine, rules and page it was made from; gone with its record and its rules.

#include "records/SeenCopy.h"
#include "records/Catalogue.h"
#include "records/PageRules.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace {

class SeenCopyFile : public InTempDirectory {};

const std::string kSeen = std::string("Price: 12 EUR\nline with \0 NUL\n", 30);

TEST_F(SeenCopyFile, ReadsBackOnlyForTheSameEngineRulesAndPage) {
    const std::string key = SeenCopyKey("engine 1", "text\n", "<p>page</p>");
    ASSERT_FALSE(key.empty());
    ASSERT_EQ(WriteSeenCopy("1.vnt", key, kSeen), 0);
    EXPECT_EQ(ReadSeenCopy("1.vnt", key), kSeen);
    EXPECT_EQ(ReadSeenCopy("2.vnt", key), std::nullopt) << "another record's";
    const std::string others[] = {
        SeenCopyKey("engine 2", "text\n", "<p>page</p>"),
        SeenCopyKey("engine 1", "text\nignore x\n", "<p>page</p>"),
        SeenCopyKey("engine 1", "text\n", "<p>page</p> "),
        SeenCopyKey("engine 1", "text\n", "<P>page</p>"),
        std::string(),
    };
    for (const std::string& other : others) {
        EXPECT_EQ(ReadSeenCopy("1.vnt", other), std::nullopt) << other;
    }
    // An engine name that would make another line is no key.
    EXPECT_EQ(SeenCopyKey("engine\n1", "text\n", "<p>page</p>"), "");

    ASSERT_EQ(WriteSeenCopy("1.vnt", key, ""), 0);
    EXPECT_EQ(ReadSeenCopy("1.vnt", key), "") << "an empty text is a text";
}

TEST_F(SeenCopyFile, AShortDamagedOrForeignFileIsNeverTrusted) {
    const std::string key = SeenCopyKey("engine 1", "text\n", "<p>page</p>");
    ASSERT_EQ(WriteSeenCopy("1.vnt", key, kSeen), 0);
    const std::string whole = ReadWholeFile("1.vnt.seen");
    ASSERT_GT(whole.size(), key.size() + kSeen.size());

    std::vector<std::pair<std::string, std::string>> damaged;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        damaged.emplace_back("cut to " + std::to_string(length), whole.substr(0, length));
    }
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::string flipped = whole;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x20);
        damaged.emplace_back("byte " + std::to_string(at) + " changed", flipped);
    }
    damaged.emplace_back("a byte added", whole + "x");
    damaged.emplace_back("the text alone", kSeen);
    for (const auto& [name, bytes] : damaged) {
        WriteWholeFile("1.vnt.seen", bytes);
        EXPECT_EQ(ReadSeenCopy("1.vnt", key), std::nullopt) << name;
    }

    std::filesystem::remove("1.vnt.seen");
    EXPECT_EQ(ReadSeenCopy("1.vnt", key), std::nullopt) << "none";
    std::filesystem::create_directory("1.vnt.seen");
    EXPECT_EQ(ReadSeenCopy("1.vnt", key), std::nullopt) << "a directory";
    EXPECT_NE(WriteSeenCopy("1.vnt", key, kSeen), 0) << "a directory is not replaced";
}

TEST_F(SeenCopyFile, GoesWithItsRecordAndWithAChangeOfRules) {
    const std::string key = SeenCopyKey("engine 1", "text\n", "<p>page</p>");
    WriteWholeFile("1.vnt", "http://a.test/|T|1:1:2025*<p>page</p>");
    ASSERT_EQ(WriteSeenCopy("1.vnt", key, kSeen), 0);
    ASSERT_EQ(WriteSeenCopy("2.vnt", key, kSeen), 0); // left by a record removed earlier
    ASSERT_EQ(RemoveRecord("1.vnt"), 0);
    EXPECT_FALSE(FileExists("1.vnt.seen"));
    ASSERT_EQ(RemoveRecord("2.vnt"), ENOENT);
    EXPECT_FALSE(FileExists("2.vnt.seen"));

    for (const PageRules& rules : {PageRules{{}, {}, true, {}}, PageRules{}}) {
        ASSERT_EQ(WriteSeenCopy("3.vnt", key, kSeen), 0);
        ASSERT_EQ(WriteRecordRules("3.vnt", rules), 0);
        EXPECT_FALSE(FileExists("3.vnt.seen")) << RulesFileText(rules);
    }
}

TEST_F(SeenCopyFile, ThePageListPassesOverSeenFiles) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*a");
    ASSERT_EQ(WriteSeenCopy("1.vnt", SeenCopyKey("engine 1", "text\n", "a"),
                            "http://b.test/|B|1:1:2025*b"),
              0);
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, ::testing::ElementsAre("http://a.test/"));
    EXPECT_TRUE(errors.empty());
}

} // namespace
