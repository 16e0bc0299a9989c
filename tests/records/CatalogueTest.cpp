#include "records/Catalogue.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileException.h"
#include "platform/system/FileFind.h"
#include "records/PageListReading.h"
#include "records/RecordRead.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
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

// The window takes its lines in one piece; lines already in the vector stay ahead of them, and
// the lines and errors are those the callback form gives.
TEST_F(CatalogueTest, LinesInOnePieceFollowThoseAlreadyHeldAndMatchTheCallbackForm) {
    WriteWholeFile("1.vnt", "http://c.test/|C|1:1:2025*c");
    WriteWholeFile("2.vnt", "http://a.test/|A|1:1:2025*a");
    WriteWholeFile("3.vnt", "no bar on the first line");
    const std::vector<std::string> oneByOne = ListedLines();
    std::vector<std::string> lines{"held before"};
    EXPECT_THAT(FillPageList(lines), IsEmpty());
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines.front(), "held before");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), oneByOne);
    EXPECT_THAT(oneByOne, UnorderedElementsAre("http://a.test/", "http://c.test/"));
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

TEST_F(CatalogueTest, ARecordHeldOpenElsewhereIsReportedAndTheOthersAreStillListed) {
    WriteWholeFile("6.vnt", "http://b.test/|B|1:1:2025*b");
    WriteWholeFile("7.vnt", "http://a.test/|A|1:1:2025*a");
    WriteWholeFile("8.vnt", "http://c.test/|C|1:1:2025*c");
    ExclusiveFile holder;
    ASSERT_EQ(holder.OpenForReading("7.vnt"), 0);
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, UnorderedElementsAre("http://b.test/", "http://c.test/"));
    EXPECT_THAT(errors, ElementsAre("A sharing violation occurred while accessing 7.vnt."));
    // A lookup still stops at the held file and leaves it to the window's handler.
    EXPECT_THROW(Find("http://a.test/"), CFileException);
    holder.Close();
    EXPECT_TRUE(Find("http://a.test/").matched);
}

TEST_F(CatalogueTest, ADanglingLinkIsReportedAndTheOthersAreStillListed) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*a");
    std::filesystem::create_symlink("nowhere", "2.vnt");
    WriteWholeFile("3.vnt", "http://c.test/|C|1:1:2025*c");
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, UnorderedElementsAre("http://a.test/", "http://c.test/"));
    EXPECT_THAT(errors, ElementsAre("2.vnt was not found."));
}

// Files named like records that are none are passed over without a word by the list, the lookup
// and the check's reader alike: no line, no error, never a wait and never an endless read.
TEST_F(CatalogueTest, FilesThatAreNoRecordsArePassedOverSilently) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*a");
    WriteWholeFile("2.vnt", "");
    WriteWholeFile("3.vnt", "no bar in the first line\nhttp://x.test/|X|1:1:2025*x");
    ASSERT_EQ(::mkfifo("4.vnt", 0644), 0);
    std::filesystem::create_symlink("/dev/zero", "5.vnt");
    std::filesystem::create_directory("6.vnt");
    {
        // A sparse file one byte larger than any record.
        std::ofstream big("7.vnt", std::ios::binary);
        big << "http://big.test/|Big|1:1:2025*";
    }
    std::filesystem::resize_file("7.vnt", kLargestRecordBytes + 1);
    std::filesystem::create_symlink("4.vnt", "8.vnt"); // a link to the FIFO
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, ElementsAre("http://a.test/"));
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_FALSE(Find("http://x.test/").matched);
    EXPECT_FALSE(Find("http://big.test/").matched);
    EXPECT_TRUE(Find("http://a.test/").matched);
    for (const char* name : {"2.vnt", "3.vnt", "4.vnt", "5.vnt", "6.vnt", "7.vnt", "8.vnt"}) {
        const RecordReading<StoredRecord> passedOver = ReadRecordForCheck(name);
        EXPECT_FALSE(passedOver.value.has_value()) << name;
        EXPECT_FALSE(passedOver.Failed()) << name << ": " << passedOver.failure;
    }
    const std::optional<StoredRecord> record = ReadRecordForCheck("1.vnt").value;
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->fields.url, "http://a.test/");
    EXPECT_EQ(record->fields.page, "a");
}

// Runs in the child: lists as an ordinary user; exits 0 when 1 and 3 are listed and 2 reported.
[[noreturn]] void ListAsAnOrdinaryUser() {
    if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0) {
        std::exit(2);
    }
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    std::sort(lines.begin(), lines.end());
    const std::vector<std::string> expectedLines{"http://a.test/", "http://c.test/"};
    const std::vector<std::string> expectedErrors{"Access to 2.vnt was denied."};
    if (lines != expectedLines || errors != expectedErrors) {
        for (const std::string& text : lines) {
            std::fprintf(stderr, "listed: %s\n", text.c_str());
        }
        for (const std::string& text : errors) {
            std::fprintf(stderr, "reported: %s\n", text.c_str());
        }
        std::exit(1);
    }
    std::exit(0);
}

// Root reads a mode-000 file all the same, so the test takes an ordinary user's file access for
// the listing (in a child process, whose result comes back through its exit code).
TEST_F(CatalogueTest, AnUnreadableRecordIsReportedAndTheOthersAreStillListed) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*a");
    WriteWholeFile("2.vnt", "http://b.test/|B|1:1:2025*b");
    WriteWholeFile("3.vnt", "http://c.test/|C|1:1:2025*c");
    std::filesystem::permissions("2.vnt", std::filesystem::perms::none);
    // The child keeps root's group: the folder must be readable by group and others.
    std::filesystem::permissions(
        ".", std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                 std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                 std::filesystem::perms::others_exec);
    EXPECT_EXIT(ListAsAnOrdinaryUser(), ::testing::ExitedWithCode(0), "");
}

// Runs in the child, with little memory: neither the list nor the check's reader may end the
// process on a record too large for the memory left. The list shows its address; the check
// cannot compare it and says so, naming the file, rather than passing over it in silence.
[[noreturn]] void ReadWithLittleMemory() {
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = std::size_t{160} << 20;
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        std::exit(2);
    }
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    const RecordReading<StoredRecord> check = ReadRecordForCheck("2.vnt");
    const bool reported =
        !check.value && check.failure == "There was not enough memory to read 2.vnt.";
    const std::vector<std::string> expected{"http://a.test/"};
    std::exit(lines == expected && errors.empty() && reported ? 0 : 1);
}

TEST_F(CatalogueTest, ARecordTooLargeForTheMemoryLeftIsListedAndItsCheckReported) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit this test sets";
#endif
    // Within the size bound, but far larger than the memory left: one whose first line is that
    // long, and a record whose page is.
    WriteWholeFile("1.vnt", "");
    std::filesystem::resize_file("1.vnt", std::uintmax_t{300} << 20);
    WriteWholeFile("2.vnt", "http://a.test/|T|1:1:2025*");
    std::filesystem::resize_file("2.vnt", std::uintmax_t{300} << 20);
    EXPECT_EXIT(ReadWithLittleMemory(), ::testing::ExitedWithCode(0), "");
}

// Enough files that every reading thread takes several turns: records, held ones and files that
// are no records mixed. Yields what reading them one after the other in enumeration order gives.
PageListContent WriteManyFilesAndReadThemInOrder(ExclusiveFile (&holders)[3]) {
    for (int i = 0; i < 700; ++i) {
        const std::string name = std::to_string(i) + ".vnt";
        if (i % 97 == 5) {
            WriteWholeFile(name, "no bar on the first line\n|");
        } else {
            // Case-only differences and repeats, so that a line's place is its arrival.
            const std::string url =
                (i % 2 == 0 ? "http://Site-" : "http://site-") + std::to_string(i % 50) + ".test/";
            WriteWholeFile(name, url + "|T|1:1:2025*page " + std::to_string(i));
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(holders[i].OpenForReading(std::to_string(100 + 211 * i) + ".vnt"), 0);
    }
    PageListContent inOrder;
    CFileFind finder;
    bool more = finder.FindFile("*.vnt");
    while (more) {
        more = finder.FindNextFile();
        const std::string name = finder.GetFileName();
        ExclusiveFile probe;
        if (probe.OpenForReading(name) != 0) {
            inOrder.fileErrors.push_back("A sharing violation occurred while accessing " + name +
                                         ".");
            continue;
        }
        const std::string text = ReadWholeFile(name);
        const std::size_t bar = text.find('|');
        if (bar < text.find('\n')) {
            inOrder.lines.push_back(text.substr(0, bar));
        }
    }
    return inOrder;
}

TEST_F(CatalogueTest, ManyFilesReadAtOnceGiveLinesAndErrorsInEnumerationOrder) {
    ExclusiveFile holders[3];
    const PageListContent expected = WriteManyFilesAndReadThemInOrder(holders);
    ASSERT_EQ(expected.fileErrors.size(), 3U);
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<std::string> lines;
        const std::vector<std::string> errors =
            FillPageList([&](const std::string& line) { lines.push_back(line); });
        EXPECT_EQ(lines, expected.lines);
        EXPECT_EQ(errors, expected.fileErrors);
    }
}

TEST_F(CatalogueTest, AReadingStartedAheadIsFinishedByTheNextListOnly) {
    ExclusiveFile holders[3];
    const PageListContent expected = WriteManyFilesAndReadThemInOrder(holders);
    StartReadingPageList();
    StartReadingPageList(); // a second start keeps the reading under way
    std::vector<std::string> lines;
    std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(lines, expected.lines);
    EXPECT_EQ(errors, expected.fileErrors);

    // The next list reads afresh.
    for (ExclusiveFile& holder : holders) {
        holder.Close();
    }
    WriteWholeFile("new.vnt", "http://new.test/|N|1:1:2025*n");
    lines.clear();
    errors = FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(lines.size(), expected.lines.size() + expected.fileErrors.size() + 1);
    EXPECT_THAT(lines, ::testing::Contains("http://new.test/"));
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(CatalogueTest, AReadingLeftUnfinishedStopsAndHoldsNoFile) {
    ExclusiveFile holders[3];
    WriteManyFilesAndReadThemInOrder(holders);
    for (ExclusiveFile& holder : holders) {
        holder.Close();
    }
    { PageListReading abandoned; }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        ExclusiveFile probe;
        EXPECT_EQ(probe.OpenForReading(entry.path().filename().string()), 0) << entry.path();
    }
}

TEST_F(CatalogueTest, NoRecordsListsNothingAndMatchesNothing) {
    EXPECT_TRUE(ListedLines().empty());
    EXPECT_FALSE(Find("").matched);
    WriteWholeFile("1.vnt", "damaged, no bar at all");
    EXPECT_FALSE(Find("").matched) << "a file without \"|\" is no record, even for empty text";
}

} // namespace
