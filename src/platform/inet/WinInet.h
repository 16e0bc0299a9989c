#pragma once
// The HTTP client calls the page fetch makes, in the shape of the Windows HTTP library, built on
// libcurl. Only what the fetch uses is here. Every call reports failure by its result (a null
// handle or FALSE) and leaves the reason in InternetGetLastError(), one value per thread.

#include "platform/system/BasicTypes.h"

#include <cstddef>
#include <cstdint>

using DWORD_PTR = std::uintptr_t;
using INTERNET_PORT = std::uint16_t;

struct InternetHandle;
using HINTERNET = InternetHandle*;

// The longest URL the Windows library handles; the fetch sizes its URL buffers by it.
constexpr DWORD INTERNET_MAX_URL_LENGTH = 2084;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0; // the system's proxy settings (environment)
constexpr DWORD ICU_BROWSER_MODE = 0x02000000;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000; // never from a cache: sends no-cache headers
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000; // TLS, certificate and host name verified
constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;
constexpr DWORD HTTP_QUERY_ETAG = 54;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

enum INTERNET_SCHEME : int {
    INTERNET_SCHEME_UNKNOWN = -1,
    INTERNET_SCHEME_HTTP = 3,
    INTERNET_SCHEME_HTTPS = 4,
};

// Error numbers: the Windows library's where one fits, then the layer's own (12900 and up).
// Every number has a text (InternetErrors.cpp); calls still pass and return numbers as DWORD.
enum InternetError : DWORD {
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_INTERNET_TIMEOUT = 12002,
    ERROR_INTERNET_INTERNAL_ERROR = 12004,
    ERROR_INTERNET_INVALID_URL = 12005,
    ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006,
    ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
    ERROR_INTERNET_CANNOT_CONNECT = 12029,
    ERROR_INTERNET_CONNECTION_ABORTED = 12030,
    ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR = 12040,
    ERROR_HTTP_HEADER_NOT_FOUND = 12150,
    ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152,
    ERROR_HTTP_REDIRECT_FAILED = 12156,
    ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157,
    ERROR_INTERNET_SEC_CERT_INVALID = 12175,
    ERROR_VNT_PAGE_TOO_LARGE = 12901,
    ERROR_VNT_PROXY_NOT_RESOLVED = 12902,
    ERROR_VNT_DAMAGED_ENCODING = 12903,
};

// InternetCrackUrlA's in and out record. A part is asked for by a buffer and its size in
// characters (the terminating zero included); the call sets the size to the characters copied.
// nScheme and nPort are always filled.
struct URL_COMPONENTSA {
    DWORD dwStructSize = sizeof(URL_COMPONENTSA);
    char* lpszScheme = nullptr;
    DWORD dwSchemeLength = 0;
    INTERNET_SCHEME nScheme = INTERNET_SCHEME_UNKNOWN;
    char* lpszHostName = nullptr;
    DWORD dwHostNameLength = 0;
    INTERNET_PORT nPort = INTERNET_INVALID_PORT_NUMBER;
    char* lpszUserName = nullptr;
    DWORD dwUserNameLength = 0;
    char* lpszPassword = nullptr;
    DWORD dwPasswordLength = 0;
    char* lpszUrlPath = nullptr; // the path with its query; never the fragment
    DWORD dwUrlPathLength = 0;
    char* lpszExtraInfo = nullptr;
    DWORD dwExtraInfoLength = 0;
};

// The root handle. The agent name goes out as the User-Agent of a request that has none.
HINTERNET InternetOpenA(const char* lpszAgent, DWORD dwAccessType, const char* lpszProxy,
                        const char* lpszProxyBypass, DWORD dwFlags);

// Puts the URL in canonical form as a browser's address bar does: blanks, tabs and line ends
// around it dropped, dot segments resolved, unsafe characters escaped. On a
// buffer that is too small: ERROR_INSUFFICIENT_BUFFER and *lpdwBufferLength = the size needed.
BOOL InternetCanonicalizeUrlA(const char* lpszUrl, char* lpszBuffer, DWORD* lpdwBufferLength,
                              DWORD dwFlags);

// Splits a URL (dwUrlLength 0: a terminated text) into the parts the record asks for.
BOOL InternetCrackUrlA(const char* lpszUrl, DWORD dwUrlLength, DWORD dwFlags,
                       URL_COMPONENTSA* lpUrlComponents);

HINTERNET InternetConnectA(HINTERNET hInternet, const char* lpszServerName,
                           INTERNET_PORT nServerPort, const char* lpszUserName,
                           const char* lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext);

// Only GET is offered. dwFlags: INTERNET_FLAG_RELOAD and INTERNET_FLAG_SECURE.
HINTERNET HttpOpenRequestA(HINTERNET hConnect, const char* lpszVerb, const char* lpszObjectName,
                           const char* lpszVersion, const char* lpszReferrer,
                           const char** lplpszAcceptTypes, DWORD dwFlags, DWORD_PTR dwContext);

// Header lines, each ended by CR LF; dwHeadersLength DWORD(-1) means a terminated text.
BOOL HttpAddRequestHeadersA(HINTERNET hRequest, const char* lpszHeaders, DWORD dwHeadersLength,
                            DWORD dwModifiers);

// Sends the request and returns once the final response's status line and headers are in.
BOOL HttpSendRequestA(HINTERNET hRequest, const char* lpszHeaders, DWORD dwHeadersLength,
                      void* lpOptional, DWORD dwOptionalLength);

// HTTP_QUERY_STATUS_CODE or HTTP_QUERY_CONTENT_LENGTH, as decimal text, or the final answer's
// HTTP_QUERY_ETAG or HTTP_QUERY_LAST_MODIFIED as sent (a Last-Modified later than the answer's
// own date is taken as none). Fails with ERROR_HTTP_HEADER_NOT_FOUND when the answer carries no
// such value.
BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, void* lpBuffer, DWORD* lpdwBufferLength,
                    DWORD* lpdwIndex);

// Blocks until dwNumberOfBytesToRead bytes of the body are in or the body has ended; 0 bytes
// read means the end of the body.
BOOL InternetReadFile(HINTERNET hFile, void* lpBuffer, DWORD dwNumberOfBytesToRead,
                      DWORD* lpdwNumberOfBytesRead);

BOOL InternetCloseHandle(HINTERNET hInternet);

// The reason for this thread's last failure in the words of the transfer library (empty when
// there is none). Sizes as in InternetCanonicalizeUrlA.
BOOL InternetGetLastResponseInfoA(DWORD* lpdwError, char* lpszBuffer, DWORD* lpdwBufferLength);

DWORD InternetGetLastError();
void InternetSetLastError(DWORD dwError);
