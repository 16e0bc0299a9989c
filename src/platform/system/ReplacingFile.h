#pragma once
// Whole-file writes that never leave a file short, empty or half-written. The text goes to a
// temporary file beside the target (a hidden name that never matches "*.vnt"), which is flushed,
// synced and then renamed into place. A failed write removes the temporary and leaves the target
// exactly as it was. Temporaries left by a crash are removed by the next write in the directory.

#include <cstdio>
#include <string>
#include <string_view>

enum class ReplaceMode {
    Replace,           // create or replace the target
    ReplaceUnlessHeld, // as Replace, but skip when someone holds the target open with no sharing
    CreateNew,         // create the target only if no file of that name exists (EEXIST otherwise)
};

class ReplacingFile {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile(); // discards the temporary unless committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary. Yields 0 or the system error number.
    int Open();
    // Buffered; a failure is remembered and reported by Commit.
    void Write(std::string_view text);
    // Flushes, syncs and puts the text in place. Yields 0 or the error number (EWOULDBLOCK when
    // ReplaceUnlessHeld found the target held). On any failure the target is untouched.
    int Commit(ReplaceMode mode);

private:
    void Discard();

    std::string m_target;
    std::string m_temporary;
    std::FILE* m_stream = nullptr;
    int m_fd = -1;
    int m_writeError = 0;
};

// Writes the whole text to the file in one go with ReplacingFile. Yields 0 or the error number.
int ReplaceFileContents(const std::string& target, std::string_view text,
                        ReplaceMode mode = ReplaceMode::Replace);

// The prefix of every temporary's name.
inline constexpr std::string_view kTemporaryPrefix = ".vnttmp-";
