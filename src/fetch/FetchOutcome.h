#pragma once
// What one page fetch ended with; the job decides what to report for it.

#include "platform/system/PageValidators.h"

#include <cstdint>
#include <optional>
#include <string>

struct FetchOutcome {
    // NotModified: the server answered 304 to a request that carried validators, so the page is
    // the copy they came with; no body was fetched. (A 304 to a request without them is a
    // BadStatus like any other.)
    enum class Kind { Received, BadStatus, TimedOut, InternetFailure, NotModified };

    Kind kind = Kind::InternetFailure;
    std::string strPage;         // Received: the page text
    PageValidators validators;   // Received: what the answer said identifies this copy
    std::optional<int> nStatus;  // BadStatus: the status code, when one was read
    std::uint32_t nError = 0;    // InternetFailure: the internet layer's error number
    std::string strErrorMessage; // InternetFailure: what went wrong, for the user

    static FetchOutcome Received(std::string page);
    static FetchOutcome BadStatus(std::optional<int> status);
    static FetchOutcome TimedOut();
    static FetchOutcome InternetFailure(std::uint32_t error, std::string message);
    static FetchOutcome NotModified();
};
