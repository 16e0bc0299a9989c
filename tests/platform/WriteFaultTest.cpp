// A whole-file write whose system call fails says so with that call's own error number, whatever
// the number: never one of the states a write is left in by design (read-only, held, gone), and
// never a file left half-way or a temporary left behind.
#include "platform/system/ExclusiveFile.h"
#include "platform/system/Folders.h"
#include "platform/system/ReplacingFile.h"
#include "support/FailingCall.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* kOld = "old text";

struct CallFault {
    const char* call;
    int error;
    WriteResult expected;
};

void PrintTo(const CallFault& c, std::ostream* os) {
    *os << c.call << " " << SystemErrorText(c.error);
}

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

class ReplaceWithFailingCall : public InTempDirectory,
                               public ::testing::WithParamInterface<CallFault> {};

TEST_P(ReplaceWithFailingCall, IsToldWithItsOwnReasonAndLeavesTheTarget) {
    const CallFault& c = GetParam();
    WriteWholeFile("target", kOld);
    WriteResult result = WriteResult::Stored();
    {
        FailingCall failing(c.call, c.error);
        SKIP_WITHOUT_FAULT_POINTS(failing);
        result = ReplaceFileContents("target", "new text", ReplaceMode::ReplaceUnlessHeld);
    }
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(ReadWholeFile("target"), result.IsStored() ? "new text" : kOld);
    EXPECT_EQ(Names(), std::vector<std::string>{"target"}) << "no temporary is left";
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ReplaceWithFailingCall,
    ::testing::Values(
        // The numbers a state of the write was once told by are failures like any other.
        CallFault{"fsync", ESTALE, WriteResult::FromError(ESTALE)},
        CallFault{"fsync", EPERM, WriteResult::FromError(EPERM)},
        CallFault{"fsync", EWOULDBLOCK, WriteResult::FromError(EWOULDBLOCK)},
        CallFault{"renameat", ESTALE, WriteResult::FromError(ESTALE)},
        CallFault{"renameat", EPERM, WriteResult::FromError(EPERM)},
        CallFault{"renameat", EWOULDBLOCK, WriteResult::FromError(EWOULDBLOCK)},
        // The permissions and owner carried over to the new file.
        CallFault{"fchmod", EIO, WriteResult::FromError(EIO)},
        CallFault{"fchown", EIO, WriteResult::FromError(EIO)},
        // A process that may not give the file its old owner stores it as its own.
        CallFault{"fchown", EPERM, WriteResult::Stored()},
        // Locks: the temporary's (a file system that keeps none) before the target's.
        CallFault{"flock", ENOLCK, WriteResult::FromError(ENOLCK)},
        // Looking at the locked target and at its name again.
        CallFault{"fstat", EIO, WriteResult::FromError(EIO)},
        CallFault{"fstatat", EACCES, WriteResult::FromError(EACCES)}),
    [](const ::testing::TestParamInfo<CallFault>& param) {
        return std::string(param.param.call) + "_" + std::to_string(param.param.error);
    });

class FileCallFault : public InTempDirectory {};

// A file whose status cannot be read is not taken for a device or a FIFO.
TEST_F(FileCallFault, AFailedLookAtAnOpenFileKeepsItsReason) {
    WriteWholeFile("1.vnt", kOld);
    ExclusiveFile file;
    FailingCall failing("fstat", EIO);
    SKIP_WITHOUT_FAULT_POINTS(failing);
    EXPECT_EQ(file.OpenForReading("1.vnt"), EIO);
}

// A folder that cannot be read to its end is not removed, and says why.
TEST_F(FileCallFault, AFolderThatCannotBeListedIsNotRemovedInSilence) {
    std::filesystem::create_directory("1.vnt.history");
    WriteWholeFile("1.vnt.history/a.vnt", kOld);
    int error = 0;
    {
        FailingCall failing("readdir", EIO);
        SKIP_WITHOUT_FAULT_POINTS(failing);
        error = RemoveTree("1.vnt.history");
    }
    EXPECT_EQ(error, EIO);
    EXPECT_TRUE(FileExists("1.vnt.history/a.vnt"));
}

} // namespace
