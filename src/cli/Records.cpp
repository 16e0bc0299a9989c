// varnolt-cli add, list and remove: the window's Add URL, page list and Delete URL.

#include "cli/Cli.h"

#include "check/AddPage.h"
#include "check/AddRun.h"
#include "check/RuledPage.h"
#include "cli/Commands.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileException.h"
#include "platform/system/FileFind.h"
#include "platform/system/PageLimits.h"
#include "platform/system/StdioFile.h"
#include "records/Catalogue.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"
#include "records/RecordWriter.h"
#include "records/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>

namespace {

// Pages of one add fetched at once (at most kMostPerHost from one host).
constexpr int kAddFetchesAtOnce = 20;

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
    std::string shown;
    if (IsUtf8(bytes)) {
        shown.assign(bytes);
    } else {
        for (const char byte : bytes) {
            const auto c = static_cast<unsigned char>(byte);
            if (c < 0x80) {
                shown += byte;
            } else {
                shown += static_cast<char>(0xC0 | (c >> 6));
                shown += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
        ' ');
    return shown;
}

int RunAdd(const std::vector<std::string>& urls, const AddOptions& options) {
    if (const std::string error = RulesError(options.rules); !error.empty()) {
        Complain(error + "; nothing added");
        return kExitTrouble;
    }
    int status = kExitSame;
    const SteadyMillisecondClock clock;
    // The pages come side by side, and are stored and reported in the order they were given.
    FetchPagesInOrder(urls, clock, CliDeadlineRule(options.timeoutSeconds),
                      TransferLimits{kAddFetchesAtOnce, kMostPerHost},
                      [&](std::size_t index, FetchOutcome outcome) {
                          const std::string& url = urls[index];
                          const PageAdd add =
                              StoreFetchedPage(url, std::move(outcome), options.rules);
                          switch (add.result) {
                          case PageAdd::Result::Stored:
                              std::cout << url << '\n';
                              break;
                          case PageAdd::Result::NotFound:
                              std::cout << "File Not Found " << url << '\n';
                              status = kExitTrouble;
                              break;
                          case PageAdd::Result::BadStatus:
                              std::cout << "Page Error " << url << '\n';
                              status = kExitTrouble;
                              break;
                          case PageAdd::Result::TimedOut:
                              std::cout << "Time Out " << url << '\n';
                              status = kExitTrouble;
                              break;
                          case PageAdd::Result::Failed:
                              std::cout.flush();
                              std::cerr << add.reason << '\n';
                              status = kExitTrouble;
                              break;
                          }
                          std::cout.flush();
                      });
    return status;
}

int RunList() {
    bool folderReadable = false;
    const std::vector<std::string> files = RecordFilesInOrder(folderReadable);
    int status = folderReadable ? kExitSame : kExitTrouble;
    for (const std::string& fileName : files) {
        std::string head;
        try {
            CStdioFile file(fileName, kRecordReadFlags);
            if (file.GetLength() > kLargestRecordBytes) {
                continue; // no record is that large
            }
            head = ReadRecordHead(file);
            file.Close();
        } catch (const CFileException& failure) {
            if (failure.m_cause == CFileException::fileNotFound || IsNoRecordFile(failure)) {
                continue; // removed meanwhile, or no regular file
            }
            Complain(failure.GetErrorMessage());
            status = kExitTrouble;
            continue;
        }
        // As the page list: a file whose first line holds no "|" is no record.
        if (!LooksLikeRecord(head)) {
            continue;
        }
        const RecordFields fields = SplitRecord(head);
        const std::string number = fileName.substr(0, fileName.size() - 4);
        std::cout << number << '\t' << ShownText(fields.date) << '\t' << ShownText(fields.url)
                  << '\t' << ShownText(fields.title);
        // A page with rules says so in a fifth field.
        std::error_code unknown;
        if (std::filesystem::exists(RulesFileName(fileName), unknown)) {
            std::cout << "\trules";
        }
        std::cout << '\n';
    }
    std::cout.flush();
    return status;
}

std::optional<std::string> RecordFileOf(const std::string& target, const std::string& verb) {
    if (AllDigits(target)) {
        // Record numbers are written without leading zeros: "01" names the file "01.vnt", never
        // record 1. Any name counts here, a link leading nowhere too, so that such a name can be
        // cleared; a directory is no record.
        std::string fileName = target + ".vnt";
        std::error_code unknown;
        const std::filesystem::file_type kind =
            std::filesystem::symlink_status(fileName, unknown).type();
        if (kind == std::filesystem::file_type::not_found ||
            kind == std::filesystem::file_type::directory) {
            Complain("no record number " + target);
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
    Complain("no record for " + target);
    return std::nullopt;
}

int RunRemove(const std::vector<std::string>& targets) {
    int status = kExitSame;
    for (const std::string& target : targets) {
        const std::optional<std::string> fileName = RecordFileOf(target, "removed");
        if (!fileName) {
            status = kExitTrouble;
            continue;
        }
        const int error = RemoveRecord(*fileName);
        if (error == EWOULDBLOCK) {
            Complain(*fileName +
                     " is held open by another program (a check running?); not removed");
            status = kExitTrouble;
        } else if (error != 0 && error != ENOENT) {
            Complain("cannot remove " + *fileName + ": " + SystemErrorText(error));
            status = kExitTrouble;
        }
    }
    return status;
}
