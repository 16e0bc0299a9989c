#pragma once
// The date written into records and into the last-check stamp.

#include <string>

// Today's local date as "day:month:year" without leading zeros, such as 8:12:2025.
std::string DateStamp();
