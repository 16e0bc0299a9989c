#include "platform/system/LocalDate.h"

#include <ctime>
#include <mutex>
#include <utility>

namespace {
std::mutex g_sourceGuard;
std::function<CalendarDate()> g_source;
} // namespace

CalendarDate LocalDateToday() {
    {
        std::lock_guard lock(g_sourceGuard);
        if (g_source) {
            return g_source();
        }
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CalendarDate{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

void SetLocalDateSourceForTesting(std::function<CalendarDate()> source) {
    std::lock_guard lock(g_sourceGuard);
    g_source = std::move(source);
}
