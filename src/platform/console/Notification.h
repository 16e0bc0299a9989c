#pragma once
// One desktop notification through the freedesktop notification service on the session bus.

#include <string>

// Shows the notification with the given icon name, summary and body. Yields an empty text, or
// what went wrong (no session bus, no notification service) in plain words.
std::string ShowDesktopNotification(const std::string& appName, const std::string& iconName,
                                    const std::string& summary, const std::string& body);
