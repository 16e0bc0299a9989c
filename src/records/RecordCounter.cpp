#include "records/RecordCounter.h"

#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <string>

namespace {

constexpr const char* kCounterFile = "name.ini";
constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();

// The first 100 bytes of the counter file, or none when it cannot be opened.
std::optional<std::string> ReadCounterText() {
    std::FILE* file = OpenFileForReading(kCounterFile);
    if (file == nullptr) {
        return std::nullopt;
    }
    char buffer[100];
    const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return std::string(buffer, count);
}

} // namespace

std::int64_t LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        const int digit = text[i] - '0';
        if (value > (kLargest - digit) / 10) {
            return negative ? std::numeric_limits<std::int64_t>::min() : kLargest;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<std::int64_t> NextNumberAfter(std::int64_t number) {
    if (number >= kLargest) {
        return std::nullopt;
    }
    return number + 1;
}

void StoreRecordCounter(std::int64_t number) {
    ReplaceFileContents(kCounterFile, std::to_string(number));
}

std::optional<std::int64_t> NextRecordNumber() {
    const std::optional<std::string> text = ReadCounterText();
    return NextNumberAfter(text ? LeadingInteger(*text) : 0);
}
