#pragma once
// The names in a folder other than the records' (the cache folder, say), and removing one.

#include <string>
#include <vector>

struct ListedName {
    std::string name;
    bool regularFile = false; // the name itself is a regular file (a link is not followed)
};

// Every name in the folder but "." and "..", in the order the folder gives. A folder that cannot
// be read sets `error` to the system error number (0 otherwise).
std::vector<ListedName> ListFolder(const std::string& folder, int& error);

// Removes the name (a file, or a link itself). Yields 0 or the system error number.
int RemoveFileAt(const std::string& path);
