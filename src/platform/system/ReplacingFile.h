#pragma once
// Whole-file writes that never leave a file short, empty or half-written. The text goes to a
// temporary file beside the target, which is flushed, synced and then renamed into place. A failed
// write removes the temporary and leaves the target exactly as it was. Where the file system
// allows, the temporary has no name while it is written (a crash then leaves nothing behind) and
// is given one (a hidden name that never matches "*.vnt") just before the rename; elsewhere it
// is named from the start. Temporaries a crash left in the records folder are removed by
// RemoveLeftoverTemporaries, once a run, not by each write.
//
// What the file's owner set is kept:
// - A target that is read-only (its owner's write permission is clear, which binds root too, or
//   this process may not open it for writing) is never replaced: Commit yields ReadOnly.
// - The new file carries the old one's permission bits, and its owner and group where this
//   process may set them (a new name gets the ordinary mode an umask leaves).
// - A target that is a symbolic link stays one: the file it points to is replaced, through a
//   temporary beside that file. A file's other hard links keep the old text: a rename gives the
//   name a new file.

#include "platform/system/ExclusiveFile.h"
#include "platform/system/WriteResult.h"

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

enum class ReplaceMode {
    Replace,           // create or replace the target
    ReplaceUnlessHeld, // replace an existing target only: skip when someone holds it open with
                       // no sharing (Held), and never create one (Gone)
    CreateNew,         // create the target only if nothing of that name exists (EEXIST otherwise;
                       // a symbolic link, even one pointing nowhere, counts as existing)
};

class ReplacingFile {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile(); // discards the temporary unless committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary beside the target (beside the file a symbolic link points to).
    // Yields 0 or the system error number.
    int Open();
    // Buffered; a failure is remembered and reported by Commit.
    void Write(std::string_view text);
    // Under ReplaceUnlessHeld, replace the target only while its name leads to this file (the
    // one its old text was read from).
    void ExpectTarget(const FileIdentity& file) { m_expected = file; }
    // Puts the text in place without syncing it first. Only for a file whose readers check it
    // whole by themselves (its length and digest): what a crash may leave in its place, a short
    // or empty file, is then passed over, never trusted.
    void SkipSync() { m_sync = false; }
    // Flushes, syncs and puts the text in place. Yields Stored; ReadOnly for a target that cannot
    // be opened for writing (the outcome of the owner's choice, not a failure of the write);
    // under ReplaceUnlessHeld, Held when someone holds the target, and Gone when the target is no
    // longer there to replace: its name leads nowhere, or (with an expected file set) to another
    // file than the one expected. That look is made with the target locked, and the lock is kept
    // through the rename, so a removal either comes before (and nothing is created) or waits for
    // the new file. Any other outcome is a failure with its error number, whatever the number.
    // Unless stored, the target is untouched.
    WriteResult Commit(ReplaceMode mode);

private:
    void Discard();
    // Puts a stream over the open temporary. Yields 0 or the error number.
    int OpenStream();
    // Gives a temporary without a name its hidden name beside the target. Yields 0 or the error
    // number.
    int NameTemporary();

    std::string m_target;
    std::string m_resolved;  // the file the target names once symbolic links are followed
    std::string m_temporary; // the temporary's name; empty while it has none
    std::string m_prefix;    // where its name is made: beside the target, hidden
    bool m_nameless = false; // the temporary exists but has no name yet
    std::FILE* m_stream = nullptr;
    int m_fd = -1;
    int m_writeError = 0;
    std::optional<FileIdentity> m_expected;
    bool m_sync = true;
};

// Writes the whole text to the file in one go with ReplacingFile.
WriteResult ReplaceFileContents(const std::string& target, std::string_view text,
                                ReplaceMode mode = ReplaceMode::Replace);

// The prefix of every temporary's name.
inline constexpr std::string_view kTemporaryPrefix = ".vnttmp-";

// Removes the temporaries in the records folder that no writer holds (a crash left them): called
// once a run, where a folder is opened for writing and as a check or an add begins.
void RemoveLeftoverTemporaries();

// Test seam: the steps of a ReplaceUnlessHeld commit at which a test may act (remove the target,
// say) while the writer waits for it. The hook runs on the writer's thread with the target's
// name; set it while no writer runs, and clear it with an empty function.
enum class ReplaceStep {
    BeforeLockingTarget, // the new text is synced; the target is open but not locked yet
    TargetLocked,        // the target is locked and checked; the rename comes next
};
using ReplaceStepHook = std::function<void(ReplaceStep, const std::string& target)>;
void SetReplaceStepHookForTesting(ReplaceStepHook hook);
// Test seam for tests that run the program as a process: when VARNOLT_TEST_HOLD_REPLACE names a
// target and VARNOLT_TEST_HOLD_DIR a folder holding the FIFOs "reached" and "go", each of that
// target's steps writes the step's name and a line end to "reached" and then waits for a byte
// from "go". Does nothing when they are unset.
void HoldReplaceStepsFromEnvironment();
