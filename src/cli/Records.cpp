// varnolt-cli add, list and remove: the window's Add URL, page list and Delete URL.

#include "cli/Cli.h"

#include "check/AddPage.h"
#include "check/AddRun.h"
#include "cli/Commands.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/FileException.h"
#include "platform/system/FileFind.h"
#include "platform/system/PageLimits.h"
#include "platform/system/StdioFile.h"
#include "records/Catalogue.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"
#include "records/RecordWriter.h"

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

// A lookup reads no more than this of each record, as the window's does.
constexpr std::size_t kHeadReadLimit = 1999;

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

// A valid UTF-8 text (no overlong forms, no surrogates, nothing past U+10FFFF)?
bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        std::uint32_t point = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            point = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            point = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            point = c & 0x07u;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0u) != 0x80u) {
                return false;
            }
            point = (point << 6) | (next & 0x3Fu);
        }
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) ||
            (length == 4 && (point < 0x10000 || point > 0x10FFFF))) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::vector<std::string> RecordFilesInOrder() {
    std::vector<std::string> files;
    CFileFind finder;
    bool more = finder.FindFile(kRecordFilePattern);
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
    int status = kExitSame;
    const SteadyMillisecondClock clock;
    // The pages come side by side, and are stored and reported in the order they were given.
    FetchPagesInOrder(urls, clock, CliDeadlineRule(options.timeoutSeconds),
                      TransferLimits{kAddFetchesAtOnce, kMostPerHost},
                      [&](std::size_t index, FetchOutcome outcome) {
                          const std::string& url = urls[index];
                          const PageAdd add = StoreFetchedPage(url, std::move(outcome));
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
    int status = kExitSame;
    for (const std::string& fileName : RecordFilesInOrder()) {
        std::string head;
        try {
            CStdioFile file(fileName, kRecordReadFlags);
            if (file.GetLength() > kLargestRecordBytes) {
                continue; // no record is that large
            }
            head.assign(kHeadReadLimit, '\0');
            head.resize(file.Read(head.data(), head.size()));
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
                  << '\t' << ShownText(fields.title) << '\n';
    }
    std::cout.flush();
    return status;
}

int RunRemove(const std::vector<std::string>& targets) {
    int status = kExitSame;
    for (const std::string& target : targets) {
        std::string fileName;
        if (AllDigits(target)) {
            const std::optional<std::uint64_t> number = RecordNumber(target + ".vnt");
            fileName = number ? std::to_string(*number) + ".vnt" : target + ".vnt";
            std::error_code unknown;
            if (!std::filesystem::is_regular_file(fileName, unknown)) {
                Complain("no record number " + target);
                status = kExitTrouble;
                continue;
            }
        } else {
            std::string title;
            std::string date;
            bool found = false;
            try {
                found = FindRecordByUrl(target, fileName, title, date);
            } catch (const CFileException& failure) {
                Complain(failure.GetErrorMessage() + " No record removed for " + target + ".");
                status = kExitTrouble;
                continue;
            }
            if (!found) {
                Complain("no record for " + target);
                status = kExitTrouble;
                continue;
            }
        }
        const int error = RemoveFileUnlessHeld(fileName);
        if (error == EWOULDBLOCK) {
            Complain(fileName + " is held open by another program (a check running?); not removed");
            status = kExitTrouble;
        } else if (error != 0 && error != ENOENT) {
            Complain("cannot remove " + fileName + ": " + SystemErrorText(error));
            status = kExitTrouble;
        }
    }
    return status;
}
