#pragma once
// The window's view of the record files: listing them and finding one by URL. Nothing is cached:
// every call enumerates "*.vnt" in the working directory and reads the files afresh, each opened
// with no sharing. A file that will not open or read raises CFileException, which is left to the
// window framework's handler.

#include <functional>
#include <string>

// Adds one line to the page list.
using AddPageLine = std::function<void(const std::string& line)>;

// Adds the URL of every record to the list. A file whose first line holds no "|" is not a record
// and is skipped.
void FillPageList(const AddPageLine& addString);

// Finds the record whose URL equals the text (everything before the text's first "http" dropped),
// ignoring letter case; the first match in enumeration order wins. On a match sets the three
// strings and yields true; on none clears title and date, leaves recordFile, and yields false.
bool FindRecordByUrl(const std::string& text, std::string& strRecordFile,
                     std::string& strFoundTitle, std::string& strFoundDate);
