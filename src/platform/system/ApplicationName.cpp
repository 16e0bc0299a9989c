#include "platform/system/ApplicationName.h"

#include <filesystem>
#include <system_error>

const std::string& OwnProgramPath() {
    static const std::string path = [] {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string() : exe.string();
    }();
    return path;
}

const std::string& ApplicationName() {
    static const std::string name = [] {
        const std::string stem = std::filesystem::path(OwnProgramPath()).stem().string();
        return stem.empty() ? std::string("varnolt") : stem;
    }();
    return name;
}
