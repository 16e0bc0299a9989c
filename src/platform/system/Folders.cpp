#include "platform/system/Folders.h"

#include "platform/system/FaultPoint.h"
#include "platform/system/FileIdentityOf.h"
#include "platform/system/RecordsFolder.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FolderEntry EntryOf(std::string name, const struct stat& info) {
    return {std::move(name), static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec)};
}

} // namespace

int MakeFolder(const std::string& name, bool& made, unsigned mode) {
    made =
        VNT_CALL(mkdirat, RecordsFolderDescriptor(), name.c_str(), static_cast<mode_t>(mode)) == 0;
    if (made) {
        return 0;
    }
    const int error = errno;
    struct stat info {};
    if (error == EEXIST &&
        VNT_CALL(fstatat, RecordsFolderDescriptor(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) ==
            0 &&
        S_ISDIR(info.st_mode)) {
        return 0;
    }
    return error == EEXIST ? ENOTDIR : error;
}

FolderListing ListFolderFiles(const std::string& name) {
    FolderListing listing;
    const int fd = VNT_CALL(openat, RecordsFolderDescriptor(), name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        listing.error = errno == ENOENT ? 0 : errno;
        return listing;
    }
    DIR* dir = VNT_CALL(fdopendir, fd);
    if (dir == nullptr) {
        listing.error = errno;
        ::close(fd);
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = VNT_CALL(readdir, dir);
        if (entry == nullptr) {
            listing.error = errno; // 0 at the end of the folder
            break;
        }
        struct stat info {};
        if (VNT_CALL(fstatat, fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            listing.files.push_back(EntryOf(entry->d_name, info));
        }
    }
    ::closedir(dir);
    return listing;
}

std::optional<FolderEntry> FileStatus(const std::string& name) {
    struct stat info {};
    if (VNT_CALL(fstatat, RecordsFolderDescriptor(), name.c_str(), &info, 0) != 0 ||
        !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return EntryOf(name, info);
}

int SyncFolder(const std::string& name) {
    const int fd = VNT_CALL(openat, RecordsFolderDescriptor(), name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = VNT_CALL(fsync, fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

int LinkFileAs(const std::string& existing, const std::string& newName,
               const FileIdentity& expected) {
    if (VNT_CALL(linkat, RecordsFolderDescriptor(), existing.c_str(), RecordsFolderDescriptor(),
                 newName.c_str(), 0) != 0) {
        return errno;
    }
    struct stat info {};
    int error = 0;
    if (VNT_CALL(fstatat, RecordsFolderDescriptor(), newName.c_str(), &info, AT_SYMLINK_NOFOLLOW) !=
        0) {
        error = errno;
    } else if (IdentityOf(info) != expected) {
        error = ESTALE;
    }
    if (error != 0) {
        VNT_CALL(unlinkat, RecordsFolderDescriptor(), newName.c_str(), 0);
    }
    return error;
}

namespace {

// A tree deeper than this is no history of ours; its removal stops there and says so.
constexpr int kDeepestTree = 16;

// Removes what a folder holds, name by name. Yields the first error met (the removal goes on past
// it, so as much goes as can), a listing that could not be read to its end included.
int RemoveTreeAt(int parent, const char* name, int depth);

int RemoveEntriesOf(int parent, const char* name, int depth) {
    const int fd = VNT_CALL(openat, parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    DIR* dir = fd < 0 ? nullptr : VNT_CALL(fdopendir, fd);
    if (dir == nullptr) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return error;
    }
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = VNT_CALL(readdir, dir);
        if (entry == nullptr) {
            if (errno != 0 && error == 0) {
                error = errno; // the folder could not be read to its end
            }
            break;
        }
        const std::string_view entryName = entry->d_name;
        if (entryName == "." || entryName == "..") {
            continue;
        }
        const int inner = RemoveTreeAt(fd, entry->d_name, depth + 1);
        error = error == 0 ? inner : error;
    }
    ::closedir(dir);
    return error;
}

// Removes the name in parent and, for a folder, everything in it first. Yields the first error
// met (the removal goes on past it, so as much goes as can); 0 when all went.
int RemoveTreeAt(int parent, const char* name, int depth) {
    struct stat info {};
    if (VNT_CALL(fstatat, parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISDIR(info.st_mode)) {
        return VNT_CALL(unlinkat, parent, name, 0) == 0 || errno == ENOENT ? 0 : errno;
    }
    struct stat parentInfo {};
    // Another file system mounted here is never entered: its folder fails to go (EBUSY).
    const bool sameDisk =
        ::fstatat(parent, ".", &parentInfo, 0) == 0 && parentInfo.st_dev == info.st_dev;
    int error = 0;
    if (sameDisk && depth >= kDeepestTree) {
        error = ELOOP;
    } else if (sameDisk) {
        error = RemoveEntriesOf(parent, name, depth);
    }
    if (VNT_CALL(unlinkat, parent, name, AT_REMOVEDIR) != 0 && errno != ENOENT && error == 0) {
        error = errno;
    }
    return error;
}

} // namespace

int RemoveTree(const std::string& name) {
    return RemoveTreeAt(RecordsFolderDescriptor(), name.c_str(), 0);
}

int RemoveEmptyFolder(const std::string& name) {
    return VNT_CALL(unlinkat, RecordsFolderDescriptor(), name.c_str(), AT_REMOVEDIR) == 0 ? 0
                                                                                          : errno;
}
