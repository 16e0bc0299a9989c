#include "platform/system/ReplacingFile.h"

#include "platform/system/FaultPoint.h"
#include "platform/system/FileIdentityOf.h"
#include "platform/system/RecordsFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The mode an ordinary new file gets. The umask is read once, before any thread starts, since
// reading it means setting it.
ReplaceStepHook g_replaceStepHook;

void ReachStep(ReplaceStep step, const std::string& target) {
    if (g_replaceStepHook) {
        g_replaceStepHook(step, target);
    }
}

// Whether the locked target is still the file to replace: Stored when its name leads to it and
// it is the file expected, if one is; Gone when not; a failure when either cannot be looked at.
WriteResult StillTheTarget(int targetFd, const std::string& path,
                           const std::optional<FileIdentity>& expected) {
    struct stat locked {};
    struct stat named {};
    if (VNT_CALL(fstat, targetFd, &locked) != 0) {
        return WriteResult::FromError(errno);
    }
    if (VNT_CALL(fstatat, RecordsFolderDescriptor(), path.c_str(), &named, 0) != 0) {
        return errno == ENOENT ? WriteResult::Gone() : WriteResult::FromError(errno);
    }
    const bool same =
        IdentityOf(locked) == IdentityOf(named) && (!expected || *expected == IdentityOf(locked));
    return same ? WriteResult::Stored() : WriteResult::Gone();
}

const mode_t kNewFileMode = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}();

std::string DirectoryOf(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// Removes temporaries that no writer holds: a live writer keeps its temporary locked.
void RemoveLeftoverTemporaries(const std::string& directory) {
    const int folder = RecordsFolderDescriptor();
    const int listing = ::openat(folder, directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (dir == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kTemporaryPrefix)) {
            continue;
        }
        const std::string path = directory + "/" + std::string(name);
        const int fd = ::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            RemoveFileName(path);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Puts the temporary in place under the target's name, failing with EEXIST if one exists.
int RenameNoReplace(const std::string& from, const std::string& to) {
    const int folder = RecordsFolderDescriptor();
    if (VNT_CALL(renameat2, folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without RENAME_NOREPLACE: a hard link fails the same way on an existing name.
    if (VNT_CALL(linkat, folder, from.c_str(), folder, to.c_str(), 0) != 0) {
        return errno;
    }
    RemoveFileName(from);
    return 0;
}

// Follows symbolic links from path to the name of the file they lead to (which need not exist).
// Yields 0 or the error number (ELOOP for a loop).
int ResolveLinks(const std::string& path, std::string& resolved) {
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (VNT_CALL(fstatat, RecordsFolderDescriptor(), current.c_str(), &info,
                     AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                resolved = current.string();
                return 0;
            }
            return errno;
        }
        if (!S_ISLNK(info.st_mode)) {
            resolved = current.string();
            return 0;
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = VNT_CALL(readlinkat, RecordsFolderDescriptor(), current.c_str(),
                                        link.data(), link.size());
        if (length < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(length) >= link.size()) {
            continue; // the link changed meanwhile: read it again
        }
        link.resize(static_cast<std::size_t>(length));
        const std::filesystem::path next = link;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return ELOOP;
}

// Whether the existing file may be replaced. Yields Stored with the file's status and an open
// descriptor for writing in fd (the caller closes it), ReadOnly when it is read-only, or a
// failure (ENOENT when there is no such file).
WriteResult OpenExistingForWriting(const std::string& path, struct stat& info, int& fd) {
    fd = -1;
    if (VNT_CALL(fstatat, RecordsFolderDescriptor(), path.c_str(), &info, 0) != 0) {
        return WriteResult::FromError(errno);
    }
    // The owner's mark binds even a process that the system would let write through it.
    if ((info.st_mode & S_IWUSR) == 0) {
        return WriteResult::ReadOnly();
    }
    // Opening for writing changes nothing in the file; it asks the system whether this process
    // may write it (permissions, access lists, an immutable mark, a read-only mount).
    fd = VNT_CALL(openat, RecordsFolderDescriptor(), path.c_str(),
                  O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS || error == ETXTBSY) {
            return WriteResult::ReadOnly();
        }
        return WriteResult::FromError(error);
    }
    return WriteResult::Stored();
}

// Gives the new file the old one's owner and group where this process may, then its
// permission bits (after the owner, since a change of owner clears the set-id bits). Yields 0 or
// the error number: a refusal to set the owner (EPERM) is no failure, only the ordinary lot of a
// process that does not own the old file; the new one then belongs to this process's user.
int CarryOverOwnership(int fd, const struct stat& old) {
    if (VNT_CALL(fchown, fd, old.st_uid, old.st_gid) != 0) {
        if (errno != EPERM) {
            return errno;
        }
        if (VNT_CALL(fchown, fd, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM) {
            return errno;
        }
    }
    return VNT_CALL(fchmod, fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

// Tries for a free temporary name before giving up with EEXIST.
constexpr int kNameAttempts = 100;

// prefix followed by six random letters.
std::string RandomName(const std::string& prefix) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) {
        name += kLetters[pick(random)];
    }
    return name;
}

// Creates a new private file (0600) named prefix followed by six random letters, in the records
// folder. Yields its descriptor, or -1 with errno set.
int CreateTemporary(const std::string& prefix, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = RandomName(prefix);
        const int fd = VNT_CALL(openat, RecordsFolderDescriptor(), name.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Creates a private file (0600) without a name in the directory, which no crash can leave
// behind. Yields its descriptor, or -1 with errno set: EOPNOTSUPP, EISDIR or EINVAL where the
// file system or the system makes none. Naming it later goes through /proc/self/fd (linking the
// descriptor itself needs a privilege), so without that there are none either.
int CreateNamelessFile(const std::string& directory) {
    static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
    if (!procFds) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return VNT_CALL(openat, RecordsFolderDescriptor(), directory.c_str(),
                    O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

bool NamelessFilesRefused(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

} // namespace

void RemoveLeftoverTemporaries() {
    RemoveLeftoverTemporaries(".");
}

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    Discard();
}

int ReplacingFile::Open() {
    Discard();
    if (const int error = ResolveLinks(m_target, m_resolved); error != 0) {
        return error;
    }
    const std::string directory = DirectoryOf(m_resolved);
    // The records folder's own leftovers go once a run (RemoveLeftoverTemporaries), never at
    // each write; a folder that a symbolic link leads to is looked at here.
    if (directory != ".") {
        RemoveLeftoverTemporaries(directory);
    }

    const std::string base = std::filesystem::path(m_resolved).filename().string();
    m_prefix = directory + "/" + std::string(kTemporaryPrefix) + base + "-";
    // A file without a name first: it gets one only just before it is put in place.
    if (const int fd = CreateNamelessFile(directory); fd >= 0) {
        // Locked now, so that once named no cleaner takes it for a leftover.
        int locked = 0;
        do {
            locked = VNT_CALL(flock, fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        m_fd = fd;
        m_nameless = true;
        return OpenStream();
    } else if (!NamelessFilesRefused(errno)) {
        return errno;
    }
    std::string temporary;
    for (;;) {
        const int fd = CreateTemporary(m_prefix, temporary);
        if (fd < 0) {
            return errno;
        }
        // Lock before anything else can see it as a leftover; if a cleaner removed it in the
        // moment between creation and locking, start again with a new name.
        int locked = 0;
        do {
            locked = VNT_CALL(flock, fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        struct stat info {};
        if (locked != 0 || VNT_CALL(fstat, fd, &info) != 0) {
            // A file system that keeps no locks (ENOLCK), say: no temporary is left behind.
            const int error = errno;
            RemoveFileName(temporary);
            ::close(fd);
            return error;
        }
        if (info.st_nlink > 0) {
            m_fd = fd;
            break;
        }
        ::close(fd);
    }
    m_temporary = temporary; // private (0600) while it is written
    return OpenStream();
}

int ReplacingFile::OpenStream() {
    m_stream = VNT_CALL(fdopen, m_fd, "w");
    if (m_stream == nullptr) {
        const int error = errno;
        Discard();
        return error;
    }
    m_writeError = 0;
    return 0;
}

void ReplacingFile::Write(std::string_view text) {
    if (m_stream == nullptr || m_writeError != 0 || text.empty()) {
        return;
    }
    if (std::fwrite(text.data(), 1, text.size(), m_stream) != text.size()) {
        m_writeError = errno != 0 ? errno : EIO;
    }
}

WriteResult ReplacingFile::Commit(ReplaceMode mode) {
    if (m_stream == nullptr) {
        return WriteResult::FromError(EBADF);
    }
    WriteResult result = WriteResult::Stored();
    int targetFd = -1;
    struct stat old {};
    bool replacing = false;
    if (mode == ReplaceMode::CreateNew) {
        if (m_resolved != m_target) {
            result = WriteResult::FromError(EEXIST); // a symbolic link holds the name
        }
    } else {
        result = OpenExistingForWriting(m_resolved, old, targetFd);
        replacing = result.IsStored();
        if (result.Error() == ENOENT) {
            // A rewrite never creates what someone removed meanwhile.
            result = mode == ReplaceMode::ReplaceUnlessHeld ? WriteResult::Gone()
                                                            : WriteResult::Stored();
        }
    }
    // Each step below runs only while nothing has failed; its error number is the failure.
    const auto step = [&result](int error) {
        if (result.IsStored() && error != 0) {
            result = WriteResult::FromError(error);
        }
    };
    step(m_writeError);
    if (result.IsStored() && std::fflush(m_stream) != 0) {
        step(errno);
    }
    if (result.IsStored()) {
        // An ordinary new file, or the old one's owner and permissions.
        step(replacing ? CarryOverOwnership(m_fd, old)
                       : (VNT_CALL(fchmod, m_fd, kNewFileMode) == 0 ? 0 : errno));
    }
    if (result.IsStored() && m_sync && VNT_CALL(fsync, m_fd) != 0) {
        step(errno);
    }
    // Hold the old record while the new one replaces it, so no reader sees either half-way and
    // no removal comes between the look below and the rename.
    if (result.IsStored() && mode == ReplaceMode::ReplaceUnlessHeld) {
        ReachStep(ReplaceStep::BeforeLockingTarget, m_target);
        if (VNT_CALL(flock, targetFd, LOCK_EX | LOCK_NB) != 0) {
            result = errno == EWOULDBLOCK ? WriteResult::Held() : WriteResult::FromError(errno);
        } else {
            result = StillTheTarget(targetFd, m_resolved, m_expected);
            if (result.IsStored()) {
                ReachStep(ReplaceStep::TargetLocked, m_target);
            }
        }
    }
    if (result.IsStored()) {
        step(NameTemporary());
    }
    if (result.IsStored()) {
        if (mode == ReplaceMode::CreateNew) {
            step(RenameNoReplace(m_temporary, m_target));
        } else if (VNT_CALL(renameat, RecordsFolderDescriptor(), m_temporary.c_str(),
                            RecordsFolderDescriptor(), m_resolved.c_str()) != 0) {
            step(errno);
        }
    }
    if (targetFd >= 0) {
        ::close(targetFd);
    }
    if (!result.IsStored()) {
        Discard();
        return result;
    }
    m_temporary.clear(); // in place now: nothing to discard
    std::fclose(m_stream);
    m_stream = nullptr;
    m_fd = -1;
    // The directory is not synced: after a crash the rename may be lost, which leaves the old
    // file, still whole.
    return result;
}

int ReplacingFile::NameTemporary() {
    if (!m_nameless) {
        return 0;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = RandomName(m_prefix);
        if (VNT_CALL(linkat, AT_FDCWD, self.c_str(), RecordsFolderDescriptor(), name.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            m_temporary = std::move(name);
            m_nameless = false;
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

void ReplacingFile::Discard() {
    if (!m_temporary.empty()) {
        RemoveFileName(m_temporary);
        m_temporary.clear();
    }
    if (m_stream != nullptr) {
        std::fclose(m_stream);
    } else if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_stream = nullptr;
    m_fd = -1;
    m_nameless = false;
}

void SetReplaceStepHookForTesting(ReplaceStepHook hook) {
    g_replaceStepHook = std::move(hook);
}

void HoldReplaceStepsFromEnvironment() {
    const char* target = std::getenv("VARNOLT_TEST_HOLD_REPLACE");
    const char* folder = std::getenv("VARNOLT_TEST_HOLD_DIR");
    if (target == nullptr || folder == nullptr) {
        return;
    }
    SetReplaceStepHookForTesting([held = std::string(target), dir = std::string(folder)](
                                     ReplaceStep step, const std::string& name) {
        if (name != held) {
            return;
        }
        const std::string line =
            step == ReplaceStep::BeforeLockingTarget ? "before-lock\n" : "locked\n";
        // A stop signal may interrupt the waits (its handler does not restart them): the step
        // is held all the same, so that a test may signal the program while it waits.
        const auto open = [](const std::string& path, const char* mode) {
            std::FILE* file = nullptr;
            while ((file = std::fopen(path.c_str(), mode)) == nullptr && errno == EINTR) {
            }
            return file;
        };
        if (std::FILE* reached = open(dir + "/reached", "w")) {
            std::fputs(line.c_str(), reached);
            std::fclose(reached);
        }
        if (std::FILE* go = open(dir + "/go", "r")) {
            while (std::fgetc(go) == EOF && std::ferror(go) != 0 && errno == EINTR) {
                std::clearerr(go);
            }
            std::fclose(go);
        }
    });
}

WriteResult ReplaceFileContents(const std::string& target, std::string_view text,
                                ReplaceMode mode) {
    ReplacingFile file(target);
    if (const int error = file.Open(); error != 0) {
        return WriteResult::FromError(error);
    }
    file.Write(text);
    return file.Commit(mode);
}
