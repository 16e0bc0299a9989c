// Rules against a record's stored copy, and the bounded text a person is shown of a page.
#include "check/RecordRules.h"

#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

TEST(BoundText, KeepsWholeCharactersAndSaysWhenItCut) {
    struct Case {
        const char* text;
        std::size_t limit;
        const char* kept;
        bool cut;
    };
    const Case cases[] = {
        {"short", 5, "short", false},
        {"shorter", 5, "short", true},
        {"ab\xC3\xA9", 3, "ab", true}, // a two-byte letter is not split
        {"a\xE2\x82\xAC"
         "b",
         3, "a", true}, // nor a three-byte sign
        {"a\xE2\x82\xAC"
         "b",
         4, "a\xE2\x82\xAC", true}, // kept whole when it fits
    };
    for (const Case& bounded : cases) {
        SCOPED_TRACE(bounded.text);
        const BoundedText shown = BoundText(bounded.text, bounded.limit);
        EXPECT_EQ(shown.text, bounded.kept);
        EXPECT_EQ(shown.cut, bounded.cut);
        EXPECT_EQ(shown.total, std::string(bounded.text).size());
    }
}

class RecordRules : public InTempDirectory {};

TEST_F(RecordRules, RefusesByTheStoredCopyAndSaysWhenThereIsNone) {
    WriteWholeFile("1.vnt", "http://a.example/|T|1:2:2024*<p id='x'>12</p>");
    PageRules matching;
    matching.css = {"#x"};
    PageRules missing;
    missing.css = {"#y"};
    EXPECT_EQ(RulesRefusedForRecord("1.vnt", matching), "");
    EXPECT_EQ(RulesRefusedForRecord("1.vnt", PageRules{}), "");
    EXPECT_THAT(RulesRefusedForRecord("1.vnt", missing), HasSubstr("--css #y matches nothing"));
    EXPECT_THAT(RulesRefusedForRecord("2.vnt", matching), HasSubstr("2.vnt"));
    EXPECT_EQ(ReadStoredPage("1.vnt").page, "<p id='x'>12</p>");
}

} // namespace
