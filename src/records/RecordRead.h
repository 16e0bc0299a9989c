#pragma once
// Reading a whole record file on the worker thread, with no sharing.

#include <optional>
#include <string>

// The record's whole text, read into memory of the file's size. A record held open elsewhere (the
// window looking it up) is tried again for a short while; none when it cannot be opened or read.
std::optional<std::string> ReadWholeRecord(const std::string& fileName);
