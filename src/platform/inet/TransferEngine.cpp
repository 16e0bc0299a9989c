#include "platform/inet/TransferEngine.h"

#include "platform/inet/HttpRequest.h"
#include "platform/inet/InternetErrors.h"
#include "platform/inet/InternetHandle.h"
#include "platform/inet/PageTransfer.h"
#include "platform/system/PageLimits.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <mutex>
#include <new>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kLongestPoll(1000);

CURLM* Multi(void* multi) {
    return static_cast<CURLM*>(multi);
}

std::string HostKey(std::string host) {
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

} // namespace

struct TransferEngine::Entry {
    TransferId id = 0;
    std::string hostKey;
    std::unique_ptr<PageTransfer> transfer;
    std::string body;
    bool inMulti = false;
    bool running = false;
    bool finished = false;
    // Ended on purpose once the answer was known not to be a 200 page.
    bool stoppedAtAnswer = false;
    Clock::time_point added;
    std::int64_t allowance = std::numeric_limits<std::int64_t>::max();
    bool paused = false;
    Clock::time_point resumed; // when it was last resumed: idle time counts from here
};

TransferEngine::TransferEngine(TransferLimits limits) : m_limits(limits) {
    m_limits.maxTotal = std::max(1, m_limits.maxTotal);
    m_limits.maxPerHost = std::max(1, m_limits.maxPerHost);
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURLM* multi = curl_multi_init();
    if (multi != nullptr) {
        // curl's own limits as well, for connections a redirect opens to another host.
        curl_multi_setopt(multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, long{m_limits.maxTotal});
        curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, long{m_limits.maxPerHost});
    }
    m_multi = multi;
}

TransferEngine::~TransferEngine() {
    for (auto& [id, entry] : m_entries) {
        Release(*entry);
    }
    m_entries.clear();
    if (m_multi != nullptr) {
        curl_multi_cleanup(Multi(m_multi));
    }
}

TransferId TransferEngine::Add(HINTERNET hRequest) {
    auto* request = static_cast<HttpRequest*>(FindHandle(hRequest, InternetHandle::Kind::Request));
    if (request == nullptr) {
        InternetSetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (request->IsSent() || m_multi == nullptr) {
        InternetSetLastError(m_multi == nullptr ? ERROR_NOT_ENOUGH_MEMORY
                                                : ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto entry = std::unique_ptr<Entry>(new (std::nothrow) Entry);
    if (!entry) {
        InternetSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    entry->id = ++m_lastId;
    entry->hostKey = HostKey(request->Request().host);
    entry->transfer =
        std::make_unique<PageTransfer>(request->Request(), &TransferEngine::OnBody, entry.get());
    entry->added = Clock::now();
    const TransferId id = entry->id;
    if (entry->transfer->Prepare()) {
        m_waiting.push_back(id);
    } else {
        entry->finished = true; // its failure is its result
        m_finished.push_back(id);
    }
    m_entries.emplace(id, std::move(entry));
    return id;
}

bool TransferEngine::ReserveAnnounced(Entry& entry) {
    // Room for the announced length at once, so a large page is not copied as it grows; no more
    // than the transfer may hold now, so a page held at its allowance holds no more memory.
    const PageTransfer& transfer = *entry.transfer;
    const std::int64_t announced = std::min(transfer.AnnouncedLength(), entry.allowance);
    if (announced > 0 && announced <= transfer.Request().options.maxBodyBytes &&
        static_cast<std::size_t>(announced) > entry.body.capacity()) {
        try {
            entry.body.reserve(static_cast<std::size_t>(announced));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

std::size_t TransferEngine::OnBody(void* owner, const char* data, std::size_t bytes) {
    Entry& entry = *static_cast<Entry*>(owner);
    const PageTransfer& transfer = *entry.transfer;
    // Only a 200 page's body is wanted; any other answer ends here, as a single fetch ends
    // without reading it.
    if (!transfer.HeadComplete() || transfer.Status() != 200) {
        entry.stoppedAtAnswer = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (static_cast<std::int64_t>(entry.body.size() + bytes) > entry.allowance) {
        entry.paused = true; // curl offers these bytes again once the transfer is resumed
        return CURL_WRITEFUNC_PAUSE;
    }
    if (entry.body.empty() && !ReserveAnnounced(entry)) {
        return CURL_WRITEFUNC_ERROR;
    }
    try {
        entry.body.append(data, bytes);
    } catch (const std::bad_alloc&) {
        return CURL_WRITEFUNC_ERROR;
    }
    return bytes;
}

void TransferEngine::StartWaiting() {
    auto next = m_waiting.begin();
    while (next != m_waiting.end() && m_running < static_cast<std::size_t>(m_limits.maxTotal)) {
        Entry& entry = *m_entries.at(*next);
        int& toHost = m_perHost[entry.hostKey];
        if (toHost >= m_limits.maxPerHost) {
            ++next; // its host is busy: a later transfer to another host may go first
            continue;
        }
        next = m_waiting.erase(next);
        if (curl_multi_add_handle(Multi(m_multi), entry.transfer->Easy()) != CURLM_OK) {
            entry.transfer->EndDriveFailure();
            entry.finished = true;
            m_finished.push_back(entry.id);
            continue;
        }
        entry.inMulti = true;
        entry.running = true;
        ++toHost;
        ++m_running;
    }
}

void TransferEngine::Release(Entry& entry) {
    if (entry.inMulti) {
        curl_multi_remove_handle(Multi(m_multi), entry.transfer->Easy());
        entry.inMulti = false;
    }
    if (entry.running) {
        entry.running = false;
        --m_running;
        if (--m_perHost[entry.hostKey] == 0) {
            m_perHost.erase(entry.hostKey);
        }
    }
}

void TransferEngine::Finish(Entry& entry) {
    Release(entry);
    entry.finished = true;
    m_finished.push_back(entry.id);
}

void TransferEngine::CollectDone() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(m_multi), &left)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        PageTransfer* transfer = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        const CURLcode result = message->data.result;
        const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& e) {
            return e.second->transfer.get() == transfer;
        });
        if (found == m_entries.end() || found->second->finished) {
            continue;
        }
        found->second->transfer->EndWith(result);
        Finish(*found->second);
    }
    // An answer other than 200 is complete once its head is in; its body is not wanted.
    for (auto& [id, entry] : m_entries) {
        if (entry->running && entry->transfer->HeadComplete() && entry->transfer->Status() != 200) {
            entry->stoppedAtAnswer = true;
            Finish(*entry);
        }
    }
}

std::chrono::milliseconds TransferEngine::CheckIdle() {
    // Only time spent driving counts as idle, not the caller's time between waits.
    std::chrono::milliseconds nearest = kLongestPoll;
    const Clock::time_point now = Clock::now();
    for (auto& [id, entry] : m_entries) {
        if (!entry->running || entry->paused || !entry->transfer->AnswerBegun()) {
            continue;
        }
        const auto idle = entry->transfer->IdleFor(now, std::max(m_waitBegan, entry->resumed));
        const auto limit = entry->transfer->IdleLimit();
        if (idle >= limit) {
            entry->transfer->EndIdle();
            Finish(*entry);
        } else {
            nearest = std::min(nearest, limit - idle);
        }
    }
    return nearest;
}

std::size_t TransferEngine::Wait(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    m_waitBegan = Clock::now();
    for (;;) {
        StartWaiting();
        if (m_running > 0) {
            int running = 0;
            const CURLMcode performed = curl_multi_perform(Multi(m_multi), &running);
            CollectDone();
            if (performed != CURLM_OK) {
                for (auto& [id, entry] : m_entries) {
                    if (entry->running) {
                        entry->transfer->EndDriveFailure();
                        Finish(*entry);
                    }
                }
            }
        }
        std::chrono::milliseconds poll = CheckIdle();
        if (!m_finished.empty() || (m_running == 0 && m_waiting.empty())) {
            break;
        }
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            break;
        }
        poll = std::min(poll, remaining);
        if (m_running > 0 && curl_multi_poll(Multi(m_multi), nullptr, 0,
                                             static_cast<int>(poll.count()), nullptr) != CURLM_OK) {
            for (auto& [id, entry] : m_entries) {
                if (entry->running) {
                    entry->transfer->EndDriveFailure();
                    Finish(*entry);
                }
            }
        }
    }
    return m_finished.size();
}

std::vector<TransferResult> TransferEngine::TakeFinished() {
    std::vector<TransferResult> results;
    results.reserve(m_finished.size());
    for (const TransferId id : m_finished) {
        const auto found = m_entries.find(id);
        if (found == m_entries.end()) {
            continue;
        }
        Entry& entry = *found->second;
        const PageTransfer& transfer = *entry.transfer;
        TransferResult result;
        result.id = id;
        result.status = transfer.Status();
        result.answered = transfer.HeadComplete() || entry.stoppedAtAnswer;
        result.failed = !entry.stoppedAtAnswer && transfer.Failed();
        result.validators = transfer.Validators();
        if (result.failed) {
            result.error = transfer.FailureNumber();
            result.detail = transfer.FailureDetail();
        } else if (result.status == 200) {
            result.body = std::move(entry.body);
        }
        results.push_back(std::move(result));
        m_entries.erase(found);
    }
    m_finished.clear();
    return results;
}

void TransferEngine::Abandon(TransferId id) {
    const auto found = m_entries.find(id);
    if (found == m_entries.end()) {
        return;
    }
    Release(*found->second);
    m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), id), m_waiting.end());
    m_finished.erase(std::remove(m_finished.begin(), m_finished.end(), id), m_finished.end());
    m_entries.erase(found);
}

void TransferEngine::SetBodyAllowance(TransferId id, std::int64_t bytes) {
    const auto found = m_entries.find(id);
    if (found == m_entries.end()) {
        return;
    }
    Entry& entry = *found->second;
    entry.allowance = bytes;
    if (!entry.body.empty() && !entry.finished) {
        // Room for the rest at once; without it the body still grows by appending.
        static_cast<void>(ReserveAnnounced(entry));
    }
    if (entry.paused && !entry.finished &&
        static_cast<std::int64_t>(entry.body.size()) < entry.allowance) {
        entry.paused = false;
        entry.resumed = Clock::now();
        // curl hands over what it held back at once, which may pause the transfer again.
        if (curl_easy_pause(entry.transfer->Easy(), CURLPAUSE_CONT) != CURLE_OK) {
            entry.transfer->EndDriveFailure();
            Finish(entry);
        }
    }
}

std::optional<TransferProgress> TransferEngine::Progress(TransferId id) const {
    const auto found = m_entries.find(id);
    if (found == m_entries.end() || found->second->finished) {
        return std::nullopt;
    }
    const Entry& entry = *found->second;
    const PageTransfer& transfer = *entry.transfer;
    TransferProgress progress;
    progress.running = entry.running;
    progress.paused = entry.paused;
    progress.answered = transfer.HeadComplete();
    progress.bodyBytes = transfer.BodyBytes();
    progress.readsBegun = progress.answered ? progress.bodyBytes / kReadChunkBytes + 1 : 0;
    progress.lastData = transfer.AnswerBegun() ? transfer.LastData() : entry.added;
    return progress;
}
