#include "records/ReloadedList.h"

#include "records/LineAddress.h"
#include "records/RecordRead.h"

#include <unordered_map>
#include <utility>

namespace {

constexpr std::string_view kStampName = "time.ini";

std::string_view RecordSuffix() {
    // "*.vnt" without its star.
    return std::string_view(kRecordFilePattern).substr(1);
}

std::string FoldedAddress(std::string_view line) {
    std::string key(AddressInLine(line));
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

} // namespace

bool NameShowsInWindow(std::string_view name) {
    if (name.empty() || name == kStampName) {
        return true;
    }
    return name.front() != '.' && name.size() > RecordSuffix().size() &&
           name.ends_with(RecordSuffix());
}

std::vector<std::string> ReloadedLines(const std::vector<std::string>& shown,
                                       std::vector<std::string> recordLines) {
    // How many records of each address are not yet stood for by a line.
    std::unordered_map<std::string, int> unclaimed;
    unclaimed.reserve(recordLines.size());
    for (const std::string& line : recordLines) {
        ++unclaimed[FoldedAddress(line)];
    }

    std::vector<std::string> lines;
    lines.reserve(recordLines.size() + shown.size());
    for (const std::string& line : shown) {
        const auto found = unclaimed.find(FoldedAddress(line));
        if (found != unclaimed.end() && found->second > 0) {
            --found->second;
            lines.push_back(line);
        } else if (!IsWebAddress(AddressInLine(line))) {
            lines.push_back(line);
        }
    }
    for (std::string& line : recordLines) {
        const auto found = unclaimed.find(FoldedAddress(line));
        if (found->second > 0) {
            --found->second;
            lines.push_back(std::move(line));
        }
    }
    return lines;
}
