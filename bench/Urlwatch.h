#pragma once
// The urlwatch command line the benchmarks compare with: its list, configuration, hooks and cache
// all in one folder of the benchmark's own.

#include <filesystem>
#include <string>
#include <vector>

inline std::vector<std::string> UrlwatchCommand(const std::filesystem::path& dir) {
    return {"urlwatch",
            "--urls",
            (dir / "urls.yaml").string(),
            "--config",
            (dir / "urlwatch.yaml").string(),
            "--hooks",
            (dir / "hooks.py").string(),
            "--cache",
            (dir / "cache.db").string()};
}
