#include "platform/system/StdioFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

CStdioFile::CStdioFile(const std::string& fileName, unsigned openFlags) : m_fileName(fileName) {
    if (const int error = m_file.OpenForReading(fileName, (openFlags & seenRegularFile) != 0);
        error != 0) {
        throw CFileException::FromOsError(error, fileName);
    }
}

CFileException CStdioFile::ReadFailure() const {
    const int error = m_file.LastError();
    // Only an open meets another's lock: a read that fails is never a sharing violation, whatever
    // its error number says, so that no caller waits for the file to be let go.
    if (error == EWOULDBLOCK) {
        return CFileException(CFileException::genericException, error, m_fileName);
    }
    return CFileException::FromOsError(error, m_fileName);
}

bool CStdioFile::Refill(std::size_t wanted) {
    const std::size_t size = std::min(std::max(m_refillSize, wanted), sizeof m_buffer);
    m_refillSize = std::min(2 * size, sizeof m_buffer);
    const std::ptrdiff_t count = m_file.Read(m_buffer, size);
    if (count < 0) {
        throw ReadFailure();
    }
    m_pos = 0;
    m_end = static_cast<std::size_t>(count);
    return count > 0;
}

std::size_t CStdioFile::Read(char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (m_pos == m_end) {
            // Large reads go straight to the caller's buffer; small ones through ours, so that
            // reading 1024 bytes at a time does not cost a system call each.
            if (count - done >= sizeof m_buffer) {
                const std::ptrdiff_t got = m_file.Read(buffer + done, count - done);
                if (got < 0) {
                    throw ReadFailure();
                }
                if (got == 0) {
                    break;
                }
                done += static_cast<std::size_t>(got);
                continue;
            }
            if (!Refill(count - done)) {
                break;
            }
        }
        const std::size_t take = std::min(count - done, m_end - m_pos);
        std::memcpy(buffer + done, m_buffer + m_pos, take);
        m_pos += take;
        done += take;
    }
    return done;
}

char CStdioFile::ReadUntilAny(std::string& text, const char* stopBytes, std::size_t limit) {
    text.clear();
    for (;;) {
        if (text.size() >= limit || (m_pos == m_end && !Refill(0))) {
            return 0;
        }
        const char* begin = m_buffer + m_pos;
        const char* end = begin + std::min(m_end - m_pos, limit - text.size());
        const char* stop = end;
        for (const char* wanted = stopBytes; *wanted != 0; ++wanted) {
            const auto length = static_cast<std::size_t>(stop - begin);
            if (const void* found = std::memchr(begin, *wanted, length)) {
                stop = static_cast<const char*>(found);
            }
        }
        text.append(begin, stop);
        if (stop != end) {
            m_pos = static_cast<std::size_t>(stop - m_buffer) + 1;
            return *stop;
        }
        m_pos = static_cast<std::size_t>(end - m_buffer);
    }
}

bool CStdioFile::ReadString(std::string& line) {
    if (m_pos == m_end && !Refill(0)) {
        line.clear();
        return false;
    }
    ReadUntilAny(line, "\n");
    return true;
}

void CStdioFile::Close() {
    m_file.Close();
}
