#include "check/RecordComparison.h"

#include "platform/system/RecordsFolder.h"
#include "records/SeenCopy.h"

#include <optional>

PageComparison CompareWithRecord(const std::string& recordFileName, const PageRules& rules,
                                 std::string_view stored, std::string_view fresh,
                                 const RuleDeadline& deadline) {
    if (rules.Empty()) {
        return ComparePages(rules, stored, fresh);
    }
    const std::string engine = RulesEngineName();
    const std::string rulesText = RulesFileText(rules);
    const std::string storedKey = SeenCopyKey(engine, rulesText, stored);
    std::optional<std::string> kept = ReadSeenCopy(recordFileName, storedKey);
    const bool wasKept = kept.has_value();
    PageComparison comparison = ComparePages(rules, stored, fresh, std::move(kept), deadline);
    if (!comparison.failure.empty() ||
        KindOfFile(recordFileName, /*followLinks=*/true) == FileKind::Missing) {
        return comparison; // nothing to keep, or no record (removed meanwhile) to keep it for
    }
    // A seen copy that cannot be written costs the next check a reading, nothing more.
    if (!comparison.same) {
        WriteSeenCopy(recordFileName, SeenCopyKey(engine, rulesText, fresh), comparison.seenNow);
    } else if (!wasKept) {
        WriteSeenCopy(recordFileName, storedKey,
                      stored == fresh ? comparison.seenNow : comparison.seenBefore);
    }
    return comparison;
}
