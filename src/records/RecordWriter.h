#pragma once
// Writing page records. A record file "N.vnt" holds exactly the URL, "|", the page's title, "|",
// the date stamp, "*" and the page text, with no line end of its own. Every write goes through a
// temporary file that is synced and renamed into place, so a record on disk is always whole.

#include <string>

// Stores a newly added page under the next record number. Never replaces an existing file: when
// the number handed out is taken, the next free one is used and left in "name.ini".
void WriteNewRecord(std::string url, std::string page);

// Replaces the named record with one for the URL and the new page, titled and dated afresh. A
// record held open elsewhere at that moment is skipped and stays as it was.
void RewriteRecord(std::string url, std::string page, std::string recordFileName);
