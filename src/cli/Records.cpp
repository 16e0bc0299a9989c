// What several verbs of varnolt-cli share: the record files in number order, a record named by
// number or address, and text as the window shows it.

#include "cli/Cli.h"

#include "cli/Commands.h"
#include "platform/system/FileException.h"
#include "platform/system/FileFind.h"
#include "platform/system/RecordsFolder.h"
#include "records/Catalogue.h"
#include "records/RecordRead.h"
#include "records/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

std::optional<std::uint64_t> RecordNumber(std::string_view name) {
    constexpr std::string_view kExtension = ".vnt";
    if (name.size() <= kExtension.size()) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(0, name.size() - kExtension.size());
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::vector<std::string> RecordFilesInOrder(bool& folderReadable) {
    std::vector<std::string> files;
    CFileFind finder;
    bool more = finder.FindFile(kRecordFilePattern);
    if (const int error = finder.GetLastError(); error != 0) {
        Complain(FolderReadFailureMessage(error));
        folderReadable = false;
        return files;
    }
    folderReadable = true;
    while (more) {
        more = finder.FindNextFile();
        files.push_back(finder.GetFileName());
    }
    finder.Close();
    std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        const std::optional<std::uint64_t> na = RecordNumber(a);
        const std::optional<std::uint64_t> nb = RecordNumber(b);
        if (na && nb) {
            return *na < *nb;
        }
        if (na || nb) {
            return na.has_value();
        }
        return a < b;
    });
    return files;
}

std::string ShownText(std::string_view bytes) {
    std::string shown = Utf8OrLatin1(bytes);
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
        ' ');
    return shown;
}

std::string IsoDate(std::string_view stamp) {
    int parts[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const auto [end, error] =
            std::from_chars(stamp.data() + at, stamp.data() + stamp.size(), parts[i]);
        const std::size_t next = static_cast<std::size_t>(end - stamp.data());
        const bool lastPart = i == 2;
        if (error != std::errc() || next == at ||
            (lastPart ? next != stamp.size() : next >= stamp.size() || stamp[next] != ':')) {
            return ShownText(stamp); // not a date the program wrote: shown as it is
        }
        at = next + 1;
    }
    const int day = parts[0];
    const int month = parts[1];
    const int year = parts[2];
    if (day < 1 || day > 31 || month < 1 || month > 12 || year < 1 || year > 9999) {
        return ShownText(stamp);
    }
    char iso[11];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
    return iso;
}

std::string RecordLabel(const std::string& fileName) {
    const std::optional<std::uint64_t> number = RecordNumber(fileName);
    return number ? std::to_string(*number) : fileName;
}

nlohmann::json RecordNumberJson(const std::string& fileName) {
    const std::optional<std::uint64_t> number = RecordNumber(fileName);
    return number ? nlohmann::json(*number) : nlohmann::json();
}

std::optional<std::string> RecordFileOf(const std::string& target, const std::string& verb) {
    if (AllDigits(target)) {
        // Record numbers are written without leading zeros: "01" names the file "01.vnt", never
        // record 1. Any name counts here, a link leading nowhere too, so that such a name can be
        // cleared; a directory is no record.
        std::string fileName = target + ".vnt";
        const FileKind kind = KindOfFile(fileName, false);
        if (kind == FileKind::Missing || kind == FileKind::Directory) {
            Complain(NoRecordWords(target));
            return std::nullopt;
        }
        return fileName;
    }
    std::string fileName;
    std::string title;
    std::string date;
    try {
        if (FindRecordByUrl(target, fileName, title, date)) {
            return fileName;
        }
    } catch (const CFileException& failure) {
        Complain(failure.GetErrorMessage() + " Nothing " + verb + " for " + target + ".");
        return std::nullopt;
    }
    Complain(NoRecordWords(target));
    return std::nullopt;
}

std::string NoRecordWords(const std::string& target) {
    return AllDigits(target) ? "no record number " + target : "no record for " + target;
}
