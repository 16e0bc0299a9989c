#pragma once
// What one page fetch ended with; the job decides what to report for it.

#include <cstdint>
#include <optional>
#include <string>

struct FetchOutcome {
    enum class Kind { Received, BadStatus, TimedOut, InternetFailure };

    Kind kind = Kind::InternetFailure;
    std::string strPage;         // Received: the page text
    std::optional<int> nStatus;  // BadStatus: the status code, when one was read
    std::uint32_t nError = 0;    // InternetFailure: the internet layer's error number
    std::string strErrorMessage; // InternetFailure: what went wrong, for the user

    static FetchOutcome Received(std::string page);
    static FetchOutcome BadStatus(std::optional<int> status);
    static FetchOutcome TimedOut();
    static FetchOutcome InternetFailure(std::uint32_t error, std::string message);
};
