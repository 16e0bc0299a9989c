#include "platform/system/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::vector<ListedName> ListFolder(const std::string& folder, int& error) {
    error = 0;
    std::vector<ListedName> entries;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        error = errno;
        return entries;
    }
    const int descriptor = ::dirfd(listing);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        struct stat status {};
        const bool regular =
            ::fstatat(descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode);
        entries.push_back({entry->d_name, regular});
    }
    ::closedir(listing);
    return entries;
}

int RemoveFileAt(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}
