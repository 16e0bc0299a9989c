// A page's rules file: written whole and read back as written, understood line by line, gone
// with no rules, and never taken for a record by the page list.

#include "records/PageRules.h"
#include "records/Catalogue.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class PageRulesFile : public InTempDirectory {};

TEST_F(PageRulesFile, RulesReadBackAsWrittenAndNoRulesLeaveNoFile) {
    const PageRules rules{{"//div[@id='price']", "//h1 | //h2"},
                          {"main .article > p"},
                          true,
                          {"^Last updated", "token=[0-9a-f]+ "}};
    ASSERT_EQ(WriteRecordRules("3.vnt", rules), 0);
    EXPECT_TRUE(FileExists("3.vnt.rules"));
    const RulesReading read = ReadRecordRules("3.vnt");
    EXPECT_EQ(read.failure, "");
    EXPECT_EQ(read.rules, rules);
    EXPECT_THAT(RuleOptions(rules),
                ElementsAre("--select //div[@id='price']", "--select //h1 | //h2",
                            "--css main .article > p", "--text", "--ignore ^Last updated",
                            "--ignore token=[0-9a-f]+ "));

    ASSERT_EQ(WriteRecordRules("3.vnt", PageRules{}), 0);
    EXPECT_FALSE(FileExists("3.vnt.rules"));
    const RulesReading none = ReadRecordRules("3.vnt");
    EXPECT_EQ(none.failure, "");
    EXPECT_TRUE(none.rules.Empty());
}

TEST_F(PageRulesFile, AFileMendedByHandIsUnderstoodOrRefusedWithItsLine) {
    WriteWholeFile("1.vnt.rules", "# mine\r\n\r\ntext\r\nselect //p\r\n");
    const RulesReading read = ReadRecordRules("1.vnt");
    EXPECT_EQ(read.failure, "");
    EXPECT_EQ(read.rules, (PageRules{{"//p"}, {}, true, {}}));

    for (const char* text : {"select //p\nsort lines\n", "text\nselect\n", "text please\n"}) {
        WriteWholeFile("1.vnt.rules", text);
        const RulesReading bad = ReadRecordRules("1.vnt");
        EXPECT_THAT(bad.failure,
                    HasSubstr("the rules file 1.vnt.rules cannot be understood: line "))
            << text;
        EXPECT_TRUE(bad.rules.Empty()) << text;
    }
    std::filesystem::remove("1.vnt.rules");
    std::filesystem::create_directory("1.vnt.rules");
    EXPECT_EQ(ReadRecordRules("1.vnt").failure,
              "the rules file 1.vnt.rules cannot be read: it is a folder");
}

TEST_F(PageRulesFile, ThePageListPassesOverRulesFiles) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*a");
    ASSERT_EQ(WriteRecordRules("1.vnt", PageRules{{}, {}, true, {}}), 0);
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, ElementsAre("http://a.test/"));
    EXPECT_TRUE(errors.empty());
}

} // namespace
