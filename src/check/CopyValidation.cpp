#include "check/CopyValidation.h"

#include "records/CopyValidators.h"
#include "records/PageRules.h"

std::string RecordCopyKey(const std::string& recordFileName, std::string_view url,
                          std::string_view page) {
    const RulesReading rules = ReadRecordRules(recordFileName);
    if (!rules.failure.empty()) {
        return {};
    }
    return CopyKey(url, page, RulesFileText(rules.rules));
}

void KeepCopyValidators(const std::string& recordFileName, const std::string& copyKey,
                        const PageValidators& validators) {
    const std::optional<KeptValidators> kept = ReadCopyValidators(recordFileName);
    if (kept && kept->copyKey == copyKey && kept->validators == validators) {
        return;
    }
    static_cast<void>(WriteCopyValidators(recordFileName, copyKey, validators));
}
