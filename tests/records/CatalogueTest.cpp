#include "records/Catalogue.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileException.h"
#include "platform/system/FileFind.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

using ::testing::UnorderedElementsAre;

class CatalogueTest : public InTempDirectory {
protected:
    std::vector<std::string> ListedLines() {
        std::vector<std::string> lines;
        FillPageList([&](const std::string& line) { lines.push_back(line); });
        return lines;
    }

    struct Lookup {
        bool matched;
        std::string file, title, date;
    };
    Lookup Find(const std::string& text) {
        Lookup found{false, "unchanged", "stale title", "stale date"};
        found.matched = FindRecordByUrl(text, found.file, found.title, found.date);
        return found;
    }
};

TEST_F(CatalogueTest, ListsTheUrlOfEveryRecordAndNothingElse) {
    WriteWholeFile("1.vnt", "http://c.test/|C|1:1:2025*c");
    WriteWholeFile("2.vnt", "http://a.test/|A|1:1:2025*a\nsecond line|x");
    WriteWholeFile("3.VNT", "http://b.test/|B|1:1:2025*b"); // the pattern ignores case
    WriteWholeFile("4.vnt", "");                            // empty: left by a failed write
    WriteWholeFile("5.vnt", "no bar on the first line\nhttp://x|y");
    WriteWholeFile("notes.txt", "http://not.a.record/|T|1:1:2025*");
    std::filesystem::create_directory("dir.vnt");
    WriteWholeFile(".hidden.vnt", "http://hidden.test/|H|1:1:2025*h"); // hidden: passed over
    EXPECT_THAT(ListedLines(),
                UnorderedElementsAre("http://a.test/", "http://b.test/", "http://c.test/"));
}

TEST_F(CatalogueTest, TwoRecordsOfOnePageGiveTwoLines) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*a");
    WriteWholeFile("2.vnt", "http://a.test/|A|2:1:2025*a");
    EXPECT_THAT(ListedLines(), UnorderedElementsAre("http://a.test/", "http://a.test/"));
}

TEST_F(CatalogueTest, LookupFindsTheRecordOfALineByItsAddress) {
    WriteWholeFile("1.vnt", "http://a.test/|Page A|8:12:2025*a");
    WriteWholeFile("7.vnt", "HTTP://Caps.test/|Caps|1:1:2026*c");
    WriteWholeFile("9.vnt", "http://bar.test/|Home | News|31:10:2025*b");
    WriteWholeFile("8.vnt", "x.test/http/page|No scheme|1:1:2026*x");
    struct Case {
        const char* line;
        bool matched;
        const char* file;
        const char* title;
        const char* date;
    };
    const Case cases[] = {
        {"http://a.test/", true, "1.vnt", "Page A", "8:12:2025"},
        {"UPDATE http://a.test/", true, "1.vnt", "Page A", "8:12:2025"},
        {"Page Error http://a.test/", true, "1.vnt", "Page A", "8:12:2025"},
        {"Error http://A.TEST/", true, "1.vnt", "Page A", "8:12:2025"}, // case ignored
        {"HTTP://CAPS.test/", true, "7.vnt", "Caps", "1:1:2026"},       // compared whole
        {"http://bar.test/", true, "9.vnt", "Home | News", "31:10:2025"},
        {"Time Out", false, "unchanged", "", ""},
        {"File Not Found", false, "unchanged", "", ""},
        {"x.test/http/page", false, "unchanged", "", ""}, // cut at the inner "http"
        {"http://a.test", false, "unchanged", "", ""},
    };
    for (const Case& c : cases) {
        const Lookup found = Find(c.line);
        EXPECT_EQ(found.matched, c.matched) << c.line;
        EXPECT_EQ(found.file, c.file) << c.line;
        EXPECT_EQ(found.title, c.title) << c.line;
        EXPECT_EQ(found.date, c.date) << c.line;
    }
}

TEST_F(CatalogueTest, FirstRecordInEnumerationOrderWins) {
    for (int i = 1; i <= 6; ++i) {
        WriteWholeFile(std::to_string(i) + ".vnt",
                       "http://same.test/|Copy " + std::to_string(i) + "|1:1:2025*p");
    }
    CFileFind finder;
    ASSERT_TRUE(finder.FindFile("*.vnt"));
    finder.FindNextFile();
    const std::string first = finder.GetFileName();
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(Find("http://SAME.test/").file, first);
    }
}

TEST_F(CatalogueTest, LookupReadsOnlyTheStartOfEachRecord) {
    // A title too long to end within the part read: the title runs to the end of what was read.
    const std::string longTitle(3000, 't');
    WriteWholeFile("1.vnt", "http://long.test/|" + longTitle + "|1:1:2025*p");
    const Lookup found = Find("http://long.test/");
    EXPECT_TRUE(found.matched);
    EXPECT_EQ(found.title, longTitle.substr(0, 1999 - std::string("http://long.test/|").size()));
    EXPECT_EQ(found.date, "");
}

TEST_F(CatalogueTest, ARecordHeldOpenElsewhereRaisesTheFileException) {
    WriteWholeFile("7.vnt", "http://a.test/|A|1:1:2025*a");
    ExclusiveFile holder;
    ASSERT_EQ(holder.OpenForReading("7.vnt"), 0);
    try {
        ListedLines();
        FAIL() << "listing a held record must raise the file exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
        EXPECT_EQ(e.GetErrorMessage(), "A sharing violation occurred while accessing 7.vnt.");
    }
    EXPECT_THROW(Find("http://a.test/"), CFileException);
    holder.Close();
    EXPECT_TRUE(Find("http://a.test/").matched);
}

TEST_F(CatalogueTest, NoRecordsListsNothingAndMatchesNothing) {
    EXPECT_TRUE(ListedLines().empty());
    EXPECT_FALSE(Find("").matched);
    WriteWholeFile("1.vnt", "damaged, no bar at all");
    EXPECT_FALSE(Find("").matched) << "a file without \"|\" is no record, even for empty text";
}

} // namespace
