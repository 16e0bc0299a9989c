#include "records/RecordText.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::string url, title, date, page;
    bool hasHeader;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitRecordTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitRecordTest, SplitsTheFields) {
    const SplitCase& c = GetParam();
    const RecordFields fields = SplitRecord(c.text);
    EXPECT_EQ(fields.url, c.url);
    EXPECT_EQ(fields.title, c.title);
    EXPECT_EQ(fields.date, c.date);
    EXPECT_EQ(fields.page, c.page);
    EXPECT_EQ(fields.hasHeader, c.hasHeader);
}

INSTANTIATE_TEST_SUITE_P(
    Records, SplitRecordTest,
    ::testing::Values(
        SplitCase{"Plain", "http://a/|T|8:12:2025*<p>", "http://a/", "T", "8:12:2025", "<p>", true},
        SplitCase{"EmptyPage", "http://a/|T|1:1:2026*", "http://a/", "T", "1:1:2026", "", true},
        SplitCase{"EmptyTitle", "http://a/||1:1:2026*P", "http://a/", "", "1:1:2026", "P", true},
        SplitCase{"BarInTitle", "http://a/|Home | News|31:10:2025*P|x", "http://a/", "Home | News",
                  "31:10:2025", "P|x", true},
        SplitCase{"StarInTitle", "http://a/|A*B|8:12:2025*P", "http://a/", "A*B", "8:12:2025", "P",
                  true},
        SplitCase{"StarInUrl", "http://a/?q=*|T|8:12:2025*P", "http://a/?q=*", "T", "8:12:2025",
                  "P", true},
        SplitCase{"DateLikeTextInPageAfterHeader", "u|T|8:12:2025*x|1:2:3*y", "u", "T", "8:12:2025",
                  "x|1:2:3*y", true},
        // No date field: the fields split at the first separators met.
        SplitCase{"NoDateField", "u|T|date*P", "u", "T", "date", "P", false},
        SplitCase{"NoStar", "u|T|8:12:2025", "u", "T", "8:12:2025", "u|T|8:12:2025", false},
        SplitCase{"NoSecondBar", "u|T*P", "u", "T*P", "", "P", false},
        SplitCase{"NoBarAtAll", "just text*P", "", "", "", "P", false},
        SplitCase{"EmptyText", "", "", "", "", "", false}),
    [](const ::testing::TestParamInfo<SplitCase>& param) { return param.param.name; });

} // namespace
