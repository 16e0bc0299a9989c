#pragma once
// The identity of the file a status describes (for the platform layer's own files).

#include "platform/system/ExclusiveFile.h"

#include <sys/stat.h>

inline FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}
