#pragma once
// The layer's own limits, so that a fetch can never hang or exhaust memory. Tests shorten them
// and point the layer at a throwaway certificate authority; the program keeps the defaults.
// A root handle takes a copy when it is opened, so a change affects the next fetch only.

#include "platform/system/PageLimits.h"

#include <chrono>
#include <cstdint>
#include <string>

struct InternetOptions {
    // A connection (TLS handshake included) that is not made within this time fails.
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(60)};
    // A transfer that receives nothing for this long fails (whole seconds, at least 1).
    std::chrono::seconds idleTimeout{30};
    // A response body larger than this fails instead of filling memory.
    std::int64_t maxBodyBytes = kPageByteLimit;
    // An extra file of trusted certificate authorities (PEM); empty: the system's alone.
    std::string extraCaFile;
};

InternetOptions GetInternetOptions();
void SetInternetOptions(const InternetOptions& options);
