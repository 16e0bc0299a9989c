#pragma once
// The real pages the benchmarks check: the system's HTML manuals of 20-200 KiB, in a fixed order.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string ReadWholeFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first `count` manuals; the benchmark ends with its reason when there are fewer.
inline std::vector<std::filesystem::path> RealManuals(int count) {
    namespace fs = std::filesystem;
    std::vector<fs::path> manuals;
    for (const auto& entry : fs::recursive_directory_iterator(
             "/usr/share/doc", fs::directory_options::skip_permission_denied)) {
        if (entry.is_regular_file() && entry.path().extension() == ".html" &&
            entry.file_size() >= 20 * 1024 && entry.file_size() <= 200 * 1024) {
            manuals.push_back(entry.path());
        }
    }
    std::sort(manuals.begin(), manuals.end());
    if (manuals.size() < static_cast<std::size_t>(count)) {
        std::fprintf(stderr, "only %zu HTML manuals of 20-200 KiB found\n", manuals.size());
        std::exit(1);
    }
    manuals.resize(static_cast<std::size_t>(count));
    return manuals;
}
