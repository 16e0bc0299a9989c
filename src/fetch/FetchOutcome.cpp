#include "fetch/FetchOutcome.h"

#include <utility>

FetchOutcome FetchOutcome::Received(std::string page) {
    FetchOutcome outcome;
    outcome.kind = Kind::Received;
    outcome.strPage = std::move(page);
    return outcome;
}

FetchOutcome FetchOutcome::BadStatus(std::optional<int> status) {
    FetchOutcome outcome;
    outcome.kind = Kind::BadStatus;
    outcome.nStatus = status;
    return outcome;
}

FetchOutcome FetchOutcome::TimedOut() {
    FetchOutcome outcome;
    outcome.kind = Kind::TimedOut;
    return outcome;
}

FetchOutcome FetchOutcome::InternetFailure(std::uint32_t error, std::string message) {
    FetchOutcome outcome;
    outcome.kind = Kind::InternetFailure;
    outcome.nError = error;
    outcome.strErrorMessage = std::move(message);
    return outcome;
}

FetchOutcome FetchOutcome::NotModified() {
    FetchOutcome outcome;
    outcome.kind = Kind::NotModified;
    return outcome;
}
