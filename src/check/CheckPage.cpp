#include "check/CheckPage.h"

#include "check/RuledPage.h"
#include "records/PageRules.h"
#include "records/RecordWriter.h"

#include <utility>

PageCheck CheckFetchedPage(const std::string& url, const std::string& recordFileName,
                           const std::string& storedPage, const FileIdentity& storedFile,
                           FetchOutcome outcome) {
    PageCheck check;
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received: {
        const RulesReading rules = ReadRecordRules(recordFileName);
        PageComparison comparison = rules.failure.empty()
                                        ? ComparePages(rules.rules, storedPage, outcome.strPage)
                                        : PageComparison{false, rules.failure, {}, {}};
        if (!comparison.failure.empty()) {
            check.result = PageCheck::Result::Failed;
            check.line = "Error " + url;
            check.reason = "The page " + url + " was not compared: " + comparison.failure + ".";
            check.rulesFailed = true;
            break;
        }
        if (comparison.same) {
            check.result = PageCheck::Result::Same;
            check.line = url;
            break;
        }
        if (const int error =
                RewriteRecord(url, std::move(outcome.strPage), recordFileName, storedFile);
            error != 0 && error != kReadOnlyRecord && error != kRecordHeld &&
            error != kRecordGone) {
            check.result = PageCheck::Result::Failed;
            check.line = "Error " + url;
            check.reason = StoreFailureMessage(url, error);
            check.writeFailed = true;
            break;
        }
        check.result = PageCheck::Result::Changed;
        check.line = "UPDATE " + url;
        check.ruled = !rules.rules.Empty();
        check.seenBefore = std::move(comparison.seenBefore);
        check.seenNow = std::move(comparison.seenNow);
        break;
    }
    case FetchOutcome::Kind::BadStatus:
        check.result = PageCheck::Result::PageError;
        check.line = "Page Error " + url;
        break;
    case FetchOutcome::Kind::TimedOut:
        check.result = PageCheck::Result::TimedOut;
        check.line = "Time Out";
        break;
    case FetchOutcome::Kind::InternetFailure:
        check.result = PageCheck::Result::Failed;
        check.line = "Error " + url;
        check.reason = std::move(outcome.strErrorMessage);
        break;
    }
    return check;
}

PageCheck RecordReadFailure(const std::string& name, std::string reason) {
    PageCheck check;
    check.result = PageCheck::Result::Failed;
    check.line = "Error " + name;
    check.reason = std::move(reason);
    check.readFailed = true;
    return check;
}

std::string StoreFailureMessage(const std::string& url, int error) {
    return "The page " + url + " could not be stored: " + RecordWriteFailureText(error) + ".";
}
