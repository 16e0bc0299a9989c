#pragma once
// The last-check stamp "time.ini": the date on which Start was last pressed.

#include <string>

// Writes today's date stamp into "time.ini", replacing it whole. Failures are silent.
void WriteLastCheck();

// Reads at most the first 10 bytes of "time.ini" into strLastCheck; leaves it alone when the file
// cannot be opened.
void ReadLastCheck(std::string& strLastCheck);
