#include "fetch/PageRequest.h"

#include "platform/inet/InternetException.h"
#include "platform/system/ApplicationName.h"
#include "platform/system/PageLimits.h"

#include <cstring>
#include <vector>

namespace {

constexpr char kRequestHeaders[] = "Accept: text/*\r\nUser-Agent: VNT \r\n";
// The single fetch reads the body this many bytes at a time.
constexpr auto kChunkBytes = static_cast<std::size_t>(kReadChunkBytes);

std::string CanonicalUrl(const std::string& strUrl) {
    std::string buffer(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD length = INTERNET_MAX_URL_LENGTH;
    if (!InternetCanonicalizeUrlA(strUrl.c_str(), buffer.data(), &length, ICU_BROWSER_MODE)) {
        if (InternetGetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            AfxThrowInternetException(kPageFetchContext, strUrl);
        }
        buffer.assign(length, '\0');
        if (!InternetCanonicalizeUrlA(strUrl.c_str(), buffer.data(), &length, ICU_BROWSER_MODE)) {
            AfxThrowInternetException(kPageFetchContext, strUrl);
        }
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
    if (!InternetCrackUrlA(strCanonical.c_str(), 0, 0, &components)) {
        AfxThrowInternetException(kPageFetchContext, strUrl);
    }
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) {
        AfxThrowInternetException(kPageFetchContext, strUrl, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    }
    return {host.data(), path.data(), components.nPort,
            components.nScheme == INTERNET_SCHEME_HTTPS};
}

} // namespace

void PageRequestHandleCloser::operator()(HINTERNET handle) const {
    InternetCloseHandle(handle);
}

PageRequest OpenPageRequest(const std::string& strUrl, const PageValidators& validators) {
    PageRequest request;
    request.hRoot.reset(InternetOpenA(ApplicationName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                      nullptr, nullptr, 0));
    if (!request.hRoot) {
        AfxThrowInternetException(kPageFetchContext, strUrl);
    }

    const UrlParts parts = SplitUrl(CanonicalUrl(strUrl), strUrl);

    request.hConnect.reset(InternetConnectA(request.hRoot.get(), parts.strHost.c_str(), parts.nPort,
                                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                                            kPageFetchContext));
    if (!request.hConnect) {
        AfxThrowInternetException(kPageFetchContext, strUrl);
    }

    const DWORD dwFlags = INTERNET_FLAG_RELOAD | (parts.bSecure ? INTERNET_FLAG_SECURE : 0);
    request.hRequest.reset(HttpOpenRequestA(request.hConnect.get(), "GET", parts.strPath.c_str(),
                                            "HTTP/1.1", nullptr, nullptr, dwFlags,
                                            kPageFetchContext));
    if (!request.hRequest) {
        AfxThrowInternetException(kPageFetchContext, strUrl);
    }
    // Each line goes on only if the request has no such header yet; the result is not needed.
    HttpAddRequestHeadersA(request.hRequest.get(), kRequestHeaders, sizeof(kRequestHeaders) - 1,
                           HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    // A validator the layer refuses (a line end in it) is not sent; the page then comes whole.
    std::string conditions;
    if (!validators.etag.empty()) {
        conditions += "If-None-Match: " + validators.etag + "\r\n";
    }
    if (!validators.lastModified.empty()) {
        conditions += "If-Modified-Since: " + validators.lastModified + "\r\n";
    }
    if (!conditions.empty()) {
        HttpAddRequestHeadersA(request.hRequest.get(), conditions.c_str(),
                               static_cast<DWORD>(conditions.size()), HTTP_ADDREQ_FLAG_ADD);
    }
    return request;
}

void AppendChunkText(std::string& strPage, std::string_view chunk) {
    const void* zero = std::memchr(chunk.data(), '\0', chunk.size());
    const std::size_t kept =
        zero == nullptr ? chunk.size()
                        : static_cast<std::size_t>(static_cast<const char*>(zero) - chunk.data());
    strPage.append(chunk.data(), kept);
}

std::string PageTextFromBody(std::string body) {
    // The usual page holds no zero byte and is its own text.
    if (std::memchr(body.data(), '\0', body.size()) == nullptr) {
        return body;
    }
    std::string strPage;
    strPage.reserve(body.size());
    for (std::size_t at = 0; at < body.size(); at += kChunkBytes) {
        AppendChunkText(strPage, std::string_view(body).substr(at, kChunkBytes));
    }
    return strPage;
}
