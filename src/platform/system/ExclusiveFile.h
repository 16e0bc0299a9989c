#pragma once
// Files opened "with no sharing". Every open of a record file in the program takes an exclusive
// advisory lock without waiting, so an open fails while another part of the program (or another
// copy of it) holds the same file, and holds it against others until it is closed.

#include <cstddef>
#include <cstdint>
#include <string>

class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Opens the file for reading and locks it. Yields 0, or the system error number:
    // EWOULDBLOCK when someone else holds the file, ENOENT, EACCES and so on. A directory opens;
    // reading it fails with EISDIR.
    int OpenForReading(const std::string& name);
    bool IsOpen() const { return m_fd >= 0; }

    // Reads up to size bytes. Yields the count (0 at the end), or -1 with the error in LastError.
    std::ptrdiff_t Read(char* buffer, std::size_t size);
    // The file's size in bytes (0 for one that has none, such as a pipe), or -1 with the error in
    // LastError.
    std::int64_t Size();
    int LastError() const { return m_lastError; }

    void Close();

private:
    int m_fd = -1;
    int m_lastError = 0;
};

// Removes a file unless someone holds it open with no sharing. Yields 0 or the error number
// (EWOULDBLOCK when it is held; the file then stays).
int RemoveFileUnlessHeld(const std::string& name);

// The text for a system error number, as the system words it.
std::string SystemErrorText(int error);
