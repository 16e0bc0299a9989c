#pragma once
// Writing a file a person named (a report's --output, say) as ordinary tools write one: the
// named file is created or truncated in place and nothing else in its folder is touched. What
// could make that write land on someone else's file, or on something that is not a file at
// all, is refused with its reason.

#include <string>

struct NamedFileFailure {
    int error = 0;      // the system error number; 0 when the file was written
    std::string reason; // what went wrong, in plain words
    explicit operator bool() const { return error != 0; }
};

enum class NamedFileMode {
    CreateOrTruncate, // the named file, made when missing
    CreateNew,        // a new file only: a name that is taken yields EEXIST
};

// Writes the text to the file at `path`:
// - only a regular file is written: a directory, FIFO, device or socket is refused (its open
//   never waits for a FIFO's reader);
// - in a folder anyone may write to with the sticky bit set (/tmp), a symbolic link is never
//   followed, and a file that belongs neither to this user nor to the folder's owner is never
//   truncated (a link or file another user planted there cannot redirect the write);
// - a failed write is reported (a full disk, say), and the file holds what was written.
NamedFileFailure WriteNamedFile(const std::string& path, const std::string& text,
                                NamedFileMode mode = NamedFileMode::CreateOrTruncate);
