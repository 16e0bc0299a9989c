#pragma once
// The version record: shown in the About box and kept equal to the build's project version.

#include <array>

#define VNT_VERSION_TEXT "1.0.0.1"

struct VersionRecord {
    int id;
    std::array<int, 4> fileVersion;
    std::array<int, 4> productVersion;
    const char* fileDescription;
    const char* productName;
    const char* internalName;
    const char* originalFilename;
};

inline constexpr VersionRecord kVersionRecord = {
    1, {1, 0, 0, 1}, {1, 0, 0, 1}, "Varnolt", "Varnolt", "vnt", "Varnolt.exe",
};
