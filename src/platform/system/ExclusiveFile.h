#pragma once
// Files opened "with no sharing". Every open of a record file in the program takes an exclusive
// advisory lock without waiting, so an open fails while another part of the program (or another
// copy of it) holds the same file, and holds it against others until it is closed.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

// What an open yields for anything that is not a regular file, directly or through a link (a
// FIFO, socket or device; a directory yields EISDIR). Such a file is never read, and the open
// never waits for it.
inline constexpr int kNotRegularFile = ENODEV;

// Which file a name led to when it was opened: two opens met the same file when these are equal.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Opens the file for reading and locks it. Yields 0, or the system error number:
    // EWOULDBLOCK when someone else holds the file, ENOENT, EACCES, EISDIR, kNotRegularFile and
    // so on. The name is looked at before it is opened, so that a device is not even opened;
    // seenRegular says the caller has just seen it as a regular file (CFileFind) and spares that
    // look. Either way the file opened is checked again.
    int OpenForReading(const std::string& name, bool seenRegular = false);
    bool IsOpen() const { return m_fd >= 0; }
    // The file's size in bytes when it was opened.
    std::int64_t Size() const { return m_size; }
    // The file that was opened (not the name, which may lead elsewhere by now).
    const FileIdentity& Identity() const { return m_identity; }

    // Reads up to size bytes. Yields the count (0 at the end), or -1 with the error in LastError.
    std::ptrdiff_t Read(char* buffer, std::size_t size);
    int LastError() const { return m_lastError; }

    void Close();

private:
    int m_fd = -1;
    int m_lastError = 0;
    std::int64_t m_size = 0;
    FileIdentity m_identity;
};

// Removes a file unless someone holds it open with no sharing. Yields 0 or the error number
// (EWOULDBLOCK when it is held; the file then stays). Only the file that was locked loses its
// name: when the name was given to another file meanwhile (a rewrite put its new copy in place),
// that one is locked and removed instead. A symbolic link loses only its own name, never what it
// points to; one that leads nowhere (a loop, or to nothing) is removed all the same.
int RemoveFileUnlessHeld(const std::string& name);

// The text for a system error number, as the system words it.
std::string SystemErrorText(int error);
