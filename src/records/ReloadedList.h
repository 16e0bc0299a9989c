#pragma once
// Taking the folder of records into a page list that is already shown: which names in the folder
// can change what the list or the Last Check field shows, and how freshly read record lines
// join the lines on show without losing what a check reported about each page.

#include <string>
#include <string_view>
#include <vector>

// True for a name whose change may show in the window: a record file ("*.vnt", never a hidden
// name), the last-check stamp, or the empty name that stands for changes not told apart. Side
// files (rules, seen copies, history, validators, temporaries) are false.
bool NameShowsInWindow(std::string_view name);

// The lines the list shows once the records were read again: one line for each record, which is
// the line on show with a word before the same address (a check's report, "UPDATE ..."), or else
// the record's own line; a line naming no web address at all ("Time Out") stays too. A reported
// line whose page is gone goes. Addresses compare ignoring letter case, and each shown line stands
// for one record only. The order is left to the sorted list.
std::vector<std::string> ReloadedLines(std::vector<std::string> shown,
                                       std::vector<std::string> recordLines);
