#pragma once
// Writing page records. A record file "N.vnt" holds exactly the URL, "|", the page's title, "|",
// the date stamp, "*" and the page text, with no line end of its own (URL and title as
// StoredUrl and StoredTitle give them, so that the record reads back as written). Every write
// goes through a temporary file that is synced and renamed into place, so a record on disk is
// always whole. Both writers say whether the record was stored, and why not.

#include "platform/system/ReplacingFile.h"
#include "records/PageHistory.h"

#include <cerrno>
#include <optional>
#include <string>

// WriteNewRecord's answer when the counter has no number left to hand out.
inline constexpr int kNoRecordNumberLeft = EOVERFLOW;

// Stores a newly added page under the next record number. Never replaces an existing file: when
// the number handed out is taken by a name of any kind (a record, a directory, a link, even one
// that leads nowhere), the next free one is used. What a record of that number left beside it
// (rules, history, ...) is removed before the name is taken. The counter in "name.ini" moves on
// only once the record is stored. Yields 0, kNoRecordNumberLeft, or the system error number of
// the failed write (ENOSPC, EDQUOT, EACCES, EROFS, EIO, ...; EFBIG for a record larger than
// any record may be); nothing is stored then.
// The file stored goes to storedAs, when given.
int WriteNewRecord(std::string url, std::string page, std::string* storedAs = nullptr);

// Replaces the named record with one for the URL and the new page, titled and dated afresh, if
// the name still leads to readFrom, the file the stored page was read from (a check passes it;
// without it, whatever record the name leads to is replaced). Yields Stored; ReadOnly for a
// record its owner made read-only, Held for one held open elsewhere at that moment, Gone for one
// that is no longer the file its page was read from (removed, or replaced meanwhile): each stays
// as it was (or absent), which is no failure; or a failure with the system error number of the
// write, which also leaves the old record exactly as it was.
// With oldCopy, the record's text as it was read (its head and page) is kept in its history
// first (see PageHistory.h): once the new copy is written and synced, and before it replaces the
// record. When keeping fails, the record stays as it was and keepFailed is set; when the record
// is not replaced after all (held, gone, read-only, a failed write), the copy kept is dropped
// again. The oldest versions beyond the limits go once the record is replaced; when one of them
// cannot be removed, the record is stored all the same and pruneError says why.
struct OldCopy {
    std::string_view head; // the record's text up to and including the "*" before the page
    std::string_view page;
    HistoryLimits limits;
    bool keepFailed = false;
    int pruneError = 0;
};
WriteResult RewriteRecord(std::string url, std::string page, std::string recordFileName,
                          const std::optional<FileIdentity>& readFrom = std::nullopt,
                          OldCopy* oldCopy = nullptr);

// The reason a write failed, in plain words for a message box ("the disk is full").
std::string RecordWriteFailureText(int error);
// The same for any write that did not store its file, read-only, held and gone included.
std::string WriteFailureText(const WriteResult& result);

// Test seam: while error is not 0, every record write fails with it once the record's text has
// gone to its temporary file (which is then removed), as a full disk would; 0 ends it.
void InjectRecordWriteFailureForTesting(int error);
