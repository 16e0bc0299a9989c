#pragma once
// A moment as the machine's clock shows it to a person.

#include <cstdint>
#include <string>

// "2026-12-11 07:28:03": the local date and time (the machine's time zone) of a moment given in
// seconds since the epoch.
std::string LocalDateTimeText(std::int64_t secondsSinceEpoch);
