#pragma once
// One desktop notification through the freedesktop notification service on the session bus.

#include <optional>
#include <string>

// How long a notification's click is awaited at most, in seconds; a click later opens nothing.
inline constexpr int kNotificationClickWaitSeconds = 3600;
// Milliseconds to await a click in place of that hour, for the tests: read by the waiting
// process from its environment.
inline constexpr const char* kClickWaitVariable = "VARNOLT_TEST_CLICK_WAIT_MS";
// What the waiting process is started with, followed by the folder it serves: no word a person
// would type. Neither the notification's texts nor what its click opens are on its command line.
inline constexpr const char* kNotificationWaiterArgument = "--await-notification-click";

// Shows the notification with the given icon name, summary and body (plain text: where the
// service reads markup in bodies, the body is escaped so nothing in it becomes markup). Yields an
// empty text, or what went wrong (no session bus, no notification service) in plain words.
//
// With clickOpens, the notification's default action (a click on it) opens that file with the
// desktop's opener. The clicks are awaited by one process per folder of such files (this
// program, started again on its own and detached), which shows the notification itself, holds
// every one of them still on screen, and ends once none is, or none has been awaited for
// kNotificationClickWaitSeconds: this call returns as soon as the notification is shown.
std::string ShowDesktopNotification(const std::string& appName, const std::string& iconName,
                                    const std::string& summary, const std::string& body,
                                    const std::string& clickOpens = {});

// The entry of that waiting process, for the program's main to call first: when the arguments
// are the waiting process's own, it runs and yields the exit status; otherwise nothing.
std::optional<int> RunNotificationWaiterIfAsked(int argc, char** argv);
