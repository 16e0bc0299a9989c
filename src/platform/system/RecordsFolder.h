#pragma once
// The folder of records, opened once. Every file of the records (records, their rules, the
// counter, the day of the last check, temporaries) is named relative to it, so that no thread
// depends on the process's working directory.

#include <cstdio>
#include <string>

// Opens path as the folder of records, in place of any opened before; a folder that cannot be
// opened for listing is refused. Yields 0, or the error number (then nothing changes).
int OpenRecordsFolder(const std::string& path);
// Forgets the folder opened: names are taken relative to the working directory again.
void CloseRecordsFolder();
// The descriptor names are resolved against: the records folder, or the working directory's
// (AT_FDCWD) while none is open.
int RecordsFolderDescriptor();

// What a name of the records folder is. Missing: the name leads nowhere (also a link to nothing,
// when links are followed); Unknown: it could not be looked at (error says why).
enum class FileKind { Missing, Regular, Directory, Link, Other, Unknown };
FileKind KindOfFile(const std::string& name, bool followLinks, int& error);
inline FileKind KindOfFile(const std::string& name, bool followLinks) {
    int ignored = 0;
    return KindOfFile(name, followLinks, ignored);
}

// Opens a file of the records folder for reading as a stream (binary), or yields null with
// errno set. The open never waits (for a writer of a FIFO, say), and only a regular file
// (directly or through a link) is kept open: anything else yields EISDIR or kNotRegularFile.
std::FILE* OpenFileForReading(const std::string& name);

// Removes a name of the records folder (never what a link leads to). Yields 0 or the error number.
int RemoveFileName(const std::string& name);
