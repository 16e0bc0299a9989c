#pragma once
// Page fetches run side by side on the layer's transfer engine, driven by the calling thread.
// Each fetch sends the single fetch's request (OpenPageRequest) and ends with the FetchOutcome the
// single fetch would give: the same page text (its 1024-byte reads kept up to their first zero
// byte), the same statuses, the same error numbers and message texts. Only the layer's own
// connect and idle time-outs apply here; the read time-out and the overall deadline of a check
// or an add are kept by TimedFetches (src/check) on the caller's clock.

#include "fetch/FetchOutcome.h"
#include "platform/inet/TransferEngine.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using FetchId = TransferId;

struct FinishedFetch {
    FetchId id = 0;
    FetchOutcome outcome;
};

class ConcurrentPageFetch {
public:
    explicit ConcurrentPageFetch(TransferLimits limits = {});

    // Starts (or queues) the fetch of a URL. A URL that cannot even be requested finishes at
    // once with its InternetFailure, handed out by the next Wait.
    // With validators of a copy the caller holds, the request carries them, and a 304 answer
    // ends the fetch as NotModified.
    FetchId Add(const std::string& strUrl, const PageValidators& validators = {});
    // Drives the fetches for up to `timeout`, returning as soon as one or more have finished;
    // yields those, in the order they finished (possibly none).
    std::vector<FinishedFetch> Wait(std::chrono::milliseconds timeout);
    // Ends a fetch without an outcome.
    void Abandon(FetchId id);
    std::optional<TransferProgress> Progress(FetchId id) const;
    // See TransferEngine::SetBodyAllowance.
    void SetBodyAllowance(FetchId id, std::int64_t bytes) { m_engine.SetBodyAllowance(id, bytes); }
    // Fetches added whose outcome has not been handed out yet.
    std::size_t Unfinished() const { return m_urls.size(); }
    std::size_t Running() const { return m_engine.Running(); }

private:
    TransferEngine m_engine;
    struct Sent {
        std::string url;
        bool validated = false; // the request carried validators
    };
    std::map<FetchId, Sent> m_urls;
    std::vector<FinishedFetch> m_failedAtOnce;
    FetchId m_lastOwnId = 0;
};

// The outcome of a transfer of the given URL, as the single fetch would report it; a 304 is
// NotModified only when the request carried validators.
FetchOutcome OutcomeOfTransfer(const std::string& strUrl, TransferResult result,
                               bool validated = false);
