// A page's last change as read from its record, its kept versions and its rules.
#include "changes/LastChange.h"

#include "records/PageHistory.h"
#include "records/PageRules.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

class LastChange : public InTempDirectory {
protected:
    // The record as it is now, after the earlier copies given (oldest first) were replaced.
    static void WriteVersions(const std::vector<std::string>& pages) {
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) {
                ASSERT_EQ(KeepVersion("1.vnt", ReadWholeFile("1.vnt"), HistoryLimits{}), 0);
            }
            WriteWholeFile("1.vnt", "https://a.example/|Title " + std::to_string(i) + "|1:1:2026*" +
                                        pages[i]);
        }
    }
};

TEST_F(LastChange, IsTheLastTwoVersionsAsTheComparisonSeesThem) {
    WriteVersions({"<p>first</p>", "<body><p>Old text</p><script>x(1)</script></body>",
                   "<body><p>New text</p><script>x(2)</script></body>"});
    PageRules rules;
    rules.text = true;
    ASSERT_EQ(WriteRecordRules("1.vnt", rules), 0);
    const PageChange change = ReadLastChange("1.vnt");
    EXPECT_EQ(change.failure, "");
    EXPECT_EQ(change.title, "Title 2");
    EXPECT_EQ(change.url, "https://a.example/");
    ASSERT_TRUE(change.before);
    EXPECT_EQ(change.before->text, "Old text");
    EXPECT_EQ(change.after.text, "New text");
    EXPECT_FALSE(change.after.when.empty());
}

TEST_F(LastChange, APageWithoutRulesIsComparedWholeAndOneWithoutHistoryHasNoBefore) {
    WriteVersions({"<p>only</p>"});
    PageChange change = ReadLastChange("1.vnt");
    EXPECT_FALSE(change.before);
    EXPECT_EQ(change.after.text, "<p>only</p>");

    WriteVersions({"<p>one</p>", "<p>two</p>"});
    change = ReadLastChange("1.vnt");
    ASSERT_TRUE(change.before);
    EXPECT_EQ(change.before->text, "<p>one</p>");
}

TEST_F(LastChange, SaysWhyWhenTheRulesCannotBeAppliedOrThereIsNoRecord) {
    WriteVersions({"<p>no price</p>", "<div id=\"price\">12</div>"});
    PageRules rules;
    rules.css = {"#price"};
    ASSERT_EQ(WriteRecordRules("1.vnt", rules), 0);
    PageChange change = ReadLastChange("1.vnt");
    EXPECT_THAT(change.failure, HasSubstr("on the earlier version"));
    EXPECT_THAT(change.failure, HasSubstr("matches nothing"));

    change = ReadLastChange("7.vnt");
    EXPECT_EQ(change.failure, "7.vnt is no record");
}

} // namespace
