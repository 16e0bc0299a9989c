#pragma once
// Many page transfers at once on one curl multi handle, driven by the thread that owns the
// engine (no thread per page). Requests are opened with the handle calls of WinInet.h exactly
// as for a single fetch (HttpOpenRequestA, HttpAddRequestHeadersA) and handed to Add instead of
// HttpSendRequestA; each transfer is then set up by PageTransfer, as a single fetch is, so both
// send the same bytes. At most `maxTotal` transfers run at once and at most `maxPerHost` to one
// host name; the rest wait in the order they were added.
//
//     TransferEngine engine({8, 6});
//     const TransferId id = engine.Add(hRequest);   // the handle may be closed right after
//     while (engine.Unfinished() > 0) {
//         engine.Wait(std::chrono::milliseconds(100));
//         for (TransferResult& result : engine.TakeFinished()) ...
//     }
//
// A transfer that answers with a status other than 200 ends as soon as its head is in: its body
// is not read. The transfers share the multi handle's connections: a host's connection is used
// again by the next transfer to it (HTTP/2 streams share one where a TLS server offers it). Not
// thread-safe: one thread adds, waits, takes and abandons.

#include "platform/inet/WinInet.h"
#include "platform/system/PageLimits.h"
#include "platform/system/PageValidators.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using TransferId = std::uint64_t;

struct TransferLimits {
    int maxTotal = kWindowFetchesAtOnce; // transfers running at once
    int maxPerHost = kMostPerHost;       // transfers running at once to one host name
};

// How far a transfer has come, for a caller that times or shows it.
struct TransferProgress {
    bool running = false;       // started (not waiting for a free place) and not finished
    bool answered = false;      // the answer's head (or, without one, its first byte) is in
    std::int64_t bodyBytes = 0; // body bytes received so far
    // Reads of 1024 bytes a single fetch would have begun by now: one per whole 1024 bytes
    // received, plus the one waiting for more, once the answer is in.
    std::int64_t readsBegun = 0;
    // Held at its body allowance (SetBodyAllowance): receiving nothing, and not idle either.
    bool paused = false;
    // When the transfer last received anything (head or body); its start while nothing came.
    std::chrono::steady_clock::time_point lastData;
};

struct TransferResult {
    TransferId id = 0;
    // An answer arrived (a head, or a body without status line) before the transfer ended.
    bool answered = false;
    int status = 0; // the final answer's status code; 0 when it had no status line
    // The transfer failed: before any answer, or (status 200) while the body was coming.
    bool failed = false;
    DWORD error = 0;           // the layer's error number for the failure
    std::string detail;        // the transfer library's own words for it
    std::string body;          // status 200 and not failed: the whole body, decoded, byte for byte
    PageValidators validators; // what the final answer said identifies its copy
};

class TransferEngine {
public:
    explicit TransferEngine(TransferLimits limits = {});
    ~TransferEngine(); // abandons every transfer
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // Takes a copy of an opened, unsent request and queues its transfer. Yields its id, or 0
    // with InternetGetLastError set (an unknown handle, a request already sent, no memory). A
    // request that cannot be made at all (a host under ".invalid") is added and finishes at
    // the next Wait with its failure.
    TransferId Add(HINTERNET hRequest);

    // Drives the transfers for up to `timeout`, returning early as soon as at least one has
    // finished since the last TakeFinished. Yields how many finished ones wait to be taken.
    std::size_t Wait(std::chrono::milliseconds timeout);
    // The finished transfers in the order they finished, each handed out once.
    std::vector<TransferResult> TakeFinished();

    // Ends a transfer (waiting, running or finished and not yet taken) without a result; its
    // connection is closed. Unknown ids are ignored.
    void Abandon(TransferId id);
    // The most body bytes the transfer may hold: once its body would grow past them it pauses
    // (its connection stays open, the server's data waits) until the allowance is raised.
    // Unlimited by default. A paused transfer counts as neither idle nor stalled.
    void SetBodyAllowance(TransferId id, std::int64_t bytes);
    // Progress of a transfer that is waiting or running; none once it has finished.
    std::optional<TransferProgress> Progress(TransferId id) const;

    // Transfers added and not yet finished (waiting or running).
    std::size_t Unfinished() const { return m_entries.size() - m_finished.size(); }
    std::size_t Running() const { return m_running; }

private:
    struct Entry;
    static std::size_t OnBody(void* owner, const char* data, std::size_t bytes);
    static bool ReserveAnnounced(Entry& entry);

    void StartWaiting();
    void Finish(Entry& entry);
    void Release(Entry& entry);
    void CollectDone();
    std::chrono::milliseconds CheckIdle();

    TransferLimits m_limits;
    void* m_multi = nullptr; // CURLM*, kept out of this header
    TransferId m_lastId = 0;
    std::map<TransferId, std::unique_ptr<Entry>> m_entries;
    std::vector<TransferId> m_waiting;  // in the order added
    std::vector<TransferId> m_finished; // in the order finished
    std::map<std::string, int> m_perHost;
    std::size_t m_running = 0;
    std::chrono::steady_clock::time_point m_waitBegan;
};
