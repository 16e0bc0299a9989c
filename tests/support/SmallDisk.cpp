#include "support/SmallDisk.h"

#include "platform/system/RecordsFolder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>

SmallDisk::SmallDisk(std::size_t bytes) {
    m_previous = std::filesystem::current_path().string();
    m_path = m_previous + "/small-disk";
    std::error_code ignored;
    std::filesystem::create_directory(m_path, ignored);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        m_why = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) + ")";
        return;
    }
    m_mounted = true;
    std::filesystem::current_path(m_path);
    OpenRecordsFolder(m_path);
}

SmallDisk::~SmallDisk() {
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
    if (m_mounted) {
        OpenRecordsFolder(m_previous);
        ::umount2(m_path.c_str(), MNT_DETACH);
    }
    std::filesystem::remove(m_path, ignored);
}
