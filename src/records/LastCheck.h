#pragma once
// The last-check stamp "time.ini": the date on which Start was last pressed.

#include "platform/system/WriteResult.h"

#include <string>

// Writes today's date stamp into "time.ini", replacing it whole. Yields what became of it: when
// it is not stored (read-only, or a failure with its reason), the old stamp stays as it was.
WriteResult WriteLastCheck();

// What to tell the user when the stamp could not be written, naming the file and the reason.
std::string LastCheckFailureMessage(const WriteResult& result);

// Reads at most the first 10 bytes of "time.ini" into strLastCheck; leaves it alone when the file
// cannot be opened.
void ReadLastCheck(std::string& strLastCheck);
