#include "platform/inet/InternetOptions.h"

#include <mutex>

namespace {

std::mutex g_optionsGuard;

InternetOptions& CurrentOptions() {
    static InternetOptions* options = new InternetOptions;
    return *options;
}

} // namespace

InternetOptions GetInternetOptions() {
    std::lock_guard lock(g_optionsGuard);
    return CurrentOptions();
}

void SetInternetOptions(const InternetOptions& options) {
    std::lock_guard lock(g_optionsGuard);
    CurrentOptions() = options;
}
