#include "check/CheckPage.h"

#include "records/RecordWriter.h"
#include "records/TextCase.h"

#include <utility>

PageCheck CheckFetchedPage(const std::string& url, const std::string& recordFileName,
                           const std::string& storedPage, FetchOutcome outcome) {
    PageCheck check;
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received:
        if (EqualsIgnoringCase(outcome.strPage, storedPage)) {
            check.result = PageCheck::Result::Same;
            check.line = url;
        } else {
            check.result = PageCheck::Result::Changed;
            check.line = "UPDATE " + url;
            RewriteRecord(url, std::move(outcome.strPage), recordFileName);
        }
        break;
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
