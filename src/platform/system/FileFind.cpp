#include "platform/system/FileFind.h"

#include "platform/system/FaultPoint.h"
#include "platform/system/RecordsFolder.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

bool CFileFind::FindFile(const std::string& pattern) {
    Close();
    // A descriptor of its own for the listing, so that its position is nobody else's.
    const int folder = RecordsFolderDescriptor();
    const int listing = VNT_CALL(openat, folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listing < 0 ? nullptr : VNT_CALL(fdopendir, listing);
    if (dir == nullptr) {
        m_error = errno;
        if (listing >= 0) {
            ::close(listing);
        }
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = VNT_CALL(readdir, dir);
        if (entry == nullptr) {
            m_error = errno; // 0 at the end of the folder
            break;
        }
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD | FNM_PERIOD) != 0) {
            continue;
        }
        bool isDirectory = entry->d_type == DT_DIR;
        bool isRegular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat info {};
            const bool known = VNT_CALL(fstatat, folder, entry->d_name, &info, 0) == 0;
            isDirectory = known && S_ISDIR(info.st_mode);
            isRegular = known && S_ISREG(info.st_mode);
        }
        if (!isDirectory) {
            m_matches.push_back({entry->d_name, isRegular});
        }
    }
    ::closedir(dir);
    return !m_matches.empty();
}

bool CFileFind::FindNextFile() {
    if (m_next < m_matches.size()) {
        ++m_next;
    }
    return m_next < m_matches.size();
}

std::string CFileFind::GetFileName() const {
    return m_next == 0 ? std::string() : m_matches[m_next - 1].name;
}

bool CFileFind::IsRegularFile() const {
    return m_next != 0 && m_matches[m_next - 1].regular;
}

void CFileFind::Close() {
    m_matches.clear();
    m_next = 0;
    m_error = 0;
}
