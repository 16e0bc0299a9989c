// The versions of one page as the log and diff verbs show them: what the comparison sees of each.

#include "changes/SeenVersion.h"
#include "cli/Commands.h"
#include "records/RecordRead.h"

std::optional<PageVersions> VersionsOf(const std::string& target, const std::string& verb) {
    const std::optional<std::string> fileName = RecordFileOf(target, verb);
    if (!fileName) {
        return std::nullopt;
    }
    PageVersions page;
    page.fileName = *fileName;
    RecordReading<std::string> url = ReadRecordUrl(page.fileName);
    if (!url.value) {
        Complain(url.Failed() ? url.failure : page.fileName + " is no record");
        return std::nullopt;
    }
    page.url = std::move(*url.value);
    RulesReading rules = ReadRecordRules(page.fileName);
    if (!rules.failure.empty()) {
        Complain(rules.failure);
        return std::nullopt;
    }
    page.rules = std::move(rules.rules);
    RecordReading<std::vector<PageVersion>> versions = ListPageVersions(page.fileName);
    if (!versions.value || versions.value->empty()) {
        Complain(versions.Failed() ? versions.failure : page.fileName + " is gone");
        return std::nullopt;
    }
    page.versions = std::move(*versions.value);
    return page;
}

std::optional<std::string> SeenVersion(const PageVersions& page, const PageVersion& version) {
    SeenVersionText seen = SeenTextOf(ReadPageVersion(version), page.rules);
    if (seen.rulesFailed) {
        // A copy kept from before the rules were set may lack what they select: said, not hidden.
        Complain("version " + std::to_string(version.number) + ": " + seen.failure);
        return std::nullopt;
    }
    if (!seen.text) {
        Complain("version " + std::to_string(version.number) + " cannot be read" +
                 (seen.failure.empty() ? std::string() : ": " + seen.failure));
        return std::nullopt;
    }
    return std::move(*seen.text);
}
