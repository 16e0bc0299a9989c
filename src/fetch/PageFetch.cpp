#include "fetch/PageFetch.h"

#include "fetch/PageRequest.h"

#include "platform/inet/InternetException.h"
#include "platform/inet/PageMemory.h"
#include "platform/inet/WinInet.h"
#include "platform/system/PageLimits.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr auto kChunkBytes = static_cast<DWORD>(kReadChunkBytes);
constexpr DWORD kStatusBufferChars = 80;
// No more is reserved than the layer lets a body grow to by default.
constexpr auto kLargestReservation = static_cast<std::size_t>(kPageByteLimit);
// How far ahead of the page text its reserved memory is prepared for writing.
constexpr std::size_t kPreparedAhead = std::size_t{2} * 1024 * 1024;

// The status code, or nothing when the server sent none that can be read.
std::optional<int> QueryStatus(HINTERNET hRequest) {
    char buffer[kStatusBufferChars] = {};
    DWORD length = kStatusBufferChars;
    if (!HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE, buffer, &length, nullptr)) {
        return std::nullopt;
    }
    int status = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + length, status);
    if (error != std::errc() || end != buffer + length) {
        return std::nullopt;
    }
    return status;
}

// A header's text, or nothing when the answer carries none.
std::string QueryText(HINTERNET hRequest, DWORD level) {
    DWORD length = 0;
    if (HttpQueryInfoA(hRequest, level, nullptr, &length, nullptr) ||
        InternetGetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return {};
    }
    std::string text(length, '\0');
    if (!HttpQueryInfoA(hRequest, level, text.data(), &length, nullptr)) {
        return {};
    }
    text.resize(length);
    return text;
}

// Room for the body the server announced, so a large page is not copied as it grows. Only a
// hint: the text still grows by appending, and a page that is not as announced is read as it is.
void ReserveAnnouncedLength(HINTERNET hRequest, std::string& strPage) {
    char buffer[kStatusBufferChars] = {};
    DWORD length = kStatusBufferChars;
    if (!HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH, buffer, &length, nullptr)) {
        return;
    }
    std::size_t announced = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + length, announced);
    if (error == std::errc() && end == buffer + length && announced <= kLargestReservation) {
        strPage.reserve(announced);
    }
}

// The page text fills memory reserved ahead of it. Preparing that memory a stretch at a time,
// once the text has used half of what was prepared, saves a page fault per 4 KiB while holding
// at most kPreparedAhead more than the text does (a server may announce more than it sends).
void PrepareAhead(std::string& strPage, std::size_t& nPrepared) {
    if (strPage.size() + kPreparedAhead / 2 < nPrepared) {
        return;
    }
    const std::size_t nFrom = std::max(nPrepared, strPage.size());
    const std::size_t nTo = std::min(strPage.capacity(), strPage.size() + kPreparedAhead);
    if (nTo > nFrom) {
        PrepareForWriting(strPage.data() + nFrom, nTo - nFrom);
        nPrepared = nTo;
    }
}

FetchOutcome FetchPage(const std::string& strUrl, ReadWatch* watch) {
    const PageRequest request = OpenPageRequest(strUrl);
    HINTERNET hRequest = request.hRequest.get();
    if (!HttpSendRequestA(hRequest, nullptr, 0, nullptr, 0)) {
        AfxThrowInternetException(kPageFetchContext, strUrl);
    }

    const std::optional<int> status = QueryStatus(hRequest);
    if (status != 200) {
        return FetchOutcome::BadStatus(status);
    }

    std::string strPage;
    ReserveAnnouncedLength(hRequest, strPage);
    std::size_t nPrepared = 0; // the page text's memory below this length is prepared
    for (;;) {
        if (watch != nullptr) {
            watch->ReadBegins();
        }
        // A fresh zero-filled buffer one byte longer than the read, so the chunk is always
        // terminated; a chunk counts up to its first zero byte.
        std::vector<char> chunk(kChunkBytes + 1, '\0');
        DWORD dwRead = 0;
        if (!InternetReadFile(hRequest, chunk.data(), kChunkBytes, &dwRead)) {
            AfxThrowInternetException(kPageFetchContext, strUrl);
        }
        if (dwRead > 0) {
            AppendChunkText(strPage, std::string_view(chunk.data(), dwRead));
            PrepareAhead(strPage, nPrepared);
        }
        // Tested after every read, the last empty one included: a read that came back too late
        // loses the whole page.
        if (watch != nullptr && watch->ReadCameTooLate()) {
            return FetchOutcome::TimedOut();
        }
        if (dwRead == 0) {
            break;
        }
    }
    if (watch != nullptr) {
        watch->PageReceived();
    }
    FetchOutcome outcome = FetchOutcome::Received(std::move(strPage));
    outcome.validators.etag = QueryText(hRequest, HTTP_QUERY_ETAG);
    outcome.validators.lastModified = QueryText(hRequest, HTTP_QUERY_LAST_MODIFIED);
    return outcome;
}

} // namespace

FetchOutcome PageFetch(const std::string& strUrl, ReadWatch* watch) {
    try {
        return FetchPage(strUrl, watch);
    } catch (const CInternetException& failure) {
        return FetchOutcome::InternetFailure(failure.m_dwError, failure.GetErrorMessage());
    } catch (const std::bad_alloc&) {
        // A page that does not fit in memory fails like the layer's own shortage would.
        const CInternetException failure(kPageFetchContext, ERROR_NOT_ENOUGH_MEMORY, strUrl, {});
        return FetchOutcome::InternetFailure(failure.m_dwError, failure.GetErrorMessage());
    }
}
