#pragma once
// Folders inside the records folder, named relative to it (RecordsFolder.h): made, listed,
// synced and removed.
// A page's history lives in one; these are the only steps it needs besides whole-file writes
// (ReplacingFile) and reads (CStdioFile).

#include "platform/system/ExclusiveFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Makes the folder with the given permission bits (0700: private, like the records folder).
// Yields 0 when it was made or already is a folder, or the system error number; made says which.
int MakeFolder(const std::string& name, bool& made, unsigned mode = 0700);

struct FolderEntry {
    std::string name;            // the bare name
    std::uint64_t bytes = 0;     // its size
    std::int64_t modifiedAt = 0; // its last change, in seconds since the epoch
};

// The regular files of a folder (not following links, no folders), in no set order. A folder
// that is not there has none; any other failure to read it yields its error number.
struct FolderListing {
    std::vector<FolderEntry> files;
    int error = 0;
};
FolderListing ListFolderFiles(const std::string& name);

// The size and last change of a regular file (through links); none when it is not one.
std::optional<FolderEntry> FileStatus(const std::string& name);

// Writes the folder's list of names to the disk, so that a rename into it survives a crash
// ("." for the records folder itself).
// Yields 0 or the system error number.
int SyncFolder(const std::string& name);

// Gives an existing file a second name (a hard link; a symbolic link is linked as itself), but
// only while its name leads to the file expected: otherwise the new name goes again and ESTALE is
// yielded. Fails with EEXIST when the new name is taken, and with EXDEV, EPERM or EOPNOTSUPP on
// file systems without hard links. Yields 0 or the system error number.
int LinkFileAs(const std::string& existing, const std::string& newName,
               const FileIdentity& expected);

// Removes the name whatever it is: a file, a link (never what it leads to), or a folder with
// everything in it, folders too. A folder of another file system mounted inside is not entered
// (its removal fails with EBUSY). A name that is not there is no failure. The removal goes on past
// a failure, so as much goes as can; yields 0, or the first error number met.
int RemoveTree(const std::string& name);

// Removes the folder only when it is empty. Yields 0 or the error number (ENOTEMPTY).
int RemoveEmptyFolder(const std::string& name);
