// URL canonicalisation and splitting on curl's URL parser.

#include "platform/inet/InternetErrors.h"
#include "platform/inet/WinInet.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace {

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using ParsedUrl = std::unique_ptr<CURLU, UrlDeleter>;

constexpr unsigned int kCanonicalFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE;

// Parses any scheme, so that the caller can tell an unknown scheme from a broken URL.
ParsedUrl Parse(const char* text, unsigned int flags, DWORD& failure) {
    if (*text == '\0') {
        failure = ERROR_INTERNET_INVALID_URL;
        InternetSetLastFailure(failure, "the address is empty");
        return nullptr;
    }
    ParsedUrl url(curl_url());
    if (!url) {
        failure = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    const CURLUcode result = curl_url_set(url.get(), CURLUPART_URL, text, flags);
    if (result == CURLUE_OK) {
        return url;
    }
    // No "scheme://" at the start, or a scheme curl cannot read: the scheme is the problem.
    failure = result == CURLUE_BAD_SCHEME || result == CURLUE_BAD_SLASHES
                  ? ERROR_INTERNET_UNRECOGNIZED_SCHEME
                  : ERROR_INTERNET_INVALID_URL;
    if (result == CURLUE_OUT_OF_MEMORY) {
        failure = ERROR_NOT_ENOUGH_MEMORY;
    }
    InternetSetLastFailure(failure, curl_url_strerror(result));
    return nullptr;
}

// An address as a browser's address bar reads it: blanks and line ends around it (pasted with
// it, say) are not part of it. Those inside it stay, to be escaped.
std::string WithoutSurroundingBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

std::string Part(CURLU* url, CURLUPart part, unsigned int flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) {
        return {};
    }
    std::string copy = text;
    curl_free(text);
    return copy;
}

// Copies a part into the caller's buffer when the caller asked for it.
bool Hand(const std::string& part, char* buffer, DWORD& length) {
    if (buffer == nullptr || length == 0) {
        return true;
    }
    if (length <= part.size()) {
        length = static_cast<DWORD>(part.size() + 1);
        return false;
    }
    std::memcpy(buffer, part.c_str(), part.size() + 1);
    length = static_cast<DWORD>(part.size());
    return true;
}

// curl reads some parts only once they are unescaped: "http://%35/" becomes "http://5/", which
// it reads as the address 0.0.0.5 only on a second pass. An address is canonical when reading it
// again changes nothing, so it is read again until it settles (two passes have been enough). An
// address whose unescaped form cannot be read at all ("http://%7f/" has a control character for
// a host) is not a valid address.
bool Settle(std::string& canonical) {
    constexpr int kMostPasses = 4;
    for (int pass = 0; pass < kMostPasses; ++pass) {
        DWORD failure = 0;
        const ParsedUrl again = Parse(canonical.c_str(), kCanonicalFlags, failure);
        if (!again) {
            return false;
        }
        std::string next = Part(again.get(), CURLUPART_URL);
        if (next == canonical) {
            return true;
        }
        canonical = std::move(next);
    }
    InternetSetLastFailure(ERROR_INTERNET_INVALID_URL, "the address has no settled form");
    return false;
}

} // namespace

BOOL InternetCanonicalizeUrlA(const char* lpszUrl, char* lpszBuffer, DWORD* lpdwBufferLength,
                              DWORD /*dwFlags*/) {
    if (lpszUrl == nullptr || lpdwBufferLength == nullptr) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD failure = 0;
    const std::string address = WithoutSurroundingBlanks(lpszUrl);
    const ParsedUrl url = Parse(address.c_str(), kCanonicalFlags, failure);
    if (!url) {
        return FALSE;
    }
    std::string canonical = Part(url.get(), CURLUPART_URL);
    if (!Settle(canonical)) {
        return FALSE;
    }
    if (lpszBuffer == nullptr || *lpdwBufferLength <= canonical.size()) {
        *lpdwBufferLength = static_cast<DWORD>(canonical.size() + 1);
        InternetSetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(lpszBuffer, canonical.c_str(), canonical.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(canonical.size());
    return TRUE;
}

BOOL InternetCrackUrlA(const char* lpszUrl, DWORD dwUrlLength, DWORD /*dwFlags*/,
                       URL_COMPONENTSA* lpUrlComponents) {
    if (lpszUrl == nullptr || lpUrlComponents == nullptr) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string text =
        dwUrlLength == 0 ? std::string(lpszUrl) : std::string(lpszUrl, dwUrlLength);
    DWORD failure = 0;
    const ParsedUrl url = Parse(text.c_str(), CURLU_NON_SUPPORT_SCHEME, failure);
    if (!url) {
        return FALSE;
    }

    URL_COMPONENTSA& parts = *lpUrlComponents;
    const std::string scheme = Part(url.get(), CURLUPART_SCHEME);
    parts.nScheme = scheme == "http"    ? INTERNET_SCHEME_HTTP
                    : scheme == "https" ? INTERNET_SCHEME_HTTPS
                                        : INTERNET_SCHEME_UNKNOWN;
    const std::string port = Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    parts.nPort =
        port.empty() ? INTERNET_INVALID_PORT_NUMBER : static_cast<INTERNET_PORT>(std::stoul(port));
    // The fragment belongs to the browser; the server gets the path and the query.
    std::string path = Part(url.get(), CURLUPART_PATH);
    const std::string query = Part(url.get(), CURLUPART_QUERY);
    if (!query.empty()) {
        path += "?" + query;
    }

    bool handed = Hand(scheme, parts.lpszScheme, parts.dwSchemeLength);
    handed &= Hand(Part(url.get(), CURLUPART_HOST), parts.lpszHostName, parts.dwHostNameLength);
    handed &= Hand(Part(url.get(), CURLUPART_USER), parts.lpszUserName, parts.dwUserNameLength);
    handed &= Hand(Part(url.get(), CURLUPART_PASSWORD), parts.lpszPassword, parts.dwPasswordLength);
    handed &= Hand(path, parts.lpszUrlPath, parts.dwUrlPathLength);
    handed &= Hand({}, parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (!handed) {
        InternetSetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}
