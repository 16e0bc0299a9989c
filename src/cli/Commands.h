#pragma once
// The commands of varnolt-cli, each run in the records' folder (already the current directory).

#include "check/TimedFetches.h"

#include <string>
#include <vector>

// The longest one page may take in all, by default, in seconds.
constexpr int kDefaultTimeoutSeconds = 120;

struct CheckOptions {
    int jobs = 20;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    bool quiet = false;
    bool diff = false;
    bool notify = false;
};

struct AddOptions {
    int timeoutSeconds = kDefaultTimeoutSeconds;
};

// The rule every page of the command line is fetched by: a body that receives nothing for 27 s
// once its answer has begun (the window's 270 ticks of 100 ms), or a page still arriving after
// `timeoutSeconds`, is "Time Out".
DeadlineRule CliDeadlineRule(int timeoutSeconds);

int RunCheck(const CheckOptions& options);
int RunAdd(const std::vector<std::string>& urls, const AddOptions& options);
int RunList();
int RunRemove(const std::vector<std::string>& targets);

// The record files "*.vnt" of the current directory, by record number (names that are no number
// last, by name).
std::vector<std::string> RecordFilesInOrder();

// Bytes of a page's text as the window shows them: UTF-8 where they are valid UTF-8, otherwise
// each byte as its Latin-1 character; tabs and line ends become blanks so a line stays a line.
std::string ShownText(std::string_view bytes);

// A unified diff of the stored page against the new one, lines compared ignoring ASCII letter
// case as the check compares pages.
std::string PageDiff(const std::string& storedPage, const std::string& newPage,
                     const std::string& oldName, const std::string& newName);

// Writes a diagnostic line "varnolt-cli: TEXT" to standard error.
void Complain(const std::string& text);
