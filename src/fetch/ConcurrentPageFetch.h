#pragma once
// Page fetches run side by side on the layer's transfer engine, driven by the calling thread.
// Each fetch sends the single fetch's request (OpenPageRequest) and ends with the FetchOutcome the
// single fetch would give: the same page text (its 1024-byte reads kept up to their first zero
// byte), the same statuses, the same error numbers and message texts. With a read time-out set,
// a page whose body has received nothing for that long ends as TimedOut, as the single fetch
// ends when one read takes 270 of the window's ticks (the layer's own connect and idle
// time-outs always apply as well).

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

    // The longest a page's body may receive nothing once its answer is in; none by default.
    void SetReadTimeOut(std::chrono::milliseconds timeOut) { m_readTimeOut = timeOut; }

    // Starts (or queues) the fetch of a URL. A URL that cannot even be requested finishes at
    // once with its InternetFailure, handed out by the next Wait.
    FetchId Add(const std::string& strUrl);
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
    std::map<FetchId, std::string> m_urls;
    std::vector<FinishedFetch> m_failedAtOnce;
    FetchId m_lastOwnId = 0;
    std::optional<std::chrono::milliseconds> m_readTimeOut;
};

// The window's read time-out: 270 ticks of 100 ms.
inline constexpr std::chrono::milliseconds kWindowReadTimeOut{27000};

// The outcome of a transfer of the given URL, as the single fetch would report it.
FetchOutcome OutcomeOfTransfer(const std::string& strUrl, TransferResult result);
