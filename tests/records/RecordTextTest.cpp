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

struct RoundTripCase {
    const char* name;
    std::string url, title, page;
    std::string storedUrl, storedTitle; // what the record holds for them
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

// What a writer stores reads back field for field, with the page byte for byte.
TEST_P(RecordRoundTripTest, ReadsBackAsWritten) {
    const RoundTripCase& c = GetParam();
    const std::string record = ComposeRecord(c.url, c.title, "8:12:2025", c.page);
    EXPECT_EQ(record, c.storedUrl + "|" + c.storedTitle + "|8:12:2025*" + c.page);
    const RecordFields fields = SplitRecord(record);
    EXPECT_TRUE(fields.hasHeader);
    EXPECT_EQ(fields.url, c.storedUrl);
    EXPECT_EQ(fields.title, c.storedTitle);
    EXPECT_EQ(fields.date, "8:12:2025");
    EXPECT_EQ(fields.page, c.page);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordRoundTripTest,
    ::testing::Values(
        RoundTripCase{"Plain", "http://a/", "T", "<p>", "http://a/", "T"},
        RoundTripCase{"BarsAndStarsStayVerbatim", "http://a/?q=*", "A | B*C|1:2", "x|1:2:3*y",
                      "http://a/?q=*", "A | B*C|1:2"},
        // The title would end the header early: a space goes before the false date's "*".
        RoundTripCase{"FalseDateInTitle", "http://a/", "News|1:2:3*today", "p", "http://a/",
                      "News|1:2:3 *today"},
        RoundTripCase{"TwoFalseDates", "u", "|1:1:1*|22:33:44**", "", "u", "|1:1:1 *|22:33:44 **"},
        RoundTripCase{"BarInUrl", "http://a/x|y\nz", "T", "p", "http://a/x%7Cy%0Az", "T"}),
    [](const ::testing::TestParamInfo<RoundTripCase>& param) { return param.param.name; });

} // namespace
