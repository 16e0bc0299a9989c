#pragma once
// The line format of the small files a person may mend by hand (the history setting, a page's
// rules): one entry a line, "\n" or "\r\n" at its end, empty lines and lines starting with "#"
// passed over. One reading for all of them, so that they agree on what a line is.

#include <functional>
#include <string>
#include <string_view>

// Hands each entry line of text to take, in order. take yields "" for a line it understood, or
// what is wrong with it ("is no rule: sort"), which ends the reading. A line holding a NUL byte is
// refused before take sees it. Yields "", or "line N " and what was wrong with line N.
std::string ForEachSettingLine(std::string_view text,
                               const std::function<std::string(std::string_view line)>& take);
