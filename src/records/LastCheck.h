#pragma once
// The last-check stamp "time.ini": the date on which Start was last pressed.

#include <string>

// Writes today's date stamp into "time.ini", replacing it whole. Yields 0 or the reason it could
// not be written (the old stamp then stays as it was).
int WriteLastCheck();

// What to tell the user when the stamp could not be written, naming the file and the reason.
std::string LastCheckFailureMessage(int error);

// Reads at most the first 10 bytes of "time.ini" into strLastCheck; leaves it alone when the file
// cannot be opened.
void ReadLastCheck(std::string& strLastCheck);
