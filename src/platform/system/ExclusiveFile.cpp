#include "platform/system/ExclusiveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens and locks, or yields -1 with errno set: two system calls, as a list of many records
// opens each one. A directory opens, but its first read fails with EISDIR like any unreadable
// file's.
int OpenLocked(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

ExclusiveFile::~ExclusiveFile() {
    Close();
}

int ExclusiveFile::OpenForReading(const std::string& name) {
    Close();
    m_fd = OpenLocked(name);
    m_lastError = m_fd < 0 ? errno : 0;
    return m_lastError;
}

std::ptrdiff_t ExclusiveFile::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(m_fd, buffer, size);
        if (count >= 0) {
            return count;
        }
        if (errno != EINTR) {
            m_lastError = errno;
            return -1;
        }
    }
}

std::int64_t ExclusiveFile::Size() {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        m_lastError = errno;
        return -1;
    }
    return S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
}

void ExclusiveFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd); // also releases the lock
        m_fd = -1;
    }
}

int RemoveFileUnlessHeld(const std::string& name) {
    const int fd = OpenLocked(name);
    if (fd < 0) {
        return errno;
    }
    const int result = ::unlink(name.c_str()) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

std::string SystemErrorText(int error) {
    char buffer[256] = {};
    return ::strerror_r(error, buffer, sizeof buffer);
}
