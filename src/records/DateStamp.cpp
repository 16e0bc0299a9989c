#include "records/DateStamp.h"

#include "platform/system/LocalDate.h"

std::string DateStamp() {
    const CalendarDate today = LocalDateToday();
    return std::to_string(today.day) + ":" + std::to_string(today.month) + ":" +
           std::to_string(today.year);
}
