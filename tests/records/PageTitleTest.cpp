#include "records/PageTitle.h"

#include <gtest/gtest.h>

namespace {

struct TitleCase {
    const char* name;
    std::string page;
    std::string title;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const TitleCase& c, std::ostream* os) {
    *os << c.name;
}

class PageTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(PageTitleTest, FindsTheTitleByTheMarkerRules) {
    EXPECT_EQ(PageTitle(GetParam().page), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PageTitleTest,
    ::testing::Values(
        TitleCase{"LowerCaseMarker", "<html><title>Hello</title>", "Hello"},
        TitleCase{"UpperCaseMarkerOnly", "<HTML><TITLE>News</TITLE>", "News"},
        TitleCase{"LowerCaseWinsOverUpper", "<TITLE>Up</TITLE> <title>Low</title>", "Low"},
        TitleCase{"MixedCaseMarker", "<html><Title>Mixed</Title>", "untitle"},
        TitleCase{"NoMarker", "<html><body>plain</body>", "untitle"},
        TitleCase{"EmptyPage", "", "untitle"},
        TitleCase{"LowerMarkerAtStartAndNoUpperWord", "<title>First</title>", "untitle"},
        TitleCase{"LowerMarkerAtStartFallsBackToUpper", "<title>a</title><TITLE>B<", "B"},
        TitleCase{"UpperWordButNoUpperMarker", "x<TITLE id=1>Attr</TITLE>", "untitle"},
        TitleCase{"UpperWordAtStartOnly", "TITLE <TITLE>Never", "untitle"},
        TitleCase{"MarkerDirectlyFollowedByTag", "<p><title></title>", ""},
        TitleCase{"TitleKeepsWhiteSpaceAndLineEnds", "<p><title> a\r\n b </title>", " a\r\n b "},
        TitleCase{"TitleKeepsCharacterReferences", "<p><title>A &amp; B</title>", "A &amp; B"},
        TitleCase{"NoClosingAngleAnywhere", "<p><title>runs to the end of the page", "untitle"},
        TitleCase{"UpperNoClosingAngle", "x<TITLE>runs on", "untitle"}),
    [](const ::testing::TestParamInfo<TitleCase>& param) { return param.param.name; });

} // namespace
