#include "fetch/PageFetch.h"

#include "platform/inet/InternetException.h"
#include "platform/inet/PageMemory.h"
#include "platform/inet/WinInet.h"
#include "platform/system/ApplicationName.h"
#include "runstate/RunState.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr DWORD_PTR kContext = 1;
constexpr DWORD kChunkBytes = 1024;
constexpr std::int32_t kTimeOutTicks = 270;
constexpr DWORD kStatusBufferChars = 80;
// No more is reserved than the layer lets a body grow to by default.
constexpr std::size_t kLargestReservation = std::size_t{256} * 1024 * 1024;
constexpr char kRequestHeaders[] = "Accept: text/*\r\nUser-Agent: VNT \r\n";
// How far ahead of the page text its reserved memory is prepared for writing.
constexpr std::size_t kPreparedAhead = std::size_t{2} * 1024 * 1024;

struct HandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
// Declared root first, so the handles close in the opposite order: the root last.
using ScopedHandle = std::unique_ptr<InternetHandle, HandleCloser>;

std::string CanonicalUrl(const std::string& strUrl) {
    std::string buffer(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD length = INTERNET_MAX_URL_LENGTH;
    if (!InternetCanonicalizeUrlA(strUrl.c_str(), buffer.data(), &length, ICU_BROWSER_MODE)) {
        if (InternetGetLastError() != ERROR_INSUFFICIENT_BUFFER)
            AfxThrowInternetException(kContext, strUrl);
        buffer.assign(length, '\0');
        if (!InternetCanonicalizeUrlA(strUrl.c_str(), buffer.data(), &length, ICU_BROWSER_MODE))
            AfxThrowInternetException(kContext, strUrl);
    }
    buffer.resize(length);
    return buffer;
}

struct UrlParts {
    std::string strHost;
    std::string strPath;
    INTERNET_PORT nPort = 0;
    bool bSecure = false;
};

// A URL that cannot be split, or that names neither http nor https, fails here: it is never
// guessed at or fetched over plain HTTP.
UrlParts SplitUrl(const std::string& strCanonical, const std::string& strUrl) {
    std::vector<char> host(INTERNET_MAX_URL_LENGTH, '\0');
    std::vector<char> path(INTERNET_MAX_URL_LENGTH, '\0');
    URL_COMPONENTSA components;
    components.lpszHostName = host.data();
    components.dwHostNameLength = INTERNET_MAX_URL_LENGTH;
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = INTERNET_MAX_URL_LENGTH;
    if (!InternetCrackUrlA(strCanonical.c_str(), 0, 0, &components))
        AfxThrowInternetException(kContext, strUrl);
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        AfxThrowInternetException(kContext, strUrl, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return {host.data(), path.data(), components.nPort,
            components.nScheme == INTERNET_SCHEME_HTTPS};
}

// The status code, or nothing when the server sent none that can be read.
std::optional<int> QueryStatus(HINTERNET hRequest) {
    char buffer[kStatusBufferChars] = {};
    DWORD length = kStatusBufferChars;
    if (!HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE, buffer, &length, nullptr))
        return std::nullopt;
    int status = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + length, status);
    if (error != std::errc() || end != buffer + length)
        return std::nullopt;
    return status;
}

// Room for the body the server announced, so a large page is not copied as it grows. Only a
// hint: the text still grows by appending, and a page that is not as announced is read as it is.
void ReserveAnnouncedLength(HINTERNET hRequest, std::string& strPage) {
    char buffer[kStatusBufferChars] = {};
    DWORD length = kStatusBufferChars;
    if (!HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH, buffer, &length, nullptr))
        return;
    std::size_t announced = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + length, announced);
    if (error == std::errc() && end == buffer + length && announced <= kLargestReservation)
        strPage.reserve(announced);
}

// The page text fills memory reserved ahead of it. Preparing that memory a stretch at a time,
// once the text has used half of what was prepared, saves a page fault per 4 KiB while holding
// at most kPreparedAhead more than the text does (a server may announce more than it sends).
void PrepareAhead(std::string& strPage, std::size_t& nPrepared) {
    if (strPage.size() + kPreparedAhead / 2 < nPrepared)
        return;
    const std::size_t nFrom = std::max(nPrepared, strPage.size());
    const std::size_t nTo = std::min(strPage.capacity(), strPage.size() + kPreparedAhead);
    if (nTo > nFrom) {
        PrepareForWriting(strPage.data() + nFrom, nTo - nFrom);
        nPrepared = nTo;
    }
}

FetchOutcome FetchPage(const std::string& strUrl) {
    ScopedHandle hRoot(InternetOpenA(ApplicationName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                     nullptr, nullptr, 0));
    if (!hRoot)
        AfxThrowInternetException(kContext, strUrl);

    const UrlParts parts = SplitUrl(CanonicalUrl(strUrl), strUrl);

    ScopedHandle hConnect(InternetConnectA(hRoot.get(), parts.strHost.c_str(), parts.nPort, nullptr,
                                           nullptr, INTERNET_SERVICE_HTTP, 0, kContext));
    if (!hConnect)
        AfxThrowInternetException(kContext, strUrl);

    const DWORD dwFlags = INTERNET_FLAG_RELOAD | (parts.bSecure ? INTERNET_FLAG_SECURE : 0);
    ScopedHandle hRequest(HttpOpenRequestA(hConnect.get(), "GET", parts.strPath.c_str(), "HTTP/1.0",
                                           nullptr, nullptr, dwFlags, kContext));
    if (!hRequest)
        AfxThrowInternetException(kContext, strUrl);
    // Each line goes on only if the request has no such header yet; the result is not needed.
    HttpAddRequestHeadersA(hRequest.get(), kRequestHeaders, sizeof(kRequestHeaders) - 1,
                           HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    if (!HttpSendRequestA(hRequest.get(), nullptr, 0, nullptr, 0))
        AfxThrowInternetException(kContext, strUrl);

    const std::optional<int> status = QueryStatus(hRequest.get());
    if (status != 200)
        return FetchOutcome::BadStatus(status);

    std::string strPage;
    ReserveAnnouncedLength(hRequest.get(), strPage);
    std::size_t nPrepared = 0; // the page text's memory below this length is prepared
    for (;;) {
        g_nIdleTicks = 0;
        g_nChunksRead += 1;
        // A fresh zero-filled buffer one byte longer than the read, so the chunk is always
        // terminated; a chunk counts up to its first zero byte.
        std::vector<char> chunk(kChunkBytes + 1, '\0');
        DWORD dwRead = 0;
        if (!InternetReadFile(hRequest.get(), chunk.data(), kChunkBytes, &dwRead))
            AfxThrowInternetException(kContext, strUrl);
        if (dwRead > 0) {
            strPage.append(std::string_view(chunk.data()));
            PrepareAhead(strPage, nPrepared);
        }
        // Tested after every read, the last empty one included: a read that came back too late
        // loses the whole page.
        if (g_nIdleTicks >= kTimeOutTicks)
            return FetchOutcome::TimedOut();
        if (dwRead == 0)
            break;
    }
    g_nChunksRead = 0;
    g_nChunksShown = 0;
    return FetchOutcome::Received(std::move(strPage));
}

} // namespace

FetchOutcome PageFetch(const std::string& strUrl) {
    try {
        return FetchPage(strUrl);
    } catch (const CInternetException& failure) {
        return FetchOutcome::InternetFailure(failure.m_dwError, failure.GetErrorMessage());
    } catch (const std::bad_alloc&) {
        // A page that does not fit in memory fails like the layer's own shortage would.
        const CInternetException failure(kContext, ERROR_NOT_ENOUGH_MEMORY, strUrl, {});
        return FetchOutcome::InternetFailure(failure.m_dwError, failure.GetErrorMessage());
    }
}
