#include "platform/console/Notification.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <string>

namespace {

constexpr int kExpireDefault = -1;

std::string Words(const char* what, int error, const sd_bus_error* busError) {
    std::string words = what;
    if (busError != nullptr && sd_bus_error_is_set(busError) && busError->message != nullptr) {
        return words + ": " + busError->message;
    }
    return words + ": " + std::strerror(-error);
}

} // namespace

std::string ShowDesktopNotification(const std::string& appName, const std::string& iconName,
                                    const std::string& summary, const std::string& body) {
    sd_bus* bus = nullptr;
    int result = sd_bus_open_user(&bus);
    if (result < 0) {
        sd_bus_unref(bus);
        return Words("no session bus", result, nullptr);
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    result = sd_bus_call_method(
        bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify", &error, &reply, "susssasa{sv}i", appName.c_str(),
        0u, iconName.c_str(), summary.c_str(), body.c_str(), 0, 0, kExpireDefault);
    std::string failure;
    if (result < 0) {
        failure = Words("the notification could not be shown", result, &error);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return failure;
}
