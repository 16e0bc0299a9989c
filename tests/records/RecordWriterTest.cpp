#include "records/RecordWriter.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/LocalDate.h"
#include "platform/system/ReplacingFile.h"
#include "platform/system/StdioFile.h"
#include "records/DateStamp.h"
#include "records/RecordCounter.h"
#include "records/RecordRead.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class RecordWriterTest : public InTempDirectory {
protected:
    void SetUp() override { SetToday({8, 12, 2025}); }
    void TearDown() override { SetLocalDateSourceForTesting({}); }
    static void SetToday(CalendarDate date) {
        SetLocalDateSourceForTesting([date] { return date; });
    }
};

std::vector<std::string> DirectoryNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(RecordWriterTest, RecordHoldsExactlyUrlTitleDateAndPage) {
    WriteNewRecord("http://example.test/a", "<p><title>T</title>P");
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://example.test/a|T|8:12:2025*<p><title>T</title>P");
    EXPECT_EQ(ReadWholeFile("name.ini"), "1");
}

TEST_F(RecordWriterTest, EmptyPageEndsRightAfterTheStar) {
    WriteNewRecord("http://e.test/", "");
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://e.test/|untitle|8:12:2025*");
}

TEST_F(RecordWriterTest, DateStampHasNoLeadingZeros) {
    const std::pair<CalendarDate, std::string> cases[] = {
        {{8, 12, 2025}, "8:12:2025"}, {{1, 1, 2026}, "1:1:2026"}, {{31, 10, 2025}, "31:10:2025"}};
    for (const auto& [date, text] : cases) {
        SetToday(date);
        EXPECT_EQ(DateStamp(), text);
    }
}

TEST_F(RecordWriterTest, PageBytesReadBackUnchanged) {
    std::string page = "line one\r\nline two\nthree\r\n";
    for (int c = 1; c < 256; ++c) {
        page.push_back(static_cast<char>(c)); // every byte but NUL, CR LF and bare LF included
    }
    WriteNewRecord("http://e.test/", page);
    CStdioFile file("1.vnt", CStdioFile::modeRead | CStdioFile::typeText);
    std::string text(ReadWholeFile("1.vnt").size(), '\0');
    text.resize(file.Read(text.data(), text.size()));
    EXPECT_EQ(text.substr(text.find('*') + 1), page);
}

TEST_F(RecordWriterTest, NumbersRunOnFromTheCounter) {
    WriteNewRecord("http://e.test/1", "a");
    WriteNewRecord("http://e.test/2", "b");
    EXPECT_TRUE(FileExists("1.vnt"));
    EXPECT_EQ(ReadWholeFile("2.vnt"), "http://e.test/2|untitle|8:12:2025*b");
    EXPECT_EQ(ReadWholeFile("name.ini"), "2");
}

TEST_F(RecordWriterTest, CounterTextDecidesTheNextNumber) {
    const std::pair<std::string, std::string> cases[] = {
        {"41", "42"},
        {"", "1"},
        {"letters", "1"},
        {"  7\n", "8"},
        {"+9x", "10"},
        {"-5", "-4"},
        {"-1", "0"},
        {"-9223372036854775808", "-9223372036854775807"},
        {"2147483647", "2147483648"},
        {"9223372036854775806", "9223372036854775807"}};
    for (const auto& [stored, next] : cases) {
        WriteWholeFile("name.ini", stored);
        EXPECT_EQ(NextRecordNumber(), std::stoll(next)) << "name.ini held '" << stored << "'";
        EXPECT_EQ(ReadWholeFile("name.ini"), stored) << "asking stores nothing";
        ASSERT_EQ(WriteNewRecord("http://e.test/", "page"), 0);
        EXPECT_TRUE(FileExists(next + ".vnt")) << "name.ini held '" << stored << "'";
        EXPECT_EQ(ReadWholeFile("name.ini"), next);
        std::filesystem::remove(next + ".vnt");
    }
}

TEST_F(RecordWriterTest, ANegativeCounterNamesTheNextRecordByItsNumber) {
    WriteWholeFile("name.ini", "-5");
    WriteNewRecord("http://e.test/", "page");
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"-4.vnt", "name.ini"}));
    EXPECT_EQ(ReadWholeFile("-4.vnt"), "http://e.test/|untitle|8:12:2025*page");
    EXPECT_EQ(ReadWholeFile("name.ini"), "-4");
}

TEST_F(RecordWriterTest, CounterAtItsLargestHandsOutNothingAndStoresNothing) {
    for (const char* stored : {"9223372036854775807", "99999999999999999999999"}) {
        WriteWholeFile("name.ini", stored);
        EXPECT_EQ(NextRecordNumber(), std::nullopt);
        EXPECT_EQ(WriteNewRecord("http://e.test/", "page"), kNoRecordNumberLeft);
        EXPECT_EQ(DirectoryNames(), std::vector<std::string>{"name.ini"});
        EXPECT_EQ(ReadWholeFile("name.ini"), stored);
    }
}

TEST_F(RecordWriterTest, NeverReplacesAnExistingRecordWhenTheCounterWasLost) {
    WriteWholeFile("1.vnt", "http://old.test/|Old|1:1:2020*old");
    WriteWholeFile("2.vnt", "http://old.test/2|Old|1:1:2020*old");
    WriteNewRecord("http://new.test/", "new"); // no name.ini: the counter starts at 1
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://old.test/|Old|1:1:2020*old");
    EXPECT_EQ(ReadWholeFile("2.vnt"), "http://old.test/2|Old|1:1:2020*old");
    EXPECT_EQ(ReadWholeFile("3.vnt"), "http://new.test/|untitle|8:12:2025*new");
    EXPECT_EQ(ReadWholeFile("name.ini"), "3");
}

TEST_F(RecordWriterTest, RewriteReplacesTitleDateAndPage) {
    WriteNewRecord("http://e.test/", "<p><title>Old</title>old");
    SetToday({1, 1, 2026});
    RewriteRecord("http://e.test/", "<p><title>New</title>new", "1.vnt");
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://e.test/|New|1:1:2026*<p><title>New</title>new");
    EXPECT_EQ(ReadWholeFile("name.ini"), "1") << "a rewrite hands out no number";
}

TEST_F(RecordWriterTest, RewriteSkipsARecordHeldOpenForReading) {
    WriteNewRecord("http://e.test/", "old");
    {
        ExclusiveFile reader;
        ASSERT_EQ(reader.OpenForReading("1.vnt"), 0);
        EXPECT_EQ(RewriteRecord("http://e.test/", "new", "1.vnt"), WriteResult::Held());
    }
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://e.test/|untitle|8:12:2025*old");
    RewriteRecord("http://e.test/", "new", "1.vnt");
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://e.test/|untitle|8:12:2025*new");
}

TEST_F(RecordWriterTest, LeftoverTemporariesAreRemovedOnceARunAndNeverListed) {
    WriteWholeFile(".vnttmp-5.vnt-abc123", "half a record");
    RemoveLeftoverTemporaries();
    WriteNewRecord("http://e.test/", "page");
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"1.vnt", "name.ini"}));
}

// Fault injection runs in a child process (a death test), since it changes process-wide limits
// or the user the process runs as.
class RecordWriterFaultTest : public RecordWriterTest {
protected:
    static constexpr const char* kOldRecord = "http://e.test/|Old|1:1:2020*old page";
};

// Runs in the child: writes past 4 KiB fail as they do on a full disk.
[[noreturn]] void WriteWithFileSizeLimit(const std::string& bigPage) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool rewriteFailed = RewriteRecord("http://e.test/", bigPage, "1.vnt").Error() == EFBIG;
    const bool addFailed = WriteNewRecord("http://e.test/2", bigPage) == EFBIG;
    std::exit(!FileExists("2.vnt") && rewriteFailed && addFailed ? 0 : 1);
}

TEST_F(RecordWriterFaultTest, AFullDiskLeavesTheOldRecordIntact) {
    WriteWholeFile("1.vnt", kOldRecord);
    WriteWholeFile("name.ini", "1");
    const std::string bigPage(1 << 20, 'x');
    EXPECT_EXIT(WriteWithFileSizeLimit(bigPage), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadWholeFile("1.vnt"), kOldRecord);
    EXPECT_EQ(ReadWholeFile("name.ini"), "1") << "the counter moves on only for a stored record";
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"1.vnt", "name.ini"}))
        << "no temporary is left behind";
}

TEST_F(RecordWriterFaultTest, AReadOnlyDirectoryWritesNothing) {
    WriteWholeFile("1.vnt", kOldRecord);
    WriteWholeFile("name.ini", "1");
    std::filesystem::permissions(
        ".", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                 std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    EXPECT_EXIT(
        {
            // Root ignores permissions: drop to an ordinary user first.
            if (geteuid() == 0 && setresuid(65534, 65534, 65534) != 0) {
                std::exit(2);
            }
            const bool rewriteFailed =
                RewriteRecord("http://e.test/", "new", "1.vnt").Error() == EACCES;
            const bool addFailed = WriteNewRecord("http://e.test/2", "new") == EACCES;
            std::exit(rewriteFailed && addFailed ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadWholeFile("1.vnt"), kOldRecord);
    EXPECT_EQ(ReadWholeFile("name.ini"), "1");
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"1.vnt", "name.ini"}));
}

// The injected writer fails as a full disk does, after the record's text went to its temporary.
TEST_F(RecordWriterTest, AnInjectedWriteFailureStoresNothingAndKeepsTheCounter) {
    WriteWholeFile("1.vnt", "http://e.test/|Old|1:1:2020*old page");
    WriteWholeFile("name.ini", "1");
    InjectRecordWriteFailureForTesting(ENOSPC);
    const int added = WriteNewRecord("http://e.test/2", "page");
    const WriteResult rewritten = RewriteRecord("http://e.test/", "new page", "1.vnt");
    InjectRecordWriteFailureForTesting(0);
    EXPECT_EQ(added, ENOSPC);
    EXPECT_EQ(rewritten, WriteResult::FromError(ENOSPC));
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://e.test/|Old|1:1:2020*old page");
    EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"1.vnt", "name.ini"}));
    EXPECT_EQ(ReadWholeFile("name.ini"), "1");
    // The next add that succeeds takes the number the failed one did not use.
    EXPECT_EQ(WriteNewRecord("http://e.test/2", "page"), 0);
    EXPECT_EQ(ReadWholeFile("2.vnt"), "http://e.test/2|untitle|8:12:2025*page");
    EXPECT_EQ(ReadWholeFile("name.ini"), "2");
}

TEST_F(RecordWriterTest, FailureReasonsAreInPlainWords) {
    EXPECT_EQ(RecordWriteFailureText(ENOSPC), "the disk is full");
    EXPECT_EQ(RecordWriteFailureText(EDQUOT), "the disk quota is used up");
    EXPECT_EQ(RecordWriteFailureText(EROFS), "the disk is read-only");
    EXPECT_EQ(RecordWriteFailureText(EACCES), "the folder may not be written to");
    EXPECT_EQ(WriteFailureText(WriteResult::ReadOnly()), "the file is read-only");
    EXPECT_EQ(WriteFailureText(WriteResult::FromError(ENOSPC)), "the disk is full");
    EXPECT_EQ(RecordWriteFailureText(EIO), "the disk reported an input/output error");
    EXPECT_EQ(RecordWriteFailureText(kNoRecordNumberLeft),
              "no record number is left to hand out (name.ini is at its largest)");
    EXPECT_EQ(RecordWriteFailureText(ENAMETOOLONG), "File name too long"); // the system's words
}

// A title that holds a false date is stored so that it reads back as stored, and the page whole.
TEST_F(RecordWriterTest, ATitleWithADateInsideReadsBack) {
    const std::string page = "<html><title>News|1:2:3*today</title>body|4:5:6*";
    ASSERT_EQ(WriteNewRecord("http://e.test/", page), 0);
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://e.test/|News|1:2:3 *today|8:12:2025*" + page);
    const std::optional<StoredRecord> record = ReadRecordForCheck("1.vnt").value;
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->fields.url, "http://e.test/");
    EXPECT_EQ(record->fields.title, "News|1:2:3 *today");
    EXPECT_EQ(record->fields.date, "8:12:2025");
    EXPECT_EQ(record->fields.page, page);
}

} // namespace
