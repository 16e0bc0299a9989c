#include "records/PageHistory.h"

#include "platform/system/Folders.h"
#include "platform/system/PageLimits.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/RecordFiles.h"
#include "records/SettingLines.h"
#include "records/SmallFileRead.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

// A kept version's file name: "YYYYMMDD-HHMMSS-NNNN.vnt", the UTC time its copy was stored and
// a serial number within that second. Fixed widths, so the names sort as the times do.
constexpr std::size_t kVersionNameLength = 24;
constexpr int kLargestSerial = 9999;
// The history setting is a few lines; anything this large is no setting.
constexpr std::size_t kLargestSettingFile = 1 << 20;

struct VersionStamp {
    std::int64_t storedAt = 0;
    int serial = 0;
};

std::string VersionFileName(const VersionStamp& stamp) {
    using namespace std::chrono;
    const sys_seconds time{seconds{stamp.storedAt}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02u%02u-%02d%02d%02d-%04d.vnt", int{date.year()},
                  unsigned{date.month()}, unsigned{date.day()},
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), stamp.serial);
    return name;
}

std::optional<int> Digits(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The stamp a kept version's name holds; none for any other file (a temporary, say).
std::optional<VersionStamp> ParseVersionName(std::string_view name) {
    if (name.size() != kVersionNameLength || name[8] != '-' || name[15] != '-' ||
        name.substr(20) != ".vnt") {
        return std::nullopt;
    }
    const auto year = Digits(name.substr(0, 4));
    const auto month = Digits(name.substr(4, 2));
    const auto day = Digits(name.substr(6, 2));
    const auto hour = Digits(name.substr(9, 2));
    const auto minute = Digits(name.substr(11, 2));
    const auto second = Digits(name.substr(13, 2));
    const auto serial = Digits(name.substr(16, 4));
    if (!year || !month || !day || !hour || !minute || !second || !serial) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{*year}, std::chrono::month{unsigned(*month)},
                              std::chrono::day{unsigned(*day)}};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    const sys_seconds time = sys_days{date} + hours{*hour} + minutes{*minute} + seconds{*second};
    return VersionStamp{time.time_since_epoch().count(), *serial};
}

// True when the file holds exactly head and then page (read only when the sizes agree).
bool SameText(const std::string& fileName, std::string_view head, std::string_view page = {}) {
    const RecordReading<std::string> read =
        ReadSmallFile(fileName, head.size() + page.size(), "the version");
    if (!read.value || read.value->size() != head.size() + page.size()) {
        return false;
    }
    const std::string_view text = *read.value;
    return text.substr(0, head.size()) == head && text.substr(head.size()) == page;
}

struct KeptFile {
    std::string name; // bare name in the history folder
    VersionStamp stamp;
    std::uint64_t bytes = 0;
};

// The kept versions, newest first. A failure's error number goes to error, when given.
RecordReading<std::vector<KeptFile>> ListKept(const std::string& folder, int* error = nullptr) {
    FolderListing listing = ListFolderFiles(folder);
    if (error != nullptr) {
        *error = listing.error;
    }
    if (listing.error != 0) {
        return {std::nullopt, "The history " + folder +
                                  " could not be read: " + SystemErrorText(listing.error) + "."};
    }
    std::vector<KeptFile> kept;
    for (FolderEntry& entry : listing.files) {
        if (const std::optional<VersionStamp> stamp = ParseVersionName(entry.name)) {
            kept.push_back({std::move(entry.name), *stamp, entry.bytes});
        }
    }
    std::sort(kept.begin(), kept.end(),
              [](const KeptFile& a, const KeptFile& b) { return a.name > b.name; });
    return {std::move(kept), {}};
}

// The value of a setting's line: digits only. False when there is none.
bool SettingValue(std::string_view text, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

} // namespace

namespace {

// Syncs the history folder with the version just put in it, so that its name survives a crash;
// when that fails, the version goes again. Yields 0 or the error number.
int SyncKept(const std::string& recordFileName, const std::string& folder, bool made,
             std::string& keptAs) {
    // A folder just made is synced into the records folder as well (after its own names, which
    // on most file systems commits both at once).
    int error = SyncFolder(folder);
    if (error == 0 && made) {
        error = SyncFolder(".");
    }
    if (error != 0) {
        DropKeptVersion(recordFileName, keptAs);
        keptAs.clear();
        return error;
    }
    return 0;
}

} // namespace

RecordReading<HistoryLimits> ReadHistoryLimits() {
    const std::string name = kHistorySettingFile;
    RecordReading<std::string> text =
        ReadSmallFile(name, kLargestSettingFile, "the history setting");
    if (!text.value) {
        if (text.Failed()) {
            return {std::nullopt, std::move(text.failure)};
        }
        return {HistoryLimits{}, {}}; // no setting: the defaults
    }
    HistoryLimits limits;
    const std::string wrong =
        ForEachSettingLine(*text.value, [&](std::string_view line) -> std::string {
            const std::size_t equals = line.find('=');
            const std::string_view key = line.substr(0, equals);
            std::uint64_t value = 0;
            const bool given =
                equals != std::string_view::npos && SettingValue(line.substr(equals + 1), value);
            if (key == "keep" && given && value <= static_cast<std::uint64_t>(kMostKeptVersions)) {
                limits.keep = static_cast<int>(value);
            } else if (key == "maxBytes" && given) {
                limits.maxBytes = value;
            } else {
                return "is no setting: " + std::string(line);
            }
            return {};
        });
    if (!wrong.empty()) {
        return {std::nullopt, "the history setting " + name + " cannot be understood: " + wrong};
    }
    return {limits, {}};
}

int WriteHistoryLimits(const HistoryLimits& limits) {
    return ReplaceFileContents(kHistorySettingFile,
                               "# How many earlier versions of each page are kept, and how many "
                               "bytes they may take.\n"
                               "keep=" +
                                   std::to_string(limits.keep) +
                                   "\nmaxBytes=" + std::to_string(limits.maxBytes) + "\n")
        .ErrorNumber();
}

std::string HistoryFolderName(const std::string& recordFileName) {
    return SideFileName(recordFileName, SideFile::History);
}

RecordReading<std::vector<PageVersion>> ListPageVersions(const std::string& recordFileName) {
    std::vector<PageVersion> versions;
    const std::optional<FolderEntry> record = FileStatus(recordFileName);
    if (!record) {
        return {std::move(versions), {}};
    }
    versions.push_back({1, recordFileName, record->modifiedAt, record->bytes});
    const std::string folder = HistoryFolderName(recordFileName);
    RecordReading<std::vector<KeptFile>> kept = ListKept(folder);
    if (kept.Failed()) {
        return {std::nullopt, std::move(kept.failure)};
    }
    for (const KeptFile& file : *kept.value) {
        const PageVersion& newer = versions.back();
        const std::string fileName = folder + "/" + file.name;
        // A copy kept for a replacement that never came (the program was killed in between) is
        // the same copy of the same moment as the version after it: it is no version of its own.
        if (file.stamp.storedAt == newer.storedAt && file.bytes == newer.bytes) {
            const RecordReading<std::string> newerText =
                ReadSmallFile(newer.fileName, newer.bytes, "the version");
            if (newerText.value && SameText(fileName, *newerText.value)) {
                continue;
            }
        }
        versions.push_back(
            {static_cast<int>(versions.size()) + 1, fileName, file.stamp.storedAt, file.bytes});
    }
    return {std::move(versions), {}};
}

RecordReading<StoredRecord> ReadPageVersion(const PageVersion& version) {
    RecordReading<StoredRecord> read = ReadRecordForCheck(version.fileName);
    if (!read.value && !read.Failed()) {
        read.failure = "Version " + std::to_string(version.number) + " (" + version.fileName +
                       ") is gone or is no record.";
    }
    return read;
}

int StoreKeptVersion(const std::string& recordFileName, std::string_view head,
                     std::string_view page, const HistoryLimits& limits, std::string& keptAs,
                     const std::optional<FileIdentity>& readFrom) {
    keptAs.clear();
    if (limits.keep <= 0 || head.size() + page.size() > limits.maxBytes) {
        return 0; // the limits keep nothing: the history is off for this copy
    }
    const std::string folder = HistoryFolderName(recordFileName);
    bool made = false;
    if (const int error = MakeFolder(folder, made); error != 0) {
        return error;
    }
    int listError = 0;
    RecordReading<std::vector<KeptFile>> kept = ListKept(folder, &listError);
    if (kept.Failed()) {
        return listError;
    }
    // Named for when the copy was stored, whatever other names the folder holds (one named in
    // the future, say); copies of one second are told apart by a serial above theirs.
    const std::optional<FolderEntry> record = FileStatus(recordFileName);
    VersionStamp stamp{record ? record->modifiedAt : 0, 0};
    // A copy kept already whose record was not replaced after all (the program was killed in
    // between) is this copy: it is not kept twice. Only the newest can be one, and it is read only
    // when its size agrees.
    if (!kept.value->empty()) {
        const KeptFile& newest = kept.value->front();
        if (newest.bytes == head.size() + page.size() &&
            SameText(folder + "/" + newest.name, head, page)) {
            keptAs = folder + "/" + newest.name;
            return SyncKept(recordFileName, folder, made, keptAs);
        }
    }
    for (const KeptFile& file : *kept.value) {
        if (file.stamp.storedAt == stamp.storedAt) {
            stamp.serial = std::max(stamp.serial, file.stamp.serial + 1);
        }
    }
    if (stamp.serial > kLargestSerial) {
        stamp.serial = 0; // a second full of names: the first free one is taken below
    }
    bool linking = readFrom.has_value();
    while (stamp.serial <= kLargestSerial) {
        const std::string name = folder + "/" + VersionFileName(stamp);
        if (linking) {
            const int error = LinkFileAs(recordFileName, name, *readFrom);
            if (error == EEXIST) {
                ++stamp.serial; // another writer took this name in the same second
                continue;
            }
            linking = false;
            if (error == 0) {
                keptAs = name;
                return SyncKept(recordFileName, folder, made, keptAs);
            }
            continue; // no hard link here: the text is written instead
        }
        ReplacingFile file(name);
        if (const int error = file.Open(); error != 0) {
            return error;
        }
        file.Write(head);
        file.Write(page);
        const int error = file.Commit(ReplaceMode::CreateNew).ErrorNumber();
        if (error == EEXIST) {
            ++stamp.serial; // another writer took this name in the same second
            continue;
        }
        if (error != 0) {
            return error;
        }
        keptAs = name;
        return SyncKept(recordFileName, folder, made, keptAs);
    }
    return EEXIST;
}

void DropKeptVersion(const std::string& recordFileName, const std::string& keptAs) {
    if (keptAs.empty()) {
        return;
    }
    RemoveFileName(keptAs);
    // A history made only for this copy goes with it (one that holds other versions stays).
    RemoveEmptyFolder(HistoryFolderName(recordFileName));
}

int PruneVersions(const std::string& recordFileName, const HistoryLimits& limits) {
    const std::string folder = HistoryFolderName(recordFileName);
    int listError = 0;
    RecordReading<std::vector<KeptFile>> kept = ListKept(folder, &listError);
    if (kept.Failed()) {
        return listError;
    }
    std::vector<KeptFile>& files = *kept.value;
    std::uint64_t total = 0;
    for (const KeptFile& file : files) {
        total += file.bytes;
    }
    const std::size_t keep = static_cast<std::size_t>(std::max(limits.keep, 0));
    while (!files.empty() && (files.size() > keep || total > limits.maxBytes)) {
        // An oldest version that stays is still counted: no newer one goes in its place.
        if (const int error = RemoveFileName(folder + "/" + files.back().name);
            error != 0 && error != ENOENT) {
            return error;
        }
        total -= files.back().bytes;
        files.pop_back();
    }
    return 0;
}

int KeepVersion(const std::string& recordFileName, std::string_view recordText,
                const HistoryLimits& limits) {
    std::string keptAs;
    if (const int error = StoreKeptVersion(recordFileName, recordText, {}, limits, keptAs);
        error != 0) {
        return error;
    }
    return PruneVersions(recordFileName, limits);
}
