#pragma once
// Reading a whole record file on the worker thread, with no sharing, and the one rule that says
// which files in the folder are records at all.

#include "records/RecordText.h"

#include "platform/system/FileException.h"
#include "platform/system/PageLimits.h"
#include "platform/system/StdioFile.h"

#include <cstdint>
#include <optional>
#include <string>

// The record files of the folder of records.
inline constexpr const char* kRecordFilePattern = "*.vnt";
// How a record file is opened wherever it is read: for reading, with no sharing.
inline constexpr unsigned kRecordReadFlags =
    CStdioFile::modeRead | CStdioFile::typeText | CStdioFile::shareExclusive;

// The largest record file ever read: the largest page a fetch accepts, a title
// (at most the page again), the address and the date. A larger file is no record.
inline constexpr std::uint64_t kLargestRecordBytes =
    2 * static_cast<std::uint64_t>(kPageByteLimit) + std::uint64_t{16} * 1024 * 1024;

// How much of a record file's start is read wherever only its first line matters (the page list,
// a lookup, the address a check fetches): a record's address ends within it, or the file is no
// record. However large a junk file named like a record, no more of it is read.
inline constexpr std::size_t kRecordHeadBytes = 1999;

// The start of an open record file, at most kRecordHeadBytes of it. A failed read raises
// CFileException.
std::string ReadRecordHead(CStdioFile& file);
// The address at the start of an open record file: the text before the first "|", when the first
// kRecordHeadBytes hold one before any line end (as LooksLikeRecord on ReadRecordHead's text),
// read no further than that "|". A failed read raises CFileException.
std::optional<std::string> ReadRecordAddress(CStdioFile& file);

// What to tell the user when the folder of records could not be read to its end.
std::string FolderReadFailureMessage(int error);

// What reading a record for a check came to: the value; nothing, for a file passed over without a
// word (removed meanwhile, or no record at all); or a failure, with its reason in plain words.
template <typename Value> struct RecordReading {
    std::optional<Value> value;
    std::string failure;
    bool Failed() const { return !failure.empty(); }
};

// The record's whole text, read into memory of the file's size. A record held open elsewhere (the
// window looking it up) is tried again for a short while; none when it cannot be opened or read, is
// no regular file, is larger than kLargestRecordBytes, or does not fit in memory.
std::optional<std::string> ReadWholeRecord(const std::string& fileName);

// A record as a check reads it: its whole text and its fields, which point into the text (a move
// keeps them pointing into the moved text; there is no copy).
struct StoredRecord {
    explicit StoredRecord(std::string wholeText);
    StoredRecord(StoredRecord&& other) noexcept;
    StoredRecord& operator=(StoredRecord&&) = delete;
    StoredRecord(const StoredRecord&) = delete;
    StoredRecord& operator=(const StoredRecord&) = delete;

    std::string text;
    RecordFields fields;
    FileIdentity file; // the file it was read from, which a rewrite must still find in its place
};

// True when opening a file failed because it is no regular file (it is never read): such a file
// is passed over without a word, as no record.
bool IsNoRecordFile(const CFileException& error);

// True when a text read from the start of a file makes it a record: its first line holds a "|".
// Empty files and files of another kind named like records are passed over.
bool LooksLikeRecord(std::string_view firstPart);

// The record a check works on. Passed over silently: exactly the files the page list passes over
// (empty, no "|" in the first kRecordHeadBytes before a line end, not a regular file, larger than
// kLargestRecordBytes), a name that leads nowhere now (removed meanwhile, a link to nothing or in
// a loop), and a record held elsewhere for longer than a lookup takes. Any other failure to open
// or read it is reported: too many files open, no memory for it, an input/output error, access
// denied, and so on.
RecordReading<StoredRecord> ReadRecordForCheck(const std::string& fileName);

// The URL of the record a check would work on (the text before the first "|"), read from the
// first kRecordHeadBytes of the file only; passed over and failed as ReadRecordForCheck.
RecordReading<std::string> ReadRecordUrl(const std::string& fileName);

// Test seam: while error is not 0, every read of the named record for a check fails as an open
// with that error would (so the same rules pass it over or report it); 0 ends it.
void InjectRecordReadFailureForTesting(const std::string& fileName, int error);

// The record's stored page in the record's own memory: the page is the tail of the text and is
// moved to its front, so a large page is held once. The record is used up.
std::string TakeStoredPage(StoredRecord&& record);
