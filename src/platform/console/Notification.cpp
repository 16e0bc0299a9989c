#include "platform/console/Notification.h"

#include <dlfcn.h>
#include <systemd/sd-bus.h>

#include <cstring>
#include <string>

namespace {

constexpr int kExpireDefault = -1;

// The bus library is loaded when the first notification is shown, not when the program starts:
// a run that shows none (every run without --notify) does not map it and the libraries it
// brings, close to a megabyte of the check's resident memory.
constexpr const char* kBusLibrary = "libsystemd.so.0";

struct BusCalls {
    decltype(&sd_bus_open_user) openUser = nullptr;
    decltype(&sd_bus_unref) unref = nullptr;
    decltype(&sd_bus_call_method) callMethod = nullptr;
    decltype(&sd_bus_error_is_set) errorIsSet = nullptr;
    decltype(&sd_bus_error_free) errorFree = nullptr;
    decltype(&sd_bus_message_unref) messageUnref = nullptr;
    decltype(&sd_bus_flush_close_unref) flushCloseUnref = nullptr;
    std::string problem; // why the library cannot be used; empty when it can
};

template <typename Call> bool Find(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(::dlsym(library, name));
    return call != nullptr;
}

BusCalls LoadBusCalls() {
    BusCalls calls;
    // Never unloaded: the library keeps state of its own until the process ends.
    void* library = ::dlopen(kBusLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr || !(Find(library, "sd_bus_open_user", calls.openUser) &&
                                Find(library, "sd_bus_unref", calls.unref) &&
                                Find(library, "sd_bus_call_method", calls.callMethod) &&
                                Find(library, "sd_bus_error_is_set", calls.errorIsSet) &&
                                Find(library, "sd_bus_error_free", calls.errorFree) &&
                                Find(library, "sd_bus_message_unref", calls.messageUnref) &&
                                Find(library, "sd_bus_flush_close_unref", calls.flushCloseUnref))) {
        const char* words = ::dlerror();
        calls.problem =
            std::string("no session bus library: ") + (words != nullptr ? words : kBusLibrary);
    }
    return calls;
}

const BusCalls& Bus() {
    static const BusCalls calls = LoadBusCalls();
    return calls;
}

std::string Words(const char* what, int error, const sd_bus_error* busError) {
    std::string words = what;
    if (busError != nullptr && Bus().errorIsSet(busError) && busError->message != nullptr) {
        return words + ": " + busError->message;
    }
    return words + ": " + std::strerror(-error);
}

} // namespace

std::string ShowDesktopNotification(const std::string& appName, const std::string& iconName,
                                    const std::string& summary, const std::string& body) {
    const BusCalls& bus = Bus();
    if (!bus.problem.empty()) {
        return bus.problem;
    }
    sd_bus* connection = nullptr;
    int result = bus.openUser(&connection);
    if (result < 0) {
        bus.unref(connection);
        return Words("no session bus", result, nullptr);
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    result = bus.callMethod(connection, "org.freedesktop.Notifications",
                            "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                            "Notify", &error, &reply, "susssasa{sv}i", appName.c_str(), 0u,
                            iconName.c_str(), summary.c_str(), body.c_str(), 0, 0, kExpireDefault);
    std::string failure;
    if (result < 0) {
        failure = Words("the notification could not be shown", result, &error);
    }
    bus.errorFree(&error);
    bus.messageUnref(reply);
    bus.flushCloseUnref(connection);
    return failure;
}
