// Every file of the records is named relative to the folder opened once, never to the working
// directory: a program (or a job's thread) whose working directory moves on still reads and
// writes its own folder.

#include "platform/system/RecordsFolder.h"
#include "records/Catalogue.h"
#include "records/LastCheck.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordWriter.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using ::testing::ElementsAre;

std::vector<std::string> FolderContents(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RecordsFolderTest : public InTempDirectory {
protected:
    // The working directory moves to a folder of its own with a decoy record in it; the folder
    // of records stays the test's.
    void MoveAway() {
        m_elsewhere = std::filesystem::path(m_workingDirectory.Path()) / "elsewhere";
        std::filesystem::create_directory(m_elsewhere);
        std::filesystem::current_path(m_elsewhere);
        WriteWholeFile("1.vnt", "http://decoy.test/|Decoy|1:1:2025*decoy");
    }
    std::string InRecords(const std::string& name) const {
        return ReadWholeFile(m_workingDirectory.Path() + "/" + name);
    }
    std::filesystem::path m_elsewhere;
};

TEST_F(RecordsFolderTest, EveryFileIsTheRecordsFoldersWhereverTheWorkingDirectoryIs) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*old page");
    MoveAway();

    std::vector<std::string> lines;
    FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, ElementsAre("http://a.test/"));

    const RecordReading<StoredRecord> read = ReadRecordForCheck("1.vnt");
    ASSERT_TRUE(read.value) << read.failure;
    EXPECT_EQ(read.value->fields.url, "http://a.test/");

    std::string file, title, date;
    EXPECT_TRUE(FindRecordByUrl("http://a.test/", file, title, date));
    EXPECT_EQ(file, "1.vnt");

    EXPECT_EQ(RewriteRecord("http://a.test/", "new page", "1.vnt", read.value->file),
              WriteResult::Stored());
    EXPECT_THAT(InRecords("1.vnt"), ::testing::EndsWith("*new page"));

    std::string added;
    ASSERT_EQ(WriteNewRecord("http://b.test/", "b page", &added), 0);
    EXPECT_EQ(added, "2.vnt");
    EXPECT_THAT(InRecords("2.vnt"), ::testing::StartsWith("http://b.test/|"));

    PageRules rules;
    rules.text = true;
    ASSERT_EQ(WriteRecordRules("2.vnt", rules), 0);
    EXPECT_EQ(ReadRecordRules("2.vnt").rules, rules);
    EXPECT_TRUE(WriteLastCheck().IsStored());
    EXPECT_EQ(RemoveRecord("1.vnt"), 0);

    EXPECT_THAT(FolderContents(m_workingDirectory.Path()),
                ElementsAre("2.vnt", "2.vnt.rules", "elsewhere", "name.ini", "time.ini"));
    // Nothing reached the working directory, and its record is as it was.
    EXPECT_THAT(FolderContents(m_elsewhere), ElementsAre("1.vnt"));
    EXPECT_EQ(ReadWholeFile("1.vnt"), "http://decoy.test/|Decoy|1:1:2025*decoy");
}

TEST_F(RecordsFolderTest, AFolderThatCannotBeListedIsRefusedAndTheOpenOneStays) {
    WriteWholeFile("1.vnt", "http://a.test/|A|1:1:2025*page");
    const std::filesystem::path locked = std::filesystem::path(m_workingDirectory.Path()) / "x";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write);
    std::vector<int> errors = {OpenRecordsFolder(m_workingDirectory.Path() + "/1.vnt"),
                               OpenRecordsFolder(m_workingDirectory.Path() + "/missing")};
    std::vector<int> expected = {ENOTDIR, ENOENT};
    if (::geteuid() != 0) { // root lists any folder
        errors.push_back(OpenRecordsFolder(locked.string()));
        expected.push_back(EACCES);
    }
    EXPECT_EQ(errors, expected);
    std::vector<std::string> lines;
    FillPageList([&](const std::string& line) { lines.push_back(line); });
    EXPECT_THAT(lines, ElementsAre("http://a.test/"));
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

} // namespace
