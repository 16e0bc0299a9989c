#include "platform/system/NamedFile.h"

#include "platform/system/ExclusiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr mode_t kAnyoneMayWrite = S_IWOTH;
constexpr const char* kSharedLinkWords = "it is a symbolic link in a folder anyone may write to";

NamedFileFailure Failure(int error, std::string reason = {}) {
    return {error, reason.empty() ? SystemErrorText(error) : std::move(reason)};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

const char* KindWords(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "no regular file";
}

NamedFileFailure WriteAll(int descriptor, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t step = ::write(descriptor, text.data() + written, text.size() - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            return Failure(step < 0 ? errno : EIO);
        }
        written += static_cast<std::size_t>(step);
    }
    return {};
}

} // namespace

NamedFileFailure WriteNamedFile(const std::string& path, const std::string& text,
                                NamedFileMode mode) {
    if (path.empty()) {
        return Failure(ENOENT);
    }
    struct stat folder {};
    if (::stat(FolderOf(path).c_str(), &folder) != 0) {
        return Failure(errno);
    }
    const bool sharedSticky =
        (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & kAnyoneMayWrite) != 0;
    struct stat named {};
    if (sharedSticky && ::lstat(path.c_str(), &named) == 0 && S_ISLNK(named.st_mode)) {
        // Said as such, whatever the system itself answers to opening it (it may refuse on its
        // own); the open below follows no link either, should one be planted meanwhile.
        return Failure(ELOOP, kSharedLinkWords);
    }
    // Never truncated on opening: what the name leads to is looked at first. Without waiting, so
    // that a FIFO with no reader does not hold the program.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (sharedSticky) {
        flags |= O_NOFOLLOW;
    }
    if (mode == NamedFileMode::CreateNew) {
        flags |= O_EXCL;
    }
    const int descriptor = ::open(path.c_str(), flags, 0666);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ELOOP && sharedSticky) {
            return Failure(error, kSharedLinkWords);
        }
        if (struct stat there{}; error == ENXIO && ::stat(path.c_str(), &there) == 0) {
            return Failure(error, std::string("it is ") + KindWords(there.st_mode) +
                                      ", not a regular file");
        }
        if (error == EISDIR) {
            return Failure(error, "it is a folder, not a regular file");
        }
        return Failure(error);
    }
    struct stat file {};
    NamedFileFailure failure;
    if (::fstat(descriptor, &file) != 0) {
        failure = Failure(errno);
    } else if (!S_ISREG(file.st_mode)) {
        failure = Failure(EINVAL,
                          std::string("it is ") + KindWords(file.st_mode) + ", not a regular file");
    } else if (sharedSticky && file.st_uid != ::geteuid() && file.st_uid != folder.st_uid) {
        // A file someone else left in a shared folder (another name of the victim's file, say).
        failure = Failure(EACCES, "it belongs to another user, in a folder anyone may write to");
    } else if (::ftruncate(descriptor, 0) != 0) {
        failure = Failure(errno);
    } else {
        failure = WriteAll(descriptor, text);
    }
    if (::close(descriptor) != 0 && !failure) {
        failure = Failure(errno);
    }
    return failure;
}
