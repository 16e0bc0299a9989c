#include "check/RecordRules.h"

#include "records/RecordRead.h"

#include <utility>

std::string RulesRefusedForRecord(const std::string& recordFileName, const PageRules& rules) {
    if (rules.Empty()) {
        return {};
    }
    StoredPageReading stored = ReadStoredPage(recordFileName);
    if (!stored.failure.empty()) {
        return stored.failure;
    }
    return RulesRefusedFor(rules, stored.page);
}

StoredPageReading ReadStoredPage(const std::string& recordFileName) {
    RecordReading<StoredRecord> record = ReadRecordForCheck(recordFileName);
    if (!record.value) {
        return {{}, record.Failed() ? record.failure : recordFileName + " is no record"};
    }
    return {TakeStoredPage(std::move(*record.value)), {}};
}

BoundedText BoundText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return {std::string(text), false, text.size()};
    }
    // Back off over continuation bytes, so that no character is split.
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return {std::string(text.substr(0, end)), true, text.size()};
}
