#include "fetch/ConcurrentPageFetch.h"

#include "fetch/PageRequest.h"
#include "platform/inet/InternetException.h"

#include <new>

namespace {

// Ids for fetches that fail before the engine has one for them: counted down from the top, so
// they never meet the engine's own, which count up from 1.
constexpr FetchId kFirstOwnId = ~FetchId{0};

FetchOutcome Failure(const std::string& strUrl, DWORD dwError, std::string strDetail) {
    const CInternetException failure(kPageFetchContext, dwError, strUrl, std::move(strDetail));
    return FetchOutcome::InternetFailure(failure.m_dwError, failure.GetErrorMessage());
}

} // namespace

ConcurrentPageFetch::ConcurrentPageFetch(TransferLimits limits) : m_engine(limits) {}

FetchId ConcurrentPageFetch::Add(const std::string& strUrl, const PageValidators& validators) {
    std::optional<FinishedFetch> failed;
    try {
        const PageRequest request = OpenPageRequest(strUrl, validators);
        if (const TransferId id = m_engine.Add(request.hRequest.get()); id != 0) {
            m_urls.emplace(id, Sent{strUrl, !validators.Empty()});
            return id;
        }
        failed = FinishedFetch{0, Failure(strUrl, InternetGetLastError(), {})};
    } catch (const CInternetException& failure) {
        failed = FinishedFetch{
            0, FetchOutcome::InternetFailure(failure.m_dwError, failure.GetErrorMessage())};
    } catch (const std::bad_alloc&) {
        failed = FinishedFetch{0, Failure(strUrl, ERROR_NOT_ENOUGH_MEMORY, {})};
    }
    failed->id = kFirstOwnId - m_lastOwnId++;
    m_urls.emplace(failed->id, Sent{strUrl, false});
    m_failedAtOnce.push_back(std::move(*failed));
    return m_failedAtOnce.back().id;
}

std::vector<FinishedFetch> ConcurrentPageFetch::Wait(std::chrono::milliseconds timeout) {
    std::vector<FinishedFetch> finished = std::move(m_failedAtOnce);
    m_failedAtOnce.clear();
    if (!finished.empty()) {
        timeout = std::chrono::milliseconds(0);
    }
    m_engine.Wait(timeout);
    for (TransferResult& result : m_engine.TakeFinished()) {
        const auto url = m_urls.find(result.id);
        if (url == m_urls.end()) {
            continue;
        }
        const FetchId id = result.id;
        finished.push_back(
            {id, OutcomeOfTransfer(url->second.url, std::move(result), url->second.validated)});
    }
    for (const FinishedFetch& fetch : finished) {
        m_urls.erase(fetch.id);
    }
    return finished;
}

void ConcurrentPageFetch::Abandon(FetchId id) {
    m_engine.Abandon(id);
    std::erase_if(m_failedAtOnce, [id](const FinishedFetch& fetch) { return fetch.id == id; });
    m_urls.erase(id);
}

std::optional<TransferProgress> ConcurrentPageFetch::Progress(FetchId id) const {
    return m_engine.Progress(id);
}

FetchOutcome OutcomeOfTransfer(const std::string& strUrl, TransferResult result, bool validated) {
    // In the single fetch's order: a send that failed before any answer, then the status, then
    // a failure while the body was read.
    if (result.failed && !result.answered) {
        return Failure(strUrl, result.error, std::move(result.detail));
    }
    if (result.status == 304 && validated) {
        return FetchOutcome::NotModified();
    }
    if (result.status != 200) {
        return FetchOutcome::BadStatus(result.status > 0 ? std::optional<int>(result.status)
                                                         : std::nullopt);
    }
    if (result.failed) {
        return Failure(strUrl, result.error, std::move(result.detail));
    }
    try {
        FetchOutcome outcome = FetchOutcome::Received(PageTextFromBody(std::move(result.body)));
        outcome.validators = std::move(result.validators);
        return outcome;
    } catch (const std::bad_alloc&) {
        return Failure(strUrl, ERROR_NOT_ENOUGH_MEMORY, {});
    }
}
