// A record's files have one owner: removed together whatever each has become, every failure
// named, and cleared before a new record takes a number used before.

#include "records/RecordFiles.h"
#include "platform/system/ExclusiveFile.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"
#include "records/RecordWriter.h"
#include "records/SeenCopy.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <sys/mount.h>

namespace fs = std::filesystem;

namespace {

class RecordFilesTest : public InTempDirectory {
protected:
    void SetUp() override { WriteWholeFile("1.vnt", "http://e.test/|T|1:1:2025*page"); }
    static std::vector<std::string> SideFilesLeft() {
        std::vector<std::string> left;
        for (const SideFile file : kSideFiles) {
            const std::string name = SideFileName("1.vnt", file);
            if (fs::symlink_status(name).type() != fs::file_type::not_found) {
                left.push_back(name);
            }
        }
        return left;
    }
};

// Whatever a side file has become, it goes with the record: a link (never what it leads to), a
// file in place of a folder, a folder that holds folders.
TEST_F(RecordFilesTest, RemovalTakesEverySideFileWhateverItIs) {
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"history is a link to a folder",
         [] {
             fs::create_directory("elsewhere");
             WriteWholeFile("elsewhere/keep.txt", "not the record's");
             fs::create_directory_symlink("elsewhere", "1.vnt.history");
         }},
        {"history is a link to nothing", [] { fs::create_symlink("nowhere", "1.vnt.history"); }},
        {"history is a file", [] { WriteWholeFile("1.vnt.history", "in the way"); }},
        {"history holds a folder",
         [] {
             fs::create_directories("1.vnt.history/inner/deeper");
             WriteWholeFile("1.vnt.history/inner/deeper/x.vnt", "x");
             WriteWholeFile("1.vnt.history/20250101-000000-0000.vnt", "v");
         }},
        {"rules and seen copy",
         [] {
             WriteWholeFile("1.vnt.rules", "text\n");
             WriteWholeFile("1.vnt.seen", "seen");
         }},
        {"rules is a folder, seen a link",
         [] {
             fs::create_directories("1.vnt.rules/inner");
             fs::create_symlink("1.vnt", "1.vnt.seen");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile("1.vnt", "http://e.test/|T|1:1:2025*page");
        c.make();
        std::vector<RemovalFailure> failures;
        EXPECT_EQ(RemoveRecord("1.vnt", &failures), 0);
        EXPECT_TRUE(failures.empty());
        EXPECT_FALSE(FileExists("1.vnt"));
        EXPECT_THAT(SideFilesLeft(), ::testing::IsEmpty());
    }
    EXPECT_EQ(ReadWholeFile("elsewhere/keep.txt"), "not the record's");
}

// A side file that will not go is named with its reason, and the others go all the same.
TEST_F(RecordFilesTest, ASideFileThatStaysIsNamedWithItsReason) {
    fs::create_directories("1.vnt.history/mounted");
    WriteWholeFile("1.vnt.rules", "text\n");
    if (::mount("tmpfs", "1.vnt.history/mounted", "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: no folder that refuses to go";
    }
    WriteWholeFile("1.vnt.history/mounted/theirs", "another disk's file");
    std::vector<RemovalFailure> failures;
    const int error = RemoveRecord("1.vnt", &failures);
    const std::string theirs = ReadWholeFile("1.vnt.history/mounted/theirs");
    ::umount2("1.vnt.history/mounted", MNT_DETACH);
    EXPECT_EQ(error, EBUSY);
    ASSERT_EQ(failures.size(), 1U);
    EXPECT_EQ(failures[0].fileName, "1.vnt.history");
    EXPECT_EQ(RemovalFailureText(failures[0]),
              "1.vnt.history could not be removed: Device or resource busy");
    EXPECT_EQ(theirs, "another disk's file") << "another file system is never entered";
    EXPECT_FALSE(FileExists("1.vnt"));
    EXPECT_FALSE(FileExists("1.vnt.rules"));
}

// After the counter was reset, a new page that gets a number used before starts afresh: none of
// the old page's rules, seen copy or history is its.
TEST_F(RecordFilesTest, ANumberUsedBeforeStartsWithoutTheOldPagesFiles) {
    ASSERT_EQ(WriteRecordRules("1.vnt", PageRules{{}, {}, true, {}}), 0);
    WriteWholeFile("1.vnt.seen", "what the old page's check saw");
    ASSERT_EQ(KeepVersion("1.vnt", "http://old.test/|T|1:1:2025*old page", HistoryLimits{}), 0);
    fs::remove("1.vnt"); // removed by hand, or a removal cut short
    fs::remove("name.ini");

    std::string storedAs;
    ASSERT_EQ(WriteNewRecord("http://new.test/", "new page", &storedAs), 0);
    EXPECT_EQ(storedAs, "1.vnt");
    EXPECT_THAT(SideFilesLeft(), ::testing::IsEmpty());
    EXPECT_TRUE(ReadRecordRules("1.vnt").rules.Empty());
    EXPECT_EQ(ListPageVersions("1.vnt").value.value().size(), 1U);
}

} // namespace
