#include "platform/inet/InternetErrors.h"

#include "platform/inet/InternetOptions.h"

#include <cstring>

namespace {

// The text for each number; %1: the URL, %2: the body size limit. The switch has no default, so
// a number added to InternetError without a text stops the build.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
const char* ErrorTemplate(InternetError error) {
    switch (error) {
    case ERROR_INVALID_HANDLE:
        return "The internet layer was handed a handle it does not know while fetching %1.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "There was not enough memory to fetch %1.";
    case ERROR_INVALID_PARAMETER:
        return "The internet layer was given a value it cannot use while fetching %1.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The address %1 is too long to be fetched.";
    case ERROR_INTERNET_TIMEOUT:
        return "The server of %1 did not answer in time. It may be down or very slow; try again "
               "later.";
    case ERROR_INTERNET_INTERNAL_ERROR:
        return "An unexpected error occurred while fetching %1.";
    case ERROR_INTERNET_INVALID_URL:
        return "\"%1\" is not a complete web address. Type the whole address, for example "
               "http://www.example.com/page.html.";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return "\"%1\" does not start with http:// or https://. Only web pages can be watched; "
               "type the whole address, for example http://www.example.com/page.html.";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return "The server name in %1 could not be found. Check the address for typing errors, "
               "and your network connection.";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return "Could not connect to the server of %1. The server may be down, or a firewall may "
               "block the connection.";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return "The connection to the server of %1 was broken off before the whole page arrived. "
               "Try again later.";
    case ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR:
        return "%1 redirects to an address that is not secure or not a web page, so the redirect "
               "was not followed.";
    case ERROR_HTTP_HEADER_NOT_FOUND:
        return "The server of %1 sent no status line with its answer.";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        return "The server of %1 did not send a valid HTTP answer.";
    case ERROR_HTTP_REDIRECT_FAILED:
        return "%1 redirects too many times (more than 10); the page could not be reached.";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        return "A secure (https) connection to the server of %1 could not be set up.";
    case ERROR_INTERNET_SEC_CERT_INVALID:
        return "The secure connection to %1 was refused: the server's certificate could not be "
               "verified. It is not issued by a trusted authority, has expired, or belongs to "
               "another server name.";
    case ERROR_VNT_PAGE_TOO_LARGE:
        return "The page at %1 is larger than %2, the largest page that can be watched, so it "
               "was not fetched.";
    case ERROR_VNT_PROXY_NOT_RESOLVED:
        return "The proxy server named in the system's proxy settings could not be found while "
               "fetching %1.";
    case ERROR_VNT_DAMAGED_ENCODING:
        return "The server of %1 sent the page compressed, but the compressed data is damaged, so "
               "the page could not be read.";
    }
    return nullptr; // a number that is no InternetError
}
#pragma GCC diagnostic pop

constexpr std::size_t kMaxUrlInMessage = 200;

std::string ShortenedUrl(std::string_view url) {
    if (url.size() <= kMaxUrlInMessage) {
        return std::string(url);
    }
    return std::string(url.substr(0, kMaxUrlInMessage - 3)) + "...";
}

std::string SizeText(std::int64_t bytes) {
    constexpr std::int64_t kMiB = 1024 * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0) {
        return std::to_string(bytes / kMiB) + " MiB";
    }
    return std::to_string(bytes) + " bytes";
}

struct LastFailure {
    DWORD number = 0;
    std::string detail;
};

thread_local LastFailure t_lastFailure;

} // namespace

std::string InternetErrorText(DWORD dwError, std::string_view url) {
    // Every DWORD is a value of InternetError (its underlying type); one without a name has no
    // text.
    const char* pattern = ErrorTemplate(static_cast<InternetError>(dwError));
    if (pattern == nullptr) {
        return "No error message is available.";
    }
    // One pass, so a URL that itself holds "%2" is copied as it is.
    std::string text;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == '1') {
            text += ShortenedUrl(url);
            ++p;
        } else if (p[0] == '%' && p[1] == '2') {
            text += SizeText(GetInternetOptions().maxBodyBytes);
            ++p;
        } else {
            text += *p;
        }
    }
    if (text.size() > kInternetMessageLimit) {
        text.resize(kInternetMessageLimit);
    }
    return text;
}

void InternetSetLastFailure(DWORD dwError, std::string_view detail) {
    t_lastFailure.number = dwError;
    t_lastFailure.detail = detail;
}

std::string InternetLastFailureDetail() {
    return t_lastFailure.detail;
}

DWORD InternetGetLastError() {
    return t_lastFailure.number;
}

void InternetSetLastError(DWORD dwError) {
    InternetSetLastFailure(dwError, {});
}

BOOL InternetGetLastResponseInfoA(DWORD* lpdwError, char* lpszBuffer, DWORD* lpdwBufferLength) {
    if (lpdwError == nullptr || lpdwBufferLength == nullptr) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpdwError = t_lastFailure.number;
    const std::string& detail = t_lastFailure.detail;
    if (lpszBuffer == nullptr || *lpdwBufferLength <= detail.size()) {
        *lpdwBufferLength = static_cast<DWORD>(detail.size() + 1);
        // Deliberately not InternetSetLastError: the record being asked about must survive.
        return FALSE;
    }
    std::memcpy(lpszBuffer, detail.c_str(), detail.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(detail.size());
    return TRUE;
}
