#include "platform/system/ReplacingFile.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The mode an ordinary new file gets. The umask is read once, before any thread starts, since
// reading it means setting it.
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
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kTemporaryPrefix)) {
            continue;
        }
        const std::string path = directory + "/" + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Puts the temporary in place under the target's name, failing with EEXIST if one exists.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without RENAME_NOREPLACE: a hard link fails the same way on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    Discard();
}

int ReplacingFile::Open() {
    Discard();
    const std::string directory = DirectoryOf(m_target);
    RemoveLeftoverTemporaries(directory);

    const std::string base = std::filesystem::path(m_target).filename().string();
    std::string pattern = directory + "/" + std::string(kTemporaryPrefix) + base + "-XXXXXX";
    for (;;) {
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            return errno;
        }
        // Lock before anything else can see it as a leftover; if a cleaner removed it in the
        // moment between creation and locking, start again with a new name.
        struct stat info {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &info) == 0 && info.st_nlink > 0) {
            m_fd = fd;
            break;
        }
        ::close(fd);
        pattern = directory + "/" + std::string(kTemporaryPrefix) + base + "-XXXXXX";
    }
    m_temporary = pattern;
    ::fchmod(m_fd, kNewFileMode); // mkstemp makes 0600; a record is an ordinary file
    m_stream = ::fdopen(m_fd, "w");
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

int ReplacingFile::Commit(ReplaceMode mode) {
    if (m_stream == nullptr) {
        return EBADF;
    }
    int error = m_writeError;
    if (error == 0 && std::fflush(m_stream) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(m_fd) != 0) {
        error = errno;
    }
    if (error != 0) {
        Discard();
        return error;
    }

    int heldFd = -1;
    if (mode == ReplaceMode::ReplaceUnlessHeld) {
        // Hold the old record while the new one replaces it, so no reader sees either half-way.
        heldFd = ::open(m_target.c_str(), O_RDONLY | O_CLOEXEC);
        if (heldFd >= 0 && ::flock(heldFd, LOCK_EX | LOCK_NB) != 0) {
            ::close(heldFd);
            Discard();
            return EWOULDBLOCK;
        }
    }
    if (mode == ReplaceMode::CreateNew) {
        error = RenameNoReplace(m_temporary, m_target);
    } else if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        error = errno;
    }
    if (heldFd >= 0) {
        ::close(heldFd);
    }
    if (error != 0) {
        Discard();
        return error;
    }
    m_temporary.clear(); // in place now: nothing to discard
    std::fclose(m_stream);
    m_stream = nullptr;
    m_fd = -1;
    // The directory is not synced: after a crash the rename may be lost, which leaves the old
    // file, still whole.
    return 0;
}

void ReplacingFile::Discard() {
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    if (m_stream != nullptr) {
        std::fclose(m_stream);
    } else if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_stream = nullptr;
    m_fd = -1;
}

int ReplaceFileContents(const std::string& target, std::string_view text, ReplaceMode mode) {
    ReplacingFile file(target);
    if (const int error = file.Open(); error != 0) {
        return error;
    }
    file.Write(text);
    return file.Commit(mode);
}
