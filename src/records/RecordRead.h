#pragma once
// Reading a whole record file on the worker thread, with no sharing, and the one rule that says
// which files in the folder are records at all.

#include "records/RecordText.h"

#include "platform/system/FileException.h"
#include "platform/system/StdioFile.h"

#include <cstdint>
#include <optional>
#include <string>

// The record files of the working directory.
inline constexpr const char* kRecordFilePattern = "*.vnt";
// How a record file is opened wherever it is read: for reading, with no sharing.
inline constexpr unsigned kRecordReadFlags =
    CStdioFile::modeRead | CStdioFile::typeText | CStdioFile::shareExclusive;

// The largest page a fetch accepts, and the largest record file ever read: the page, a title
// (at most the page again), the address and the date. A larger file is no record.
inline constexpr std::uint64_t kLargestPageBytes = std::uint64_t{256} * 1024 * 1024;
inline constexpr std::uint64_t kLargestRecordBytes =
    2 * kLargestPageBytes + std::uint64_t{16} * 1024 * 1024;

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
};

// True when opening a file failed because it is no regular file (it is never read): such a file
// is passed over without a word, as no record.
bool IsNoRecordFile(const CFileException& error);

// True when a text read from the start of a file makes it a record: its first line holds a "|".
// Empty files and files of another kind named like records are passed over.
bool LooksLikeRecord(std::string_view firstPart);

// The record a check works on, or none for a file that is passed over silently: exactly the files
// the page list passes over (empty, no "|" in the first line, not a regular file, larger than
// kLargestRecordBytes), and those that cannot be read (removed meanwhile, held elsewhere for
// longer than a lookup takes, or too large for the memory left).
std::optional<StoredRecord> ReadRecordForCheck(const std::string& fileName);

// The URL of the record a check would work on (the text before the first "|"), read from the
// start of the file only, however large the page; none for the files ReadRecordForCheck passes
// over because of their first line or kind, or that cannot be opened or read.
std::optional<std::string> ReadRecordUrl(const std::string& fileName);

// The record's stored page in the record's own memory: the page is the tail of the text and is
// moved to its front, so a large page is held once. The record is used up.
std::string TakeStoredPage(StoredRecord&& record);
