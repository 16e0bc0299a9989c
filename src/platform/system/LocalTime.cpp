#include "platform/system/LocalTime.h"

#include <ctime>

std::string LocalDateTimeText(std::int64_t secondsSinceEpoch) {
    const std::time_t moment = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) {
        return "?";
    }
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}
