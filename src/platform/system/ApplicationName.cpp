#include "platform/system/ApplicationName.h"

#include <filesystem>
#include <system_error>

const std::string& ApplicationName() {
    static const std::string name = [] {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        const std::string stem = error ? std::string() : exe.stem().string();
        return stem.empty() ? std::string("varnolt") : stem;
    }();
    return name;
}
