#pragma once
// A record file opened by name for reading, with no sharing (see ExclusiveFile.h). Files are bytes
// here: text mode does no translation, so a page reads back exactly as it was written. A failure
// to open or read raises CFileException.

#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileException.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CStdioFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        shareExclusive = 0x0010,
        typeText = 0x4000,
        // The caller has just found the name as a regular file (CFileFind::IsRegularFile): the
        // open spares its look before opening (it still checks the file it opened).
        seenRegularFile = 0x100000,
    };

    // Opens for reading; the flags say how, and only reading with no sharing exists here.
    CStdioFile(const std::string& fileName, unsigned openFlags);
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // Reads up to count bytes; 0 at the end of the file.
    std::size_t Read(char* buffer, std::size_t count);
    // The next line without its line feed, of any length. False at the end with nothing read.
    bool ReadString(std::string& line);
    // Reads on until one of the stop bytes or the end, looking at no more than limit bytes; the
    // text before it goes to text. Yields the stop byte met, or 0 at the end of the file or when
    // limit bytes held no stop byte.
    char ReadUntilAny(std::string& text, const char* stopBytes,
                      std::size_t limit = static_cast<std::size_t>(-1));
    void Close();
    // The file's size in bytes when it was opened.
    std::uint64_t GetLength() const { return static_cast<std::uint64_t>(m_file.Size()); }
    // The file opened, which the name may no longer lead to.
    const FileIdentity& GetIdentity() const { return m_file.Identity(); }

    const std::string& GetFileName() const { return m_fileName; }

private:
    // The exception for the read that just failed.
    CFileException ReadFailure() const;
    // Reads into the empty buffer: at least wanted bytes if the buffer holds them.
    bool Refill(std::size_t wanted);

    std::string m_fileName;
    ExclusiveFile m_file;
    char m_buffer[4096];
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    // How much the next refill asks for: a first line up to its "|" is mostly short, so the
    // first read is small and each further one twice the last, up to the whole buffer.
    std::size_t m_refillSize = 256;
};
