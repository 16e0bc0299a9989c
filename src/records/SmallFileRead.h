#pragma once
// Reading the small files kept beside the records: a setting ("history.ini") or a page's rules.
// Only a regular file (directly or through a link) is read; the open never waits on a FIFO, and
// anything else named so is refused with what it is, never read as an empty or endless file.

#include "records/RecordRead.h"

#include <cstddef>
#include <string>

// The file's whole text; no value and no failure when the name is not there at all (the file is
// absent, which is no fault). Refused, in plain words starting with what and the name ("the rules
// file 1.vnt.rules cannot be read: it is a folder"): anything but a regular file, a link that
// leads nowhere or in a loop, a failed open or read, and a file of more than largest bytes.
RecordReading<std::string> ReadSmallFile(const std::string& name, std::size_t largest,
                                         const std::string& what);
