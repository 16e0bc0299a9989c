// Which folder names can change what the window shows, and how a reload's record lines join the
// lines on show.
#include "records/ReloadedList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::UnorderedElementsAreArray;

TEST(ReloadedList, OnlyRecordsAndTheStampShowInTheWindow) {
    struct Case {
        const char* name;
        bool shows;
    };
    const Case cases[] = {
        {"1.vnt", true},
        {"12345.vnt", true},
        {"time.ini", true},
        {"", true}, // changes not told apart
        {"1.vnt.rules", false},
        {"1.vnt.seen", false},
        {"1.vnt.validators", false},
        {".history", false},
        {".vnttmp-1.vnt", false},
        {".vnttmp-Ab12Cd", false},
        {".vnt", false},
        {"count.ini", false},
        {"time.ini.bak", false},
        {"notes.txt", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameShowsInWindow(c.name), c.shows) << '"' << c.name << '"';
    }
}

TEST(ReloadedList, ShownLinesKeepTheirWordsWhileTheirPagesRemain) {
    struct Case {
        const char* name;
        std::vector<std::string> shown;
        std::vector<std::string> records;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"a new page joins a check's report",
         {"UPDATE http://a.example/", "Error http://b.example/"},
         {"http://a.example/", "http://b.example/", "http://c.example/"},
         {"UPDATE http://a.example/", "Error http://b.example/", "http://c.example/"}},
        {"a removed page's line goes, whatever its word",
         {"http://a.example/", "Page Error http://b.example/"},
         {"http://a.example/"},
         {"http://a.example/"}},
        {"a line naming no address stays",
         {"Time Out", "http://a.example/"},
         {"http://a.example/"},
         {"Time Out", "http://a.example/"}},
        {"addresses compare ignoring letter case",
         {"UPDATE http://A.Example/"},
         {"http://a.example/"},
         {"UPDATE http://A.Example/"}},
        {"two records of one address need two lines",
         {"UPDATE http://a.example/"},
         {"http://a.example/", "http://a.example/"},
         {"UPDATE http://a.example/", "http://a.example/"}},
        {"two lines of one address but one record keep the reported one",
         {"http://a.example/", "UPDATE http://a.example/"},
         {"http://a.example/"},
         {"UPDATE http://a.example/"}},
        {"a plain line takes the record's own letter case",
         {"http://A.example/"},
         {"http://a.example/"},
         {"http://a.example/"}},
        {"an empty list takes every record",
         {},
         {"http://b.example/", "http://a.example/"},
         {"http://b.example/", "http://a.example/"}},
        {"an empty folder leaves only lines naming no address",
         {"http://a.example/", "Time Out"},
         {},
         {"Time Out"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(ReloadedLines(c.shown, c.records), UnorderedElementsAreArray(c.expected));
    }
}

} // namespace
