// What a whole-file replacement yields, so that a caller can tell a file its owner made
// read-only (left as it is, by design) from a write that failed.
#include "platform/system/ReplacingFile.h"
#include "platform/system/ExclusiveFile.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr const char* kOld = "old text";

struct ReplaceCase {
    const char* name;
    unsigned mode; // of the existing target
    ReplaceMode replace;
    WriteResult result;
    const char* after;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplacingFileResult : public InTempDirectory,
                            public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplacingFileResult, TellsWhatBecameOfTheTarget) {
    const ReplaceCase& c = GetParam();
    WriteWholeFile("target", kOld);
    ASSERT_EQ(::chmod("target", c.mode), 0);
    EXPECT_EQ(ReplaceFileContents("target", "new text", c.replace), c.result);
    EXPECT_EQ(ReadWholeFile("target"), c.after);
    struct stat info {};
    ASSERT_EQ(::stat("target", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, c.mode);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ReplacingFileResult,
    ::testing::Values(
        ReplaceCase{"Writable", 0644, ReplaceMode::Replace, WriteResult::Stored(), "new text"},
        ReplaceCase{"Private", 0600, ReplaceMode::ReplaceUnlessHeld, WriteResult::Stored(),
                    "new text"},
        // Whoever runs the program, root included.
        ReplaceCase{"ReadOnly", 0444, ReplaceMode::Replace, WriteResult::ReadOnly(), kOld},
        ReplaceCase{"ReadOnlyUnlessHeld", 0400, ReplaceMode::ReplaceUnlessHeld,
                    WriteResult::ReadOnly(), kOld},
        ReplaceCase{"Existing", 0644, ReplaceMode::CreateNew, WriteResult::FromError(EEXIST),
                    kOld}),
    [](const ::testing::TestParamInfo<ReplaceCase>& param) {
        return std::string(param.param.name);
    });

class ReplacingFileFailure : public InTempDirectory {};

TEST_F(ReplacingFileFailure, AHeldTargetIsSkipped) {
    WriteWholeFile("target", kOld);
    ExclusiveFile holder;
    ASSERT_EQ(holder.OpenForReading("target"), 0);
    EXPECT_EQ(ReplaceFileContents("target", "new", ReplaceMode::ReplaceUnlessHeld),
              WriteResult::Held());
    EXPECT_EQ(ReadWholeFile("target"), kOld);
}

// A rewrite replaces only the file it was given: a target removed meanwhile is not made again,
// and one whose name now leads to another file is left to that file.
TEST_F(ReplacingFileFailure, ARewriteNeverCreatesOrReplacesAnotherFile) {
    EXPECT_EQ(ReplaceFileContents("target", "new", ReplaceMode::ReplaceUnlessHeld),
              WriteResult::Gone());
    EXPECT_FALSE(FileExists("target"));

    WriteWholeFile("target", kOld);
    ExclusiveFile reader;
    ASSERT_EQ(reader.OpenForReading("target"), 0);
    const FileIdentity read = reader.Identity();
    reader.Close();
    ASSERT_EQ(ReplaceFileContents("target", "other"),
              WriteResult::Stored()); // another writer came first
    ReplacingFile file("target");
    file.ExpectTarget(read);
    ASSERT_EQ(file.Open(), 0);
    file.Write("new");
    EXPECT_EQ(file.Commit(ReplaceMode::ReplaceUnlessHeld), WriteResult::Gone());
    EXPECT_EQ(ReadWholeFile("target"), "other");
}

// A directory in which no temporary can be made is a failure of the write, not a read-only
// target: the caller gets the system's own error number.
TEST_F(ReplacingFileFailure, ADirectoryThatCannotBeWrittenIsNoReadOnlyTarget) {
    WriteWholeFile("target", kOld);
    ASSERT_EQ(::chmod(".", 0555), 0);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 &&
                (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) {
                std::exit(100);
            }
            std::exit(ReplaceFileContents("target", "new") == WriteResult::FromError(EACCES) ? 0
                                                                                             : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadWholeFile("target"), kOld);
}

} // namespace

// The names in the working directory, sorted.
std::vector<std::string> NamesHere() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ReplacingFileTemporary : public InTempDirectory {};

// Where the file system makes files without a name, the text is written into one: nothing new
// is named in the folder until the commit, a discarded write leaves nothing, and every mode still
// puts the text in place.
TEST_F(ReplacingFileTemporary, TheTextIsWrittenWithoutANameUntilItIsPutInPlace) {
    const int probe = ::open(".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (probe < 0) {
        GTEST_SKIP() << "this file system makes no file without a name: " << std::strerror(errno);
    }
    ::close(probe);
    const std::pair<ReplaceMode, const char*> modes[] = {
        {ReplaceMode::Replace, "replace"},
        {ReplaceMode::ReplaceUnlessHeld, "replace unless held"},
        {ReplaceMode::CreateNew, "create new"},
    };
    for (const auto& [mode, name] : modes) {
        SCOPED_TRACE(name);
        std::filesystem::remove("new");
        WriteWholeFile("target", kOld);
        {
            ReplacingFile discarded("target");
            ASSERT_EQ(discarded.Open(), 0);
            discarded.Write("never put in place");
            EXPECT_EQ(NamesHere(), std::vector<std::string>{"target"});
        }
        EXPECT_EQ(NamesHere(), std::vector<std::string>{"target"});
        const std::string target = mode == ReplaceMode::CreateNew ? "new" : "target";
        ReplacingFile file(target);
        ASSERT_EQ(file.Open(), 0);
        file.Write("new text");
        EXPECT_EQ(NamesHere(), std::vector<std::string>{"target"});
        ASSERT_EQ(file.Commit(mode), WriteResult::Stored());
        EXPECT_EQ(ReadWholeFile(target), "new text");
        EXPECT_EQ(NamesHere().size(), mode == ReplaceMode::CreateNew ? 2u : 1u);
    }
}

// Leftovers of a crash are removed once a run, not by every write; one a live writer holds
// locked is left alone.
TEST_F(ReplacingFileTemporary, LeftoversAreRemovedOnceARunAndNotByEachWrite) {
    const std::string leftover = std::string(kTemporaryPrefix) + "1.vnt-abc123";
    const std::string held = std::string(kTemporaryPrefix) + "2.vnt-def456";
    WriteWholeFile(leftover, "half a record");
    WriteWholeFile(held, "being written");
    const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    ASSERT_EQ(ReplaceFileContents("1.vnt", "record"), WriteResult::Stored());
    EXPECT_EQ(NamesHere(), (std::vector<std::string>{leftover, held, "1.vnt"}))
        << "a write looked through the folder";

    RemoveLeftoverTemporaries();
    EXPECT_EQ(NamesHere(), (std::vector<std::string>{held, "1.vnt"}));
    ::close(holder);
}
