#pragma once
// The files of one record. "N.vnt" is the record; beside it live its side files, each named by
// the record's name and a suffix of its own: its rules ("N.vnt.rules"), what its last check saw
// ("N.vnt.seen"), its earlier versions ("N.vnt.history/") and the validators a server gave
// its stored copy ("N.vnt.validators"). They belong to that record alone:
// they are named here and nowhere else, no listing of records ever shows one (no suffix ends the
// way a record's name does), they are removed with the record, and they are cleared from a
// number before a new record takes it, so that a new page never starts with what a page removed
// earlier left behind.

#include <string>
#include <string_view>
#include <vector>

enum class SideFile { Rules, Seen, History, Validators };
inline constexpr SideFile kSideFiles[] = {SideFile::Rules, SideFile::Seen, SideFile::History,
                                          SideFile::Validators};

// The name of a record's side file, relative to the records folder like the record's.
std::string SideFileName(const std::string& recordFileName, SideFile file);

// A file of a record that could not be removed, and why (the system error number).
struct RemovalFailure {
    std::string fileName;
    int error = 0;
};

// Removes a record, then every side file of it, whatever each has become (a file, a link: only
// the link, a folder with everything in it), unless someone holds the record open with no
// sharing: then nothing is removed. Yields 0; the record's error (EWOULDBLOCK when it is held,
// ENOENT when there was none: what a record of that name left is removed all the same); or, the
// record gone, the first side file's error. Every failure is added to failures when given.
int RemoveRecord(const std::string& recordFileName,
                 std::vector<RemovalFailure>* failures = nullptr);

// Removes what a record of this name left behind, before a new record takes the name. Yields 0
// when nothing is left, or the first error number met: then the name is not to be taken.
int ClearLeftovers(const std::string& recordFileName);

// A removal failure in plain words: "1.vnt.history could not be removed: Device or resource busy".
std::string RemovalFailureText(const RemovalFailure& failure);
