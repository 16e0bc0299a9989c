#include "changes/ReportFile.h"

#include "platform/console/Console.h"
#include "platform/system/FolderListing.h"
#include "platform/system/NamedFile.h"
#include "platform/system/Shell.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>

namespace {

constexpr const char* kCheckReportPrefix = "check-";
constexpr const char* kCheckReportSuffix = ".html";
// Checks that end at the same moment each take the next free number; this many tries at most.
constexpr int kCheckReportTries = 16;

std::string NoPlaceWords() {
    return "no place for the report: neither XDG_CACHE_HOME nor HOME is set";
}

// Makes the cache folder when the report goes there and it is missing.
int MakeCacheFolderFor(const std::string& path) {
    const std::string cache = DefaultCacheFolder();
    if (cache.empty() || path.rfind(cache + "/", 0) != 0 || PathExists(cache)) {
        return 0;
    }
    return MakePrivateFolder(cache);
}

std::string WriteReportAs(const std::string& path, const std::vector<PageChange>& pages,
                          NamedFileMode mode, int& error) {
    error = 0;
    if (path.empty()) {
        error = ENOENT;
        return NoPlaceWords();
    }
    if ((error = MakeCacheFolderFor(path)) != 0) {
        return "the report " + path + " could not be written: " + SystemErrorWords(error);
    }
    const NamedFileFailure failure = WriteNamedFile(path, ChangeReportHtml(pages), mode);
    error = failure.error;
    return failure ? "the report " + path + " could not be written: " + failure.reason
                   : std::string();
}

// N of a name "check-N.html", or nothing for another name.
std::optional<std::uint64_t> CheckReportNumber(const std::string& name) {
    const std::string prefix = kCheckReportPrefix;
    const std::string suffix = kCheckReportSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::stoull(digits);
}

std::string CheckReportName(std::uint64_t number) {
    return kCheckReportPrefix + std::to_string(number) + kCheckReportSuffix;
}

// Removes this program's check reports numbered up to `last` (regular files only: whatever else
// bears such a name is not this program's to remove).
void RemoveCheckReportsUpTo(const std::string& folder, const std::vector<ListedName>& entries,
                            std::uint64_t last) {
    for (const ListedName& entry : entries) {
        const std::optional<std::uint64_t> number = CheckReportNumber(entry.name);
        if (number && *number <= last && entry.regularFile) {
            RemoveFileAt(folder + "/" + entry.name);
        }
    }
}

} // namespace

std::string CachedReportPath(const std::string& fileName) {
    const std::string folder = DefaultCacheFolder();
    return folder.empty() ? std::string() : folder + "/" + fileName;
}

std::string WriteChangeReport(const std::string& path, const std::vector<PageChange>& pages) {
    int error = 0;
    return WriteReportAs(path, pages, NamedFileMode::CreateOrTruncate, error);
}

std::string OpenChangeReport(const std::string& path) {
    if (ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOW) <= 32) {
        return "the desktop's opener (xdg-open) could not be started for " + path;
    }
    return {};
}

std::string WriteCheckReport(const std::vector<PageChange>& pages, std::string& failure) {
    const std::string folder = DefaultCacheFolder();
    if (folder.empty()) {
        failure = NoPlaceWords();
        return {};
    }
    if (const int error = MakeCacheFolderFor(folder + "/"); error != 0) {
        failure = "the report folder " + folder + " could not be made: " + SystemErrorWords(error);
        return {};
    }
    int error = 0;
    std::vector<ListedName> entries = ListFolder(folder, error);
    if (error != 0) {
        failure = "the report folder " + folder + " could not be read: " + SystemErrorWords(error);
        return {};
    }
    // Past every such name, whatever it is: a name once taken is never written again.
    std::uint64_t number = 0;
    for (const ListedName& entry : entries) {
        number = std::max(number, CheckReportNumber(entry.name).value_or(0));
    }
    for (int attempt = 0; attempt < kCheckReportTries; ++attempt) {
        ++number;
        const std::string path = folder + "/" + CheckReportName(number);
        failure = WriteReportAs(path, pages, NamedFileMode::CreateNew, error);
        if (error == EEXIST) {
            continue; // another check took this number meanwhile
        }
        if (!failure.empty()) {
            return {};
        }
        if (number > kCheckReportsKept) {
            RemoveCheckReportsUpTo(folder, entries, number - kCheckReportsKept);
        }
        return path;
    }
    return {};
}
