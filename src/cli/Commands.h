#pragma once
// What the verbs of varnolt-cli run, each in the records' folder (already the current
// directory), and the parts they share.

#include "check/TimedFetches.h"
#include "platform/system/PageLimits.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CheckOptions {
    int jobs = kCommandLineFetchesAtOnce;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    bool quiet = false;
    bool diff = false;
    bool notify = false;
    bool json = false;
    bool full = false; // fetch every page whole, asking no server "has it changed since?"
};

struct AddOptions {
    int timeoutSeconds = kDefaultTimeoutSeconds;
    PageRules rules;    // stored with every page added
    bool again = false; // add an address watched already all the same
};

// The rule every page of the command line is fetched by: a body that receives nothing for
// kReadTimeOutMs once its answer has begun (the window's read rule), or a page still arriving
// after `timeoutSeconds`, is "Time Out".
DeadlineRule CliDeadlineRule(int timeoutSeconds);

int RunCheck(const CheckOptions& options);
int RunAdd(const std::vector<std::string>& urls, const AddOptions& options);
int RunList(bool json);
int RunRemove(const std::vector<std::string>& targets);

// The record file a NUMBER or URL names, or none after saying why (what was not done: verb).
std::optional<std::string> RecordFileOf(const std::string& target, const std::string& verb);
// How a NUMBER or URL that names no record is told: "no record number 3", "no record for URL".
std::string NoRecordWords(const std::string& target);

// rules: shows a page's rules, one option a line (no change given), replaces them, adds to them,
// or clears them. New rules are tried on the stored page before they are stored: one that cannot
// be applied, or that matches nothing on it, is refused.
struct RulesChange {
    bool clear = false;
    bool add = false;               // the rules given join the page's own
    std::optional<PageRules> rules; // set: replace the rules with these (or add them)
};
int RunRules(const std::string& target, const RulesChange& change);
// show: what the comparison sees of a page: the stored copy with its rules applied; raw, the
// stored page as it is; fetch, the page as fetched now by the check's deadline rule (nothing is
// stored).
int RunShow(const std::string& target, bool raw, bool fetch,
            int timeoutSeconds = kDefaultTimeoutSeconds);
// report: writes the last change of each page to output (the cache folder's report.html when
// empty), prints its path and, with open, hands it to the desktop's opener.
int RunReport(const std::vector<std::string>& targets, const std::string& output, bool open);

// history: shows the folder's history setting, or sets what is given of it.
int RunHistory(std::optional<int> keep, std::optional<std::uint64_t> maxMiB);
// log: a page's versions, newest first, with the lines each changed.
int RunLog(const std::string& target, bool json);
// diff: what changed between two versions of a page, as the comparison sees them (from and to:
// version numbers, 1 the record itself).
struct DiffOptions {
    int from = 2;
    int to = 1;
    bool colour = false;
};
int RunDiff(const std::string& target, const DiffOptions& options);

// The versions of the page a NUMBER or URL names, with its rules; none after saying why.
struct PageVersions {
    std::string fileName;
    std::string url;
    PageRules rules;
    std::vector<PageVersion> versions; // newest first, as ListPageVersions gives them
};
std::optional<PageVersions> VersionsOf(const std::string& target, const std::string& verb);
// What the comparison sees of a version: its page with the page's rules applied; none after
// saying why.
std::optional<std::string> SeenVersion(const PageVersions& page, const PageVersion& version);

// The record files "*.vnt" of the current directory, by record number (names that are no number
// last, by name). None, with a complaint on standard error, when the folder could not be read to
// its end: a part of the list is no list (folderReadable is then false).
std::vector<std::string> RecordFilesInOrder(bool& folderReadable);

// Bytes of a page's text as the window shows them: UTF-8 where they are valid UTF-8, otherwise
// each byte as its Latin-1 character; tabs and line ends become blanks so a line stays a line.
std::string ShownText(std::string_view bytes);

// A record's date stamp ("11:12:2026") as ISO 8601 ("2026-12-11"), which reads as a date
// everywhere and sorts; a stamp the program did not write is shown as it is.
std::string IsoDate(std::string_view stamp);

// How a record file is named to a person: its number ("12.vnt": "12"), or the file's name when
// that is no number.
std::string RecordLabel(const std::string& fileName);
// The record's number for --json, or null for a name that is no number.
nlohmann::json RecordNumberJson(const std::string& fileName);

// One JSON object a line (JSON Lines), for --json: text that is not UTF-8 is replaced, never
// an invalid document; every control in a string is a JSON escape, so none drives a terminal.
void PrintJsonLine(const nlohmann::json& object);

// Writes a diagnostic line "varnolt-cli: TEXT" to standard error, every control in TEXT shown as
// platform/console/TerminalText.h shows it.
void Complain(const std::string& text);
// A reason of several lines (a message-box text with the transfer library's words after it) as
// one line, for Complain.
std::string OneLine(std::string text);
