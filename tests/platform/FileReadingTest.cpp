// Enumerating record files and reading them through the small buffered reader.
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileFind.h"
#include "platform/system/StdioFile.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>

namespace {

constexpr unsigned kReadFlags =
    CStdioFile::modeRead | CStdioFile::typeText | CStdioFile::shareExclusive;

class FileReading : public InTempDirectory {};

TEST_F(FileReading, TheFinderTellsRegularFilesFromEverythingElse) {
    WriteWholeFile("plain.vnt", "x");
    std::filesystem::create_symlink("plain.vnt", "link.vnt");
    std::filesystem::create_symlink("link.vnt", "link-to-link.vnt");
    ASSERT_EQ(::mkfifo("fifo.vnt", 0644), 0);
    std::filesystem::create_symlink("fifo.vnt", "link-to-fifo.vnt");
    std::filesystem::create_symlink("nowhere", "dangling.vnt");
    std::filesystem::create_symlink("/dev/null", "device.vnt");
    std::filesystem::create_directory("folder.vnt");
    const std::map<std::string, bool> expected{
        {"plain.vnt", true},   {"link.vnt", true},      {"link-to-link.vnt", true},
        {"fifo.vnt", false},   {"dangling.vnt", false}, {"link-to-fifo.vnt", false},
        {"device.vnt", false}, // the folder is no match at all
    };
    std::map<std::string, bool> found;
    CFileFind finder;
    bool more = finder.FindFile("*.vnt");
    while (more) {
        more = finder.FindNextFile();
        found[finder.GetFileName()] = finder.IsRegularFile();
    }
    EXPECT_EQ(found, expected);
}

// A name seen as a regular file may have been swapped for something else since: the open still
// refuses it at once, unread.
TEST_F(FileReading, AnOpenSparedItsLookStillRefusesWhatIsNoRegularFile) {
    ASSERT_EQ(::mkfifo("fifo.vnt", 0644), 0);
    std::filesystem::create_directory("folder.vnt");
    ExclusiveFile file;
    EXPECT_EQ(file.OpenForReading("fifo.vnt", true), kNotRegularFile);
    EXPECT_EQ(file.OpenForReading("folder.vnt", true), EISDIR);
    EXPECT_EQ(file.OpenForReading("missing.vnt", true), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    try {
        CStdioFile opened("fifo.vnt", kReadFlags | CStdioFile::seenRegularFile);
        ADD_FAILURE() << "a FIFO was opened";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.m_lOsError, kNotRegularFile);
    }
}

// The reader's buffer fills a little at first and more each time: a stop byte, a line end or a
// read of any size lands on each side of every refill the same way.
TEST_F(FileReading, ReadsAcrossEveryRefillGiveTheFileByteForByte) {
    std::string tail;
    for (int i = 0; i < 12000; ++i) {
        tail += static_cast<char>('a' + i % 26);
    }
    for (const std::size_t stopAt : {0UL, 1UL, 255UL, 256UL, 257UL, 767UL, 768UL, 769UL, 1791UL,
                                     1792UL, 4095UL, 4096UL, 8191UL, 9000UL}) {
        const std::string first(stopAt, 'u');
        const std::string bytes = first + "|" + tail + "\nsecond line\n";
        WriteWholeFile("r.vnt", bytes);
        {
            CStdioFile file("r.vnt", kReadFlags);
            std::string text;
            EXPECT_EQ(file.ReadUntilAny(text, "|\n"), '|') << stopAt;
            EXPECT_EQ(text, first) << stopAt;
            std::string line;
            ASSERT_TRUE(file.ReadString(line)) << stopAt;
            EXPECT_EQ(line, tail) << stopAt;
            ASSERT_TRUE(file.ReadString(line)) << stopAt;
            EXPECT_EQ(line, "second line") << stopAt;
            EXPECT_FALSE(file.ReadString(line)) << stopAt;
        }
        // A bounded look finds the stop byte only within its bound, and reads no further.
        for (const std::size_t limit : {stopAt, stopAt + 1, stopAt + 2}) {
            CStdioFile file("r.vnt", kReadFlags);
            std::string text;
            const char met = file.ReadUntilAny(text, "|\n", limit);
            EXPECT_EQ(met, limit > stopAt ? '|' : '\0') << stopAt << " within " << limit;
            EXPECT_EQ(text, first.substr(0, limit)) << stopAt << " within " << limit;
            std::string part(1, '\0');
            ASSERT_EQ(file.Read(part.data(), 1), 1U);
            EXPECT_EQ(part[0], limit > stopAt ? tail[0] : '|') << stopAt << " within " << limit;
        }
        for (const std::size_t chunk : {1UL, 100UL, 1024UL, 1999UL, 5000UL}) {
            CStdioFile file("r.vnt", kReadFlags);
            std::string back;
            std::string part(chunk, '\0');
            while (const std::size_t got = file.Read(part.data(), part.size())) {
                back.append(part, 0, got);
            }
            EXPECT_EQ(back, bytes) << stopAt << " by " << chunk;
        }
    }
}

} // namespace
