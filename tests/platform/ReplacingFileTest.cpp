// What a whole-file replacement yields, so that a caller can tell a file its owner made
// read-only (left as it is, by design) from a write that failed.
#include "platform/system/ReplacingFile.h"
#include "platform/system/ExclusiveFile.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
