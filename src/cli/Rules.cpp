// varnolt-cli rules and show: setting what a page's checks compare, and seeing it.

#include "check/RuledPage.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "fetch/PageFetch.h"
#include "records/PageRules.h"
#include "records/RecordRead.h"
#include "records/RecordWriter.h"

#include <iostream>

namespace {

void PrintRules(const PageRules& rules) {
    for (const std::string& option : RuleOptions(rules)) {
        std::cout << option << '\n';
    }
    std::cout.flush();
}

} // namespace

int RunRules(const std::string& target, const RulesChange& change) {
    const std::optional<std::string> fileName = RecordFileOf(target, "changed");
    if (!fileName) {
        return kExitTrouble;
    }
    if (!change.clear && !change.rules) {
        const RulesReading reading = ReadRecordRules(*fileName);
        if (!reading.failure.empty()) {
            Complain(reading.failure);
            return kExitTrouble;
        }
        PrintRules(reading.rules);
        return kExitSame;
    }
    const PageRules rules = change.clear ? PageRules{} : *change.rules;
    if (const std::string error = RulesError(rules); !error.empty()) {
        Complain(error + "; the rules of " + *fileName + " are left as they were");
        return kExitTrouble;
    }
    if (const int error = WriteRecordRules(*fileName, rules); error != 0) {
        Complain("the rules of " + *fileName +
                 " could not be stored: " + RecordWriteFailureText(error));
        return kExitTrouble;
    }
    PrintRules(rules);
    return kExitSame;
}

int RunShow(const std::string& target, bool raw, bool fetch) {
    const std::optional<std::string> fileName = RecordFileOf(target, "shown");
    if (!fileName) {
        return kExitTrouble;
    }
    RecordReading<StoredRecord> record = ReadRecordForCheck(*fileName);
    if (!record.value) {
        Complain(record.Failed() ? record.failure : *fileName + " is no record");
        return kExitTrouble;
    }
    const std::string url(record.value->fields.url);
    std::string page = TakeStoredPage(std::move(*record.value));
    if (fetch) {
        FetchOutcome fetched = PageFetch(url);
        if (fetched.kind != FetchOutcome::Kind::Received) {
            Complain(
                "the page " + url + " could not be fetched" +
                (fetched.strErrorMessage.empty() ? std::string() : ": " + fetched.strErrorMessage));
            return kExitTrouble;
        }
        page = std::move(fetched.strPage);
    }
    if (raw) {
        std::cout << page;
        std::cout.flush();
        return kExitSame;
    }
    const RulesReading rules = ReadRecordRules(*fileName);
    if (!rules.failure.empty()) {
        Complain(rules.failure);
        return kExitTrouble;
    }
    const RuledPage seen = ApplyRules(rules.rules, page);
    if (!seen.failure.empty()) {
        Complain(seen.failure);
        return kExitTrouble;
    }
    std::cout << seen.text;
    if (!seen.text.empty() && seen.text.back() != '\n') {
        std::cout << '\n';
    }
    std::cout.flush();
    return kExitSame;
}
