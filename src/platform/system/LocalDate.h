#pragma once
// The local calendar date (the machine's time zone) of the current time.

#include <functional>

struct CalendarDate {
    int day = 1;   // 1..31
    int month = 1; // 1..12
    int year = 1970;
};

CalendarDate LocalDateToday();

// Tests fix "today" with this; an empty function restores the real clock.
void SetLocalDateSourceForTesting(std::function<CalendarDate()> source);
