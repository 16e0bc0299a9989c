#include "records/RecordFiles.h"

#include "platform/system/ExclusiveFile.h"
#include "platform/system/Folders.h"

#include <cerrno>
#include <iterator>

namespace {

struct SideFileSuffix {
    SideFile file;
    std::string_view suffix;
};

// Every side file a record has, in the order they are removed.
constexpr SideFileSuffix kSuffixes[] = {
    {SideFile::Rules, ".rules"},
    {SideFile::Seen, ".seen"},
    {SideFile::History, ".history"},
    {SideFile::Validators, ".validators"},
};
static_assert(std::size(kSuffixes) == std::size(kSideFiles));

constexpr bool EndsLikeARecord(std::string_view suffix) {
    // Record names match "*.vnt" in any letter case: a suffix must never end so.
    if (suffix.size() < 4) {
        return false;
    }
    const std::string_view end = suffix.substr(suffix.size() - 4);
    return end[0] == '.' && (end[1] | 0x20) == 'v' && (end[2] | 0x20) == 'n' &&
           (end[3] | 0x20) == 't';
}

constexpr bool NoSuffixEndsLikeARecord() {
    for (const SideFileSuffix& entry : kSuffixes) {
        if (EndsLikeARecord(entry.suffix)) {
            return false;
        }
    }
    return true;
}
static_assert(NoSuffixEndsLikeARecord(), "a side file would be listed as a record");

// Removes every side file; each failure is added to failures. Yields the first error, or 0.
int RemoveSideFiles(const std::string& recordFileName, std::vector<RemovalFailure>* failures) {
    int first = 0;
    for (const SideFileSuffix& entry : kSuffixes) {
        const std::string name = SideFileName(recordFileName, entry.file);
        if (const int error = RemoveTree(name); error != 0) {
            first = first == 0 ? error : first;
            if (failures != nullptr) {
                failures->push_back({name, error});
            }
        }
    }
    return first;
}

} // namespace

std::string SideFileName(const std::string& recordFileName, SideFile file) {
    for (const SideFileSuffix& entry : kSuffixes) {
        if (entry.file == file) {
            return recordFileName + std::string(entry.suffix);
        }
    }
    return recordFileName; // unreachable: every side file has its suffix
}

int RemoveRecord(const std::string& recordFileName, std::vector<RemovalFailure>* failures) {
    // The record first: a crash after it leaves side files that no record owns, which the next
    // record of that name clears before it takes the name.
    const int error = RemoveFileUnlessHeld(recordFileName);
    if (error != 0 && error != ENOENT) {
        if (failures != nullptr) {
            failures->push_back({recordFileName, error});
        }
        return error;
    }
    const int sideError = RemoveSideFiles(recordFileName, failures);
    return error != 0 ? error : sideError;
}

int ClearLeftovers(const std::string& recordFileName) {
    return RemoveSideFiles(recordFileName, nullptr);
}

std::string RemovalFailureText(const RemovalFailure& failure) {
    return failure.fileName + " could not be removed: " + SystemErrorText(failure.error);
}
