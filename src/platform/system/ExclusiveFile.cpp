#include "platform/system/ExclusiveFile.h"

#include "platform/system/FaultPoint.h"
#include "platform/system/FileIdentityOf.h"
#include "platform/system/RecordsFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens and locks, or yields -1 with errno set. Only a regular file (directly or through a link)
// is kept open: the open never waits (a FIFO would wait for a writer for ever), and anything else
// is closed again unread with kNotRegularFile. size and identity receive the file's.
int OpenLocked(const std::string& name, std::int64_t* size = nullptr, bool seenRegular = false,
               FileIdentity* identity = nullptr) {
    // Look before opening, so that a device is not even opened; the check after the open covers
    // a file swapped in meanwhile.
    struct stat before {};
    if (!seenRegular &&
        VNT_CALL(fstatat, RecordsFolderDescriptor(), name.c_str(), &before, 0) == 0 &&
        !S_ISREG(before.st_mode)) {
        errno = S_ISDIR(before.st_mode) ? EISDIR : kNotRegularFile;
        return -1;
    }
    const int fd = VNT_CALL(openat, RecordsFolderDescriptor(), name.c_str(),
                            O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (VNT_CALL(fstat, fd, &info) != 0) {
        const int error = errno; // its own reason, never taken for a file of another kind
        ::close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (size != nullptr) {
        *size = static_cast<std::int64_t>(info.st_size);
    }
    if (identity != nullptr) {
        *identity = IdentityOf(info);
    }
    if (VNT_CALL(flock, fd, LOCK_EX | LOCK_NB) != 0) {
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

int ExclusiveFile::OpenForReading(const std::string& name, bool seenRegular) {
    Close();
    m_size = 0;
    m_identity = {};
    m_fd = OpenLocked(name, &m_size, seenRegular, &m_identity);
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

void ExclusiveFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd); // also releases the lock
        m_fd = -1;
    }
}

int RemoveFileUnlessHeld(const std::string& name) {
    // Each turn follows the name to the file it leads to now; a name given to yet another file
    // between the open and the look after locking is looked up again.
    constexpr int kTurns = 8;
    for (int turn = 0; turn < kTurns; ++turn) {
        FileIdentity locked;
        const int fd = OpenLocked(name, nullptr, false, &locked);
        if (fd < 0) {
            const int error = errno;
            struct stat link {};
            if ((error == ENOENT || error == ELOOP) &&
                VNT_CALL(fstatat, RecordsFolderDescriptor(), name.c_str(), &link,
                         AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(link.st_mode)) {
                return RemoveFileName(name); // a link that leads nowhere
            }
            return error;
        }
        struct stat now {};
        if (VNT_CALL(fstatat, RecordsFolderDescriptor(), name.c_str(), &now, 0) != 0) {
            const int error = errno; // removed meanwhile
            ::close(fd);
            return error;
        }
        if (IdentityOf(now) == locked) {
            const int result = RemoveFileName(name);
            ::close(fd);
            return result;
        }
        ::close(fd);
    }
    return EWOULDBLOCK; // the name keeps changing hands: someone is busy with it
}

std::string SystemErrorText(int error) {
    char buffer[256] = {};
    return ::strerror_r(error, buffer, sizeof buffer);
}
