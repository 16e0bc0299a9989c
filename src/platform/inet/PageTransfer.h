#pragma once
// One page transfer on a curl easy handle: the ONE place where a page request's transfer options
// are set (request line and headers, TLS verification, redirect rule, body size limit, proxy,
// connect and idle time-outs, compression, HTTP version), where the answer's head is followed, and
// where curl's result becomes an error number and text. The window's blocking request (HttpRequest)
// and the concurrent engine (TransferEngine) both run their transfers through it, so the requests
// the two send cannot drift apart.

#include "platform/inet/BodyDecoder.h"
#include "platform/inet/InternetOptions.h"
#include "platform/inet/WinInet.h"
#include "platform/system/PageValidators.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the handle calls of WinInet.h gather for one request before it is sent.
struct TransferRequest {
    std::string agent; // the root handle's agent name: the User-Agent of a request without one
    InternetOptions options;
    std::string host;
    std::string url; // scheme, host, port and object
    long httpVersion = CURL_HTTP_VERSION_1_1;
    bool secure = false;
    bool reload = false;
    std::vector<std::pair<std::string, std::string>> headers;

    bool HasHeader(std::string_view name) const;
};

// A header line's text without the blanks around it (and the line end after it).
std::string_view TrimmedHeaderText(std::string_view text);

class PageTransfer {
public:
    // Receives body bytes: yields `bytes` when it took them all, or CURL_WRITEFUNC_PAUSE to hold
    // them back (curl offers the same bytes again once the transfer is resumed).
    using BodySink = std::size_t (*)(void* owner, const char* data, std::size_t bytes);

    PageTransfer(TransferRequest request, BodySink sink, void* owner);
    ~PageTransfer();
    PageTransfer(const PageTransfer&) = delete;
    PageTransfer& operator=(const PageTransfer&) = delete;

    // Makes the easy handle with every option set. False with the reason kept (FailureNumber,
    // FailureDetail) when the request cannot be made: no memory, or a host under ".invalid".
    bool Prepare();
    CURL* Easy() const { return m_easy; }
    const TransferRequest& Request() const { return m_request; }

    // The answer so far. The head is complete once the final response's headers are in (an
    // interim response and a redirect curl follows are not the answer); Status is then its code.
    bool HeadComplete() const { return m_headComplete; }
    int Status() const { return m_status; }
    // Body bytes received, as decoded when the server sent them compressed.
    std::int64_t BodyBytes() const { return m_bodyBytes; }
    // What the final response said identifies its copy (complete with the head). A Last-Modified
    // later than the response's own Date (or than now, without one) or that cannot be read is
    // left out: a clock that runs ahead must not vouch for copies it has not seen yet.
    const PageValidators& Validators() const { return m_validators; }
    // The body length the server announced; -1 when it announced none.
    std::int64_t AnnouncedLength() const;

    // The layer's idle time-out once the answer has begun: curl's low-speed check reacts only
    // after several seconds of averaging, so a transfer idle this long since `since` (or since
    // its last data, when later) has timed out.
    bool AnswerBegun() const { return m_answerBegun; }
    std::chrono::steady_clock::time_point LastData() const { return m_lastData; }
    std::chrono::milliseconds IdleLimit() const;
    std::chrono::milliseconds IdleFor(std::chrono::steady_clock::time_point now,
                                      std::chrono::steady_clock::time_point since) const;

    // How the transfer ended, when it failed: curl's result, the idle time-out, or a failure of
    // the multi handle that drove it.
    void EndWith(CURLcode result);
    void EndIdle();
    void EndDriveFailure() { m_driveFailed = true; }
    bool Failed() const { return m_driveFailed || m_result != CURLE_OK || m_prepareError != 0; }
    DWORD FailureNumber() const;
    std::string FailureDetail() const;

private:
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    void NoteData();
    void NoteHeadEnd();
    bool PrepareFailed(DWORD error, std::string_view detail);

    const TransferRequest m_request;
    const BodySink m_sink;
    void* const m_owner;

    CURL* m_easy = nullptr;
    curl_slist* m_headerList = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};

    std::int64_t m_bodyBytes = 0;
    bool m_bodyTooLarge = false;
    // A compressed body is decoded here, not by curl, which cannot tell a stream cut short. What
    // a piece decoded to waits in m_decoded while the sink holds it back; curl then offers the
    // same compressed piece again, which is not decoded twice.
    BodyDecoder m_decoder;
    std::string m_decoded;
    std::size_t m_decodedAt = 0; // how much of it the sink has taken
    bool m_decodedWaits = false;
    std::string m_encodingFault; // why the body could not be decoded

    std::size_t Deliver(const char* data, std::size_t bytes);

    // The response being received: its status line and whether it carried a Location header.
    int m_lineStatus = 0;
    bool m_lineHasLocation = false;
    std::string m_lineEncoding;
    PageValidators m_lineValidators;
    std::string m_lineDate;
    PageValidators m_validators;
    bool m_headComplete = false;
    int m_status = 0;

    bool m_answerBegun = false;
    std::chrono::steady_clock::time_point m_lastData;

    CURLcode m_result = CURLE_OK;
    bool m_idleTimedOut = false;
    bool m_driveFailed = false;
    DWORD m_prepareError = 0;
    std::string m_prepareDetail;
};
