#pragma once
// Where a change report is written, and the writing: whole or not at all, like every file the
// program writes.

#include <string>

// The report's file in Varnolt's cache folder ($XDG_CACHE_HOME/varnolt, or ~/.cache/varnolt):
// a report can always be made again, so it is no part of the records. Empty when no such folder
// is known.
std::string CachedReportPath(const std::string& fileName);

// Writes the report through a temporary that is synced and renamed into place, after making its
// folder (for the cache folder, private to the user) when it is missing. Yields 0 or the system
// error number.
int WriteReportFile(const std::string& path, const std::string& html);

// The words for a report that could not be written.
std::string ReportWriteFailure(const std::string& path, int error);
