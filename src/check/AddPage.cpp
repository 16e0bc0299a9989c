#include "check/AddPage.h"

#include "check/CheckPage.h"
#include "records/RecordWriter.h"

#include <utility>

PageAdd StoreFetchedPage(const std::string& url, FetchOutcome outcome) {
    PageAdd add;
    switch (outcome.kind) {
    case FetchOutcome::Kind::Received:
        if (const int error = WriteNewRecord(url, std::move(outcome.strPage)); error != 0) {
            add.result = PageAdd::Result::Failed;
            add.reason = StoreFailureMessage(url, error);
            break;
        }
        add.result = PageAdd::Result::Stored;
        add.line = url;
        break;
    case FetchOutcome::Kind::BadStatus:
        if (outcome.nStatus == 404) {
            add.result = PageAdd::Result::NotFound;
            add.line = "File Not Found";
        } else {
            add.result = PageAdd::Result::BadStatus;
        }
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
