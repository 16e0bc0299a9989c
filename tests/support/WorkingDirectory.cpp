#include "support/WorkingDirectory.h"

#include "platform/system/RecordsFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

ScopedWorkingDirectory::ScopedWorkingDirectory() {
    m_previous = std::filesystem::current_path().string();
    std::string pattern = (std::filesystem::temp_directory_path() / "varnolt-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    m_path = pattern;
    std::filesystem::current_path(m_path);
    // The programs open their folder of records once; so does each test, in its own folder.
    if (OpenRecordsFolder(m_path) != 0) {
        throw std::runtime_error("cannot open the temporary directory");
    }
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    CloseRecordsFolder();
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool FileExists(const std::string& name) {
    return std::filesystem::exists(name);
}
