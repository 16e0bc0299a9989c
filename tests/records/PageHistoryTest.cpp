#include "records/PageHistory.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/LocalDate.h"
#include "records/PageRules.h"
#include "records/RecordWriter.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PageHistoryTest : public InTempDirectory {
protected:
    void SetUp() override {
        SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
        ASSERT_EQ(WriteNewRecord("http://e.test/", "page 0"), 0);
    }
    void TearDown() override { SetLocalDateSourceForTesting({}); }

    // Replaces record 1 with the page as a check does: the copy read is kept first.
    // Between the read and the rewrite, meanwhile runs.
    static WriteResult Replace(const std::string& page, const HistoryLimits& limits,
                               bool* keepFailed = nullptr,
                               const std::function<void()>& meanwhile = {}) {
        RecordReading<StoredRecord> record = ReadRecordForCheck("1.vnt");
        EXPECT_TRUE(record.value);
        const std::string_view text = record.value->text;
        OldCopy old{text.substr(0, text.size() - record.value->fields.page.size()),
                    record.value->fields.page, limits};
        if (meanwhile) {
            meanwhile();
        }
        const WriteResult result =
            RewriteRecord("http://e.test/", page, "1.vnt", record.value->file, &old);
        if (keepFailed != nullptr) {
            *keepFailed = old.keepFailed;
        }
        return result;
    }
    // The pages of every version, newest first.
    static std::vector<std::string> VersionPages() {
        std::vector<std::string> pages;
        RecordReading<std::vector<PageVersion>> versions = ListPageVersions("1.vnt");
        EXPECT_FALSE(versions.Failed()) << versions.failure;
        for (const PageVersion& version : *versions.value) {
            EXPECT_EQ(version.number, static_cast<int>(pages.size()) + 1);
            RecordReading<StoredRecord> read = ReadPageVersion(version);
            EXPECT_TRUE(read.value) << read.failure;
            pages.emplace_back(read.value->fields.page);
            EXPECT_EQ(read.value->fields.url, "http://e.test/");
        }
        return pages;
    }
    static std::uint64_t KeptBytes() {
        std::uint64_t bytes = 0;
        const RecordReading<std::vector<PageVersion>> versions = ListPageVersions("1.vnt");
        for (const PageVersion& version : *versions.value) {
            bytes += version.number > 1 ? version.bytes : 0;
        }
        return bytes;
    }
};

// Each replacement keeps the copy it replaces, newest first, in the record format; the oldest go
// first once there are more than the limits allow. Every replacement here falls within one or two
// seconds, so the names must keep their order without the clock's help.
TEST_F(PageHistoryTest, KeepsTheNewestVersionsWithinTheLimits) {
    struct Case {
        const char* name;
        HistoryLimits limits;
        int replacements;
        std::vector<std::string> expected; // pages, newest first
    };
    const std::uint64_t kLarge = std::uint64_t{1} << 30;
    // A kept copy of "page N" is "http://e.test/|untitle|8:12:2025*page N": 39 bytes.
    const Case cases[] = {
        {"under both limits", {20, kLarge}, 3, {"page 3", "page 2", "page 1", "page 0"}},
        {"by count", {2, kLarge}, 5, {"page 5", "page 4", "page 3"}},
        {"by bytes", {20, 3 * 39}, 6, {"page 6", "page 5", "page 4", "page 3"}},
        {"bytes below one copy", {20, 38}, 3, {"page 3"}},
        {"keep 0: history off", {0, kLarge}, 3, {"page 3"}},
        {"both, count binds", {3, 10 * 39}, 8, {"page 8", "page 7", "page 6", "page 5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(RemoveRecord("1.vnt"), 0);
        WriteWholeFile("1.vnt", "http://e.test/|untitle|8:12:2025*page 0");
        for (int i = 1; i <= c.replacements; ++i) {
            ASSERT_EQ(Replace("page " + std::to_string(i), c.limits), WriteResult::Stored());
        }
        EXPECT_EQ(VersionPages(), c.expected);
        EXPECT_LE(KeptBytes(), c.limits.maxBytes);
    }
}

TEST_F(PageHistoryTest, KeptCopyIsTheWholeRecordAsItWas) {
    const std::string before = ReadWholeFile("1.vnt");
    ASSERT_EQ(Replace("<title>New</title>new", HistoryLimits{}), WriteResult::Stored());
    const std::vector<PageVersion> versions = ListPageVersions("1.vnt").value.value();
    ASSERT_EQ(versions.size(), 2U);
    EXPECT_EQ(ReadWholeFile(versions[1].fileName), before);
    EXPECT_EQ(versions[1].bytes, before.size());
    EXPECT_EQ(versions[1].fileName.rfind("1.vnt.history/", 0), 0U);
    // Stored no later than the record that replaced it, and within a minute of now.
    EXPECT_LE(versions[1].storedAt, versions[0].storedAt);
    EXPECT_GT(versions[1].storedAt, 1700000000);
    EXPECT_EQ(std::filesystem::status("1.vnt.history").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}

// The copy kept is the record's own file under a second name, where the name still leads to the
// file read; a record reached through a symbolic link has its text written instead, and stays a
// link.
TEST_F(PageHistoryTest, TheFileReadIsKeptAsItIsOrItsTextWritten) {
    struct stat before {};
    ASSERT_EQ(::stat("1.vnt", &before), 0);
    ASSERT_EQ(Replace("page 1", HistoryLimits{}), WriteResult::Stored());
    struct stat kept {};
    ASSERT_EQ(::stat(ListPageVersions("1.vnt").value->at(1).fileName.c_str(), &kept), 0);
    EXPECT_EQ(kept.st_ino, before.st_ino);

    std::filesystem::rename("1.vnt", "real.vnt");
    std::filesystem::create_symlink("real.vnt", "1.vnt");
    const std::string text = ReadWholeFile("real.vnt");
    ASSERT_EQ(Replace("page 2", HistoryLimits{}), WriteResult::Stored());
    EXPECT_TRUE(std::filesystem::is_symlink("1.vnt"));
    EXPECT_EQ(VersionPages(), (std::vector<std::string>{"page 2", "page 1", "page 0"}));
    const std::vector<PageVersion> versions = ListPageVersions("1.vnt").value.value();
    EXPECT_EQ(ReadWholeFile(versions[1].fileName), text);
    EXPECT_FALSE(std::filesystem::is_symlink(versions[1].fileName));
}

// When the old copy cannot be kept, the record stays exactly as it was; when the record is not
// replaced after all, the copy kept for it goes again.
TEST_F(PageHistoryTest, RecordStaysWhenTheCopyCannotBeKeptAndNoCopyStaysWhenItIsNotReplaced) {
    const std::string before = ReadWholeFile("1.vnt");
    WriteWholeFile("1.vnt.history", "a file where the folder would be");
    bool keepFailed = false;
    EXPECT_EQ(Replace("new", HistoryLimits{}, &keepFailed), WriteResult::FromError(ENOTDIR));
    EXPECT_TRUE(keepFailed);
    EXPECT_EQ(ReadWholeFile("1.vnt"), before);
    std::filesystem::remove("1.vnt.history");

    ExclusiveFile holder;
    EXPECT_EQ(Replace("new", HistoryLimits{}, &keepFailed,
                      [&] { ASSERT_EQ(holder.OpenForReading("1.vnt"), 0); }),
              WriteResult::Held());
    EXPECT_FALSE(keepFailed);
    holder.Close();
    EXPECT_EQ(ReadWholeFile("1.vnt"), before);
    EXPECT_EQ(VersionPages(), std::vector<std::string>{"page 0"});
}

TEST_F(PageHistoryTest, RemovingTheRecordRemovesItsHistory) {
    ASSERT_EQ(Replace("page 1", HistoryLimits{}), WriteResult::Stored());
    ASSERT_EQ(Replace("page 2", HistoryLimits{}), WriteResult::Stored());
    ASSERT_TRUE(std::filesystem::is_directory("1.vnt.history"));
    EXPECT_EQ(RemoveRecord("1.vnt"), 0);
    EXPECT_FALSE(std::filesystem::exists("1.vnt.history"));
    EXPECT_TRUE(ListPageVersions("1.vnt").value->empty());
}

TEST_F(PageHistoryTest, SettingReadsBackAndABadOneIsNamed) {
    RecordReading<HistoryLimits> none = ReadHistoryLimits();
    ASSERT_TRUE(none.value);
    EXPECT_EQ(none.value->keep, 20);
    EXPECT_EQ(none.value->maxBytes, std::uint64_t{50} << 20);

    ASSERT_EQ(WriteHistoryLimits({3, 12345}), 0);
    RecordReading<HistoryLimits> written = ReadHistoryLimits();
    ASSERT_TRUE(written.value);
    EXPECT_EQ(written.value->keep, 3);
    EXPECT_EQ(written.value->maxBytes, 12345U);

    for (const char* bad : {"keep=-1\n", "keep=ten\n", "colour=red\n", "maxBytes=\n"}) {
        WriteWholeFile("history.ini", bad);
        const RecordReading<HistoryLimits> read = ReadHistoryLimits();
        EXPECT_TRUE(read.Failed()) << bad;
        EXPECT_NE(read.failure.find("history.ini"), std::string::npos) << read.failure;
    }
}

// A version named in the future never trips the ones after it: each is named for when its own copy
// was stored, and every check goes on keeping its copy.
TEST_F(PageHistoryTest, AVersionNamedInTheFutureDoesNotStopTheNextOnes) {
    std::filesystem::create_directory("1.vnt.history");
    const std::string future = "1.vnt.history/20991231-235959-9998.vnt";
    WriteWholeFile(future, "http://e.test/|untitle|8:12:2025*from the future");
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(Replace("page " + std::to_string(i), HistoryLimits{}), WriteResult::Stored()) << i;
    }
    const std::vector<PageVersion> versions = ListPageVersions("1.vnt").value.value();
    ASSERT_EQ(versions.size(), 5U);
    EXPECT_EQ(versions[1].fileName, future);
    for (std::size_t i = 2; i < versions.size(); ++i) {
        EXPECT_LT(versions[i].storedAt, 4102444800) << "stored before 2100: " << i;
    }
}

// A copy kept for a replacement that never came (a check killed in between) is not a version of
// its own: the listing passes over it, and the next replacement keeps it once, not twice.
TEST_F(PageHistoryTest, ACopyLeftByAKilledReplacementIsNotKeptTwice) {
    for (const bool linked : {true, false}) {
        SCOPED_TRACE(linked ? "the record's file under a second name" : "its text written");
        std::filesystem::remove_all("1.vnt.history");
        WriteWholeFile("1.vnt", "http://e.test/|untitle|8:12:2025*page 0");
        RecordReading<StoredRecord> record = ReadRecordForCheck("1.vnt");
        ASSERT_TRUE(record.value);
        const std::string_view text = record.value->text;
        const std::string_view page = record.value->fields.page;
        std::string keptAs;
        ASSERT_EQ(StoreKeptVersion("1.vnt", text.substr(0, text.size() - page.size()), page,
                                   HistoryLimits{}, keptAs,
                                   linked ? std::optional(record.value->file) : std::nullopt),
                  0);
        ASSERT_FALSE(keptAs.empty());
        EXPECT_EQ(VersionPages(), std::vector<std::string>{"page 0"});

        ASSERT_EQ(Replace("page 1", HistoryLimits{}), WriteResult::Stored());
        EXPECT_EQ(VersionPages(), (std::vector<std::string>{"page 1", "page 0"}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("1.vnt.history"),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

// A setting or rules file that is no regular file is refused with what it is, never read as the
// defaults or as no rules; a FIFO is never waited on.
TEST_F(PageHistoryTest, ASettingThatIsNoFileIsRefusedWithItsReason) {
    struct Kind {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* reason;
    };
    const Kind kinds[] = {
        {"a folder", [](const std::string& n) { std::filesystem::create_directory(n); },
         "it is a folder"},
        {"a FIFO", [](const std::string& n) { ASSERT_EQ(::mkfifo(n.c_str(), 0600), 0); },
         "it is no regular file"},
        {"a link to nothing",
         [](const std::string& n) { std::filesystem::create_symlink("nowhere", n); },
         "it is a link that leads nowhere"},
        {"a link to /dev/zero",
         [](const std::string& n) { std::filesystem::create_symlink("/dev/zero", n); },
         "it is no regular file"},
    };
    struct File {
        std::string name;
        std::function<std::string()> read; // the failure
    };
    const File files[] = {
        {"history.ini", [] { return ReadHistoryLimits().failure; }},
        {"1.vnt.rules", [] { return ReadRecordRules("1.vnt").failure; }},
    };
    for (const File& file : files) {
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(file.name + " as " + kind.name);
            kind.make(file.name);
            EXPECT_THAT(file.read(),
                        ::testing::AllOf(::testing::HasSubstr(file.name + " cannot be read: "),
                                         ::testing::HasSubstr(kind.reason)));
            std::filesystem::remove(file.name);
        }
    }
}

} // namespace
