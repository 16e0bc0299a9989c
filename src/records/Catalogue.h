#pragma once
// The window's view of the record files: listing them and finding one by URL. Nothing is cached:
// every call enumerates "*.vnt" in the folder of records and reads the files afresh (only the
// program's first list may have been read ahead, while it started), each opened with no sharing.
// A file that will not open or read raises CFileException, which is left to the window
// framework's handler.

#include <functional>
#include <string>
#include <vector>

// Adds one line to the page list; the line is handed over, so the list may keep it as it is.
using AddPageLine = std::function<void(std::string line)>;

// Adds the URL of every record to the list. Files that are no records are passed over without a
// word: a file whose first line holds no "|" (an empty one too), anything that is not a regular
// file, and a file larger than any record. A record that cannot be opened or read does not stop
// the list: the others are all listed, and the file-error message of each such record (as
// CFileException words it) is yielded for the window to show.
// The files are read on a few threads at once; lines and errors keep the enumeration order.
std::vector<std::string> FillPageList(const AddPageLine& addString);
// The same, with the lines appended to `lines` in one piece (handed over whole when it is empty)
// rather than one call each.
std::vector<std::string> FillPageList(std::vector<std::string>& lines);

// Starts reading the page list ahead, on threads of its own, so that the next FillPageList
// finds it read or partly read and only finishes it. Meant for the program's start, before the
// window is built, once the folder of records is open.
void StartReadingPageList();

// Finds the record whose URL equals the text (everything before the text's first "http" dropped),
// ignoring letter case; the first match in enumeration order wins. Files that are no records (as
// for FillPageList) never match. On a match sets the three
// strings and yields true; on none clears title and date, leaves recordFile, and yields false.
bool FindRecordByUrl(const std::string& text, std::string& strRecordFile,
                     std::string& strFoundTitle, std::string& strFoundDate);
