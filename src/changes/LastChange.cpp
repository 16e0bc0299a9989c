#include "changes/LastChange.h"

#include "changes/SeenVersion.h"
#include "platform/system/LocalTime.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"

#include <optional>
#include <utility>

namespace {

// A version as the comparison sees it; the failure (naming the version) instead when it could
// not be read or its rules cannot be applied.
std::optional<ReportVersion> SeenVersion(RecordReading<StoredRecord> read,
                                         const PageVersion& version, const PageRules& rules,
                                         const char* which, std::string& failure) {
    SeenVersionText seen = SeenTextOf(std::move(read), rules);
    if (seen.rulesFailed) {
        failure = std::string("on the ") + which + " version, " + seen.failure;
        return std::nullopt;
    }
    if (!seen.text) {
        failure = std::string("the ") + which + " version cannot be read" +
                  (seen.failure.empty() ? std::string() : ": " + seen.failure);
        return std::nullopt;
    }
    return ReportVersion{LocalDateTimeText(version.storedAt), std::move(*seen.text)};
}

} // namespace

PageChange ReadLastChange(const std::string& recordFileName) {
    PageChange change;
    change.url = recordFileName; // until the record names its address
    const RecordReading<std::vector<PageVersion>> versions = ListPageVersions(recordFileName);
    if (!versions.value || versions.value->empty()) {
        change.failure = versions.Failed() ? versions.failure : recordFileName + " is no record";
        return change;
    }
    const RulesReading rules = ReadRecordRules(recordFileName);
    RecordReading<StoredRecord> newest = ReadPageVersion(versions.value->front());
    if (newest.value) {
        change.title = std::string(newest.value->fields.title);
        change.url = std::string(newest.value->fields.url);
    }
    if (!rules.failure.empty()) {
        change.failure = rules.failure;
        return change;
    }
    std::optional<ReportVersion> after = SeenVersion(std::move(newest), versions.value->front(),
                                                     rules.rules, "newest", change.failure);
    if (!after) {
        return change;
    }
    change.after = std::move(*after);
    if (versions.value->size() > 1) {
        const PageVersion& earlier = (*versions.value)[1];
        change.before =
            SeenVersion(ReadPageVersion(earlier), earlier, rules.rules, "earlier", change.failure);
    }
    return change;
}
