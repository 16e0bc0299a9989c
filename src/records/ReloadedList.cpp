#include "records/ReloadedList.h"

#include "records/LineAddress.h"
#include "records/RecordRead.h"
#include "records/TextCase.h"

#include <cstddef>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::string_view kStampName = "time.ini";

std::string_view RecordSuffix() {
    // "*.vnt" without its star.
    return std::string_view(kRecordFilePattern).substr(1);
}

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Hashes an address as EqualsIgnoringCase compares it, without a folded copy.
struct FoldedHash {
    std::size_t operator()(std::string_view text) const {
        std::size_t hash = 1469598103934665603ULL;
        for (const char c : text) {
            hash = (hash ^ static_cast<unsigned char>(Folded(c))) * 1099511628211ULL;
        }
        return hash;
    }
};
struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const {
        return EqualsIgnoringCase(a, b);
    }
};

} // namespace

bool NameShowsInWindow(std::string_view name) {
    if (name.empty() || name == kStampName) {
        return true;
    }
    return name.front() != '.' && name.size() > RecordSuffix().size() &&
           name.ends_with(RecordSuffix());
}

std::vector<std::string> ReloadedLines(std::vector<std::string> shown,
                                       std::vector<std::string> recordLines) {
    // A line that is its address alone says nothing a record line does not: the record's own line
    // replaces it. Only lines with a word before the address (a check's report) are matched,
    // which keeps the common reload free of any lookup.
    std::vector<std::string> lines;
    lines.reserve(recordLines.size());
    std::unordered_multimap<std::string_view, std::size_t, FoldedHash, FoldedEqual> reported;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::string_view address = AddressInLine(shown[i]);
        if (!IsWebAddress(address)) {
            lines.push_back(std::move(shown[i])); // names no page
        } else if (address.size() != shown[i].size()) {
            reported.emplace(address, i);
        }
    }
    for (std::string& line : recordLines) {
        if (!reported.empty()) {
            if (const auto found = reported.find(AddressInLine(line)); found != reported.end()) {
                // The key points into the shown line: it goes from the map before the line moves.
                const std::size_t index = found->second;
                reported.erase(found);
                lines.push_back(std::move(shown[index]));
                continue;
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
