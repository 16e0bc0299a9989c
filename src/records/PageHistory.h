#pragma once
// The versions kept of a page. Before a check (or anything else) replaces a record's copy, the
// copy it replaces is kept in the record's history: the folder "N.vnt.history" beside "N.vnt",
// one file a version, each in the record format. The page list reads only "*.vnt" files of the
// folder itself, so it never sees them; they go with their record.
//
// Versions are numbered newest first: 1 is the record as it is now, 2 the copy it replaced, and
// so on. The folder's setting ("history.ini") says how many versions a record keeps and how many
// bytes its history may hold; the oldest go first.

#include "records/RecordRead.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct HistoryLimits {
    int keep = 20;                                    // versions kept besides the record itself
    std::uint64_t maxBytes = std::uint64_t{50} << 20; // bytes of kept versions per record
};

// The folder's history setting: the defaults when it has none. A setting that cannot be read or
// understood is a failure in plain words naming the file.
RecordReading<HistoryLimits> ReadHistoryLimits();
// Writes the folder's history setting whole (0, or the error number of the failed write).
int WriteHistoryLimits(const HistoryLimits& limits);

// The history folder of a record file.
std::string HistoryFolderName(const std::string& recordFileName);

struct PageVersion {
    int number = 0;            // 1 for the record itself, 2 for the copy it replaced, ...
    std::string fileName;      // the file that holds it, relative to the records folder
    std::int64_t storedAt = 0; // when this copy was stored (fetched and written as the record),
                               // in seconds since the epoch
    std::uint64_t bytes = 0;   // the size of that file
};

// The versions of a record, newest first: the record as it is now, then the kept copies. A
// record that is gone has none; a history that cannot be read is a failure in plain words.
RecordReading<std::vector<PageVersion>> ListPageVersions(const std::string& recordFileName);

// A version's whole text and fields, read as a check reads a record.
RecordReading<StoredRecord> ReadPageVersion(const PageVersion& version);

// Keeps recordText (the record's whole text as it is now, about to be replaced) as the newest
// version in its history: written, synced and renamed into the history folder before it returns,
// then the oldest versions beyond the limits are removed. Yields 0, or the error number of the
// failed step; then the caller must leave the record as it is (even when the copy was kept and
// only an old version could not be removed).
int KeepVersion(const std::string& recordFileName, std::string_view recordText,
                const HistoryLimits& limits);

// The two steps of KeepVersion, for a writer that keeps the old copy only once the new one is
// ready to replace it, and drops it again when the record could not be replaced after all.
// StoreKeptVersion writes the record's text, given as its head (address, title and date up to
// and including the "*") and its page, as the newest version: written, synced, renamed into the
// history folder and the folder synced. keptAs gets the file's name, or stays empty when the
// limits keep nothing (keep 0, or a copy larger than maxBytes alone). Yields 0 or the error
// number. File names sort by when their copy was stored, and two copies never share one.
// With readFrom (the file the text was read from), while the record's name still leads to that
// file the version is that file under a second name (a hard link): it is whole and synced on the
// disk already, since every record is synced before it is put in place, and records are never
// written in place, so no byte of it is written again. Elsewhere (a file system without hard
// links, a record replaced meanwhile, a symbolic link) the text is written as above.
int StoreKeptVersion(const std::string& recordFileName, std::string_view head,
                     std::string_view page, const HistoryLimits& limits, std::string& keptAs,
                     const std::optional<FileIdentity>& readFrom = std::nullopt);
// Removes a version just kept whose record stayed as it was, and the history folder with it when
// nothing else is left in it.
void DropKeptVersion(const std::string& recordFileName, const std::string& keptAs);
// Removes the oldest kept versions until the rest are within the limits. Yields 0, or the error
// number of a history that could not be listed or an oldest version that could not be removed
// (which stays, and so do the ones after it).
int PruneVersions(const std::string& recordFileName, const HistoryLimits& limits);

// The setting's file, beside the records.
inline constexpr const char* kHistorySettingFile = "history.ini";
