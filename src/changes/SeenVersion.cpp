#include "changes/SeenVersion.h"

#include "check/RuledPage.h"

#include <utility>

SeenVersionText SeenTextOf(RecordReading<StoredRecord> read, const PageRules& rules) {
    SeenVersionText seen;
    if (!read.value) {
        seen.failure = std::move(read.failure);
        return seen;
    }
    std::string stored = TakeStoredPage(std::move(*read.value));
    if (rules.Empty()) {
        seen.text = std::move(stored);
        return seen;
    }
    RuledPage ruled = ApplyRules(rules, stored);
    if (!ruled.failure.empty()) {
        seen.failure = std::move(ruled.failure);
        seen.rulesFailed = true;
        return seen;
    }
    seen.text = std::move(ruled.text);
    return seen;
}
