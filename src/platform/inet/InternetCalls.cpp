// The handle calls of WinInet.h: they check their arguments, then hand over to the handle.

#include "platform/inet/HttpRequest.h"
#include "platform/inet/InternetErrors.h"
#include "platform/inet/InternetHandle.h"
#include "platform/inet/WinInet.h"

#include <curl/curl.h>

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <utility>

namespace {

// Hands a new handle out, or records that there was no memory for it.
template <class Handle, class... Arguments> HINTERNET GiveOut(Arguments&&... arguments) {
    auto* handle = new (std::nothrow) Handle(std::forward<Arguments>(arguments)...);
    if (handle == nullptr) {
        InternetSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    RegisterHandle(handle);
    return handle;
}

HttpRequest* FindRequest(HINTERNET handle) {
    auto* request = static_cast<HttpRequest*>(FindHandle(handle, InternetHandle::Kind::Request));
    if (request == nullptr) {
        InternetSetLastError(ERROR_INVALID_HANDLE);
    }
    return request;
}

} // namespace

HINTERNET InternetOpenA(const char* lpszAgent, DWORD dwAccessType, const char* lpszProxy,
                        const char* lpszProxyBypass, DWORD dwFlags) {
    // Only the system's configured access: curl then honours the usual proxy variables
    // (http_proxy, https_proxy, no_proxy).
    if (dwAccessType != INTERNET_OPEN_TYPE_PRECONFIG || lpszProxy != nullptr ||
        lpszProxyBypass != nullptr || dwFlags != 0) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    static std::once_flag initialised;
    static CURLcode initResult = CURLE_OK;
    std::call_once(initialised, [] { initResult = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (initResult != CURLE_OK) {
        InternetSetLastFailure(ERROR_INTERNET_INTERNAL_ERROR, curl_easy_strerror(initResult));
        return nullptr;
    }
    return GiveOut<RootHandle>(lpszAgent != nullptr ? lpszAgent : "", GetInternetOptions());
}

HINTERNET InternetConnectA(HINTERNET hInternet, const char* lpszServerName,
                           INTERNET_PORT nServerPort, const char* lpszUserName,
                           const char* lpszPassword, DWORD dwService, DWORD /*dwFlags*/,
                           DWORD_PTR dwContext) {
    auto* root = static_cast<RootHandle*>(FindHandle(hInternet, InternetHandle::Kind::Root));
    if (root == nullptr) {
        InternetSetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (dwService != INTERNET_SERVICE_HTTP || lpszUserName != nullptr || lpszPassword != nullptr) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (lpszServerName == nullptr || *lpszServerName == '\0') {
        InternetSetLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    const INTERNET_PORT port =
        nServerPort == INTERNET_INVALID_PORT_NUMBER ? INTERNET_DEFAULT_HTTP_PORT : nServerPort;
    return GiveOut<ConnectionHandle>(*root, lpszServerName, port, dwContext);
}

HINTERNET HttpOpenRequestA(HINTERNET hConnect, const char* lpszVerb, const char* lpszObjectName,
                           const char* lpszVersion, const char* lpszReferrer,
                           const char** lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR dwContext) {
    auto* connection =
        static_cast<ConnectionHandle*>(FindHandle(hConnect, InternetHandle::Kind::Connection));
    if (connection == nullptr) {
        InternetSetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::string verb = lpszVerb != nullptr ? lpszVerb : "GET";
    const std::string version = lpszVersion != nullptr ? lpszVersion : "HTTP/1.1";
    const DWORD knownFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE;
    if (verb != "GET" || (version != "HTTP/1.0" && version != "HTTP/1.1") ||
        lpszReferrer != nullptr || lplpszAcceptTypes != nullptr || (dwFlags & ~knownFlags) != 0) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const long httpVersion =
        version == "HTTP/1.0" ? long{CURL_HTTP_VERSION_1_0} : long{CURL_HTTP_VERSION_1_1};
    return GiveOut<HttpRequest>(*connection, lpszObjectName != nullptr ? lpszObjectName : "/",
                                httpVersion, (dwFlags & INTERNET_FLAG_SECURE) != 0,
                                (dwFlags & INTERNET_FLAG_RELOAD) != 0, dwContext);
}

BOOL HttpAddRequestHeadersA(HINTERNET hRequest, const char* lpszHeaders, DWORD dwHeadersLength,
                            DWORD dwModifiers) {
    HttpRequest* request = FindRequest(hRequest);
    if (request == nullptr) {
        return FALSE;
    }
    if (lpszHeaders == nullptr || request->IsSent()) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::size_t length =
        dwHeadersLength == static_cast<DWORD>(-1) ? std::strlen(lpszHeaders) : dwHeadersLength;
    const bool onlyIfNew = (dwModifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) != 0;
    return request->AddHeaders(std::string_view(lpszHeaders, length), onlyIfNew) ? TRUE : FALSE;
}

BOOL HttpSendRequestA(HINTERNET hRequest, const char* lpszHeaders, DWORD dwHeadersLength,
                      void* lpOptional, DWORD dwOptionalLength) {
    HttpRequest* request = FindRequest(hRequest);
    if (request == nullptr) {
        return FALSE;
    }
    if (lpOptional != nullptr || dwOptionalLength != 0) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpszHeaders != nullptr && dwHeadersLength != 0 &&
        HttpAddRequestHeadersA(hRequest, lpszHeaders, dwHeadersLength, HTTP_ADDREQ_FLAG_ADD) ==
            FALSE) {
        return FALSE;
    }
    return request->Send() ? TRUE : FALSE;
}

BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, void* lpBuffer, DWORD* lpdwBufferLength,
                    DWORD* /*lpdwIndex*/) {
    HttpRequest* request = FindRequest(hRequest);
    if (request == nullptr) {
        return FALSE;
    }
    const bool numeric =
        dwInfoLevel == HTTP_QUERY_STATUS_CODE || dwInfoLevel == HTTP_QUERY_CONTENT_LENGTH;
    const bool validator =
        dwInfoLevel == HTTP_QUERY_ETAG || dwInfoLevel == HTTP_QUERY_LAST_MODIFIED;
    if ((!numeric && !validator) || lpdwBufferLength == nullptr) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string text;
    if (validator) {
        const PageValidators validators = request->Validators();
        text = dwInfoLevel == HTTP_QUERY_ETAG ? validators.etag : validators.lastModified;
    } else {
        const std::int64_t value =
            dwInfoLevel == HTTP_QUERY_STATUS_CODE ? request->Status() : request->AnnouncedLength();
        if (value > 0 || (dwInfoLevel == HTTP_QUERY_CONTENT_LENGTH && value == 0)) {
            text = std::to_string(value);
        }
    }
    if (text.empty()) {
        InternetSetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    if (lpBuffer == nullptr || *lpdwBufferLength <= text.size()) {
        *lpdwBufferLength = static_cast<DWORD>(text.size() + 1);
        InternetSetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    *lpdwBufferLength = static_cast<DWORD>(text.size());
    return TRUE;
}

BOOL InternetReadFile(HINTERNET hFile, void* lpBuffer, DWORD dwNumberOfBytesToRead,
                      DWORD* lpdwNumberOfBytesRead) {
    HttpRequest* request = FindRequest(hFile);
    if (request == nullptr) {
        return FALSE;
    }
    if (lpdwNumberOfBytesRead == nullptr || (lpBuffer == nullptr && dwNumberOfBytesToRead != 0)) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t got = 0;
    const bool read = request->Read(static_cast<char*>(lpBuffer), dwNumberOfBytesToRead, got);
    *lpdwNumberOfBytesRead = static_cast<DWORD>(got);
    return read ? TRUE : FALSE;
}

BOOL InternetCloseHandle(HINTERNET hInternet) {
    if (!UnregisterHandle(hInternet)) {
        InternetSetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete hInternet;
    return TRUE;
}
