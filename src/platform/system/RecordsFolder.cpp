#include "platform/system/RecordsFolder.h"
#include "platform/system/FaultPoint.h"

#include "platform/system/ExclusiveFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> g_folder{AT_FDCWD};

} // namespace

int OpenRecordsFolder(const std::string& path) {
    // Read access, so that listing it later cannot fail where opening it succeeded.
    const int fd = VNT_CALL(open, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int previous = g_folder.exchange(fd);
    if (previous != AT_FDCWD) {
        ::close(previous);
    }
    return 0;
}

void CloseRecordsFolder() {
    const int previous = g_folder.exchange(AT_FDCWD);
    if (previous != AT_FDCWD) {
        ::close(previous);
    }
}

int RecordsFolderDescriptor() {
    return g_folder.load();
}

FileKind KindOfFile(const std::string& name, bool followLinks, int& error) {
    error = 0;
    struct stat info {};
    if (VNT_CALL(fstatat, RecordsFolderDescriptor(), name.c_str(), &info,
                 followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
        error = errno;
        return error == ENOENT ? FileKind::Missing : FileKind::Unknown;
    }
    if (S_ISREG(info.st_mode)) {
        return FileKind::Regular;
    }
    if (S_ISDIR(info.st_mode)) {
        return FileKind::Directory;
    }
    return S_ISLNK(info.st_mode) ? FileKind::Link : FileKind::Other;
}

std::FILE* OpenFileForReading(const std::string& name) {
    const int fd = VNT_CALL(openat, RecordsFolderDescriptor(), name.c_str(),
                            O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    // Only a regular file is read: a directory, FIFO or device named like a file of ours is none.
    struct stat info {};
    if (VNT_CALL(fstat, fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = !S_ISREG(info.st_mode) && info.st_mode != 0
                              ? (S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile)
                              : errno; // the status itself could not be read
        ::close(fd);
        errno = error;
        return nullptr;
    }
    std::FILE* file = VNT_CALL(fdopen, fd, "rb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

int RemoveFileName(const std::string& name) {
    return VNT_CALL(unlinkat, RecordsFolderDescriptor(), name.c_str(), 0) == 0 ? 0 : errno;
}
