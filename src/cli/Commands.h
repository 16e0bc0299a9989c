#pragma once
// The commands of varnolt-cli, each run in the records' folder (already the current directory).

#include <string>
#include <vector>

struct CheckOptions {
    int jobs = 8;
    bool quiet = false;
    bool diff = false;
    bool notify = false;
};

int RunCheck(const CheckOptions& options);
int RunAdd(const std::vector<std::string>& urls);
int RunList();
int RunRemove(const std::vector<std::string>& targets);

// The record files "*.vnt" of the current directory, by record number (names that are no number
// last, by name). None, with a complaint on standard error, when the folder could not be read to
// its end: a part of the list is no list (folderReadable is then false).
std::vector<std::string> RecordFilesInOrder(bool& folderReadable);

// Bytes of a page's text as the window shows them: UTF-8 where they are valid UTF-8, otherwise
// each byte as its Latin-1 character; tabs and line ends become blanks so a line stays a line.
std::string ShownText(std::string_view bytes);

// A unified diff of the stored page against the new one, lines compared ignoring ASCII letter
// case as the check compares pages.
std::string PageDiff(const std::string& storedPage, const std::string& newPage,
                     const std::string& oldName, const std::string& newName);

// Writes a diagnostic line "varnolt-cli: TEXT" to standard error.
void Complain(const std::string& text);
