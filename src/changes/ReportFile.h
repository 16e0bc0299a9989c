#pragma once
// Where a change report is written, the writing and the opening: one way for the window's Show
// Changes, `varnolt-cli report` and the report of a check's changes.

#include "changes/ChangeReport.h"

#include <cstddef>
#include <string>
#include <vector>

// The report's file in Varnolt's cache folder ($XDG_CACHE_HOME/varnolt, or ~/.cache/varnolt):
// a report can always be made again, so it is no part of the records. Empty when no such folder
// is known.
std::string CachedReportPath(const std::string& fileName);

// Writes the report of the pages to `path` as ordinary tools write a named file (created or
// truncated in place; a link in a shared sticky folder, another user's file there, or anything
// that is not a regular file refused), after making the cache folder, private to the user, when
// the path is in it and it is missing. Yields empty, or what went wrong in words naming the path
// (an empty path: no cache folder is known).
std::string WriteChangeReport(const std::string& path, const std::vector<PageChange>& pages);

// Hands the report to the desktop's opener. Yields empty, or why it could not be started.
std::string OpenChangeReport(const std::string& path);

// How many checks' reports the cache folder keeps; older ones go as new ones are written.
inline constexpr std::size_t kCheckReportsKept = 24;

// The report of one check's changes, under a name of its own in the cache folder
// ("check-N.html", N one more than any such name there), so that each check's notification
// opens its own check's pages. Only the newest kCheckReportsKept such files stay. Yields the
// path, or empty with `failure` set.
std::string WriteCheckReport(const std::vector<PageChange>& pages, std::string& failure);
