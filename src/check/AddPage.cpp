#include "check/AddPage.h"

#include "check/CheckPage.h"
#include "check/CopyValidation.h"
#include "check/RuledPage.h"
#include "records/CopyValidators.h"
#include "records/RecordFiles.h"
#include "records/RecordWriter.h"

#include <utility>

PageAdd StoreFetchedPage(const std::string& url, FetchOutcome outcome, const PageRules& rules) {
    PageAdd add;
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received: {
        if (const std::string refusal = RulesRefusedFor(rules, outcome.strPage); !refusal.empty()) {
            add.result = PageAdd::Result::Failed;
            add.reason = "The page " + url + " was not stored: " + refusal + ".";
            break;
        }
        // The copy's key is worked out before the page is handed to the record.
        const std::string copyKey = outcome.validators.Empty()
                                        ? std::string()
                                        : CopyKey(url, outcome.strPage, RulesFileText(rules));
        if (const int error = WriteNewRecord(url, std::move(outcome.strPage), &add.recordFileName);
            error != 0) {
            add.result = PageAdd::Result::Failed;
            add.reason = StoreFailureMessage(url, error);
            break;
        }
        if (const int error = WriteRecordRules(add.recordFileName, rules); error != 0) {
            // A page is stored with its rules or not at all.
            RemoveRecord(add.recordFileName);
            add.result = PageAdd::Result::Failed;
            add.reason = StoreFailureMessage(url, error);
            break;
        }
        KeepCopyValidators(add.recordFileName, copyKey, outcome.validators);
        add.result = PageAdd::Result::Stored;
        add.line = url;
        break;
    }
    case FetchOutcome::Kind::BadStatus:
        if (outcome.nStatus == 404) {
            add.result = PageAdd::Result::NotFound;
            add.line = "File Not Found";
        } else {
            add.result = PageAdd::Result::BadStatus;
            add.status = outcome.nStatus;
        }
        break;
    case FetchOutcome::Kind::NotModified:
        // An add sends no validators, so this is a 304 it never asked for.
        add.result = PageAdd::Result::BadStatus;
        add.status = 304;
        break;
    case FetchOutcome::Kind::TimedOut:
        add.result = PageAdd::Result::TimedOut;
        add.line = "Time Out";
        break;
    case FetchOutcome::Kind::InternetFailure:
        add.result = PageAdd::Result::Failed;
        add.reason = std::move(outcome.strErrorMessage);
        break;
    }
    return add;
}
