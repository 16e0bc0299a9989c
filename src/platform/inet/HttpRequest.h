#pragma once
// One HTTP request on a curl multi transfer that this thread drives itself. The transfer runs
// only inside Send and Read: its write callback fills a buffer of bounded size that Read drains,
// so the caller sees each read of the body as one blocking call. Read hands out what the buffer
// holds without calling curl; a full buffer pauses the transfer until Read has taken enough.

#include "platform/inet/InternetHandle.h"
#include "platform/inet/ReceiveBuffer.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class HttpRequest : public InternetHandle {
public:
    HttpRequest(const ConnectionHandle& connection, std::string object, long httpVersion,
                bool secure, bool reload, DWORD_PTR handleContext);
    ~HttpRequest() override;

    // Each failing call records its reason with InternetSetLastFailure.
    bool AddHeaders(std::string_view block, bool onlyIfNew);
    bool Send();
    // The final response's status code; 0 when the server sent no status line.
    int Status() const { return m_status; }
    bool IsSent() const { return m_sent; }
    // The body length the server announced; -1 when it announced none.
    std::int64_t AnnouncedLength() const;
    // Waits until `wanted` bytes of the body are in, the buffer is full or the body has ended.
    bool Read(char* buffer, std::size_t wanted, std::size_t& got);

private:
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);

    void NoteData();
    bool HasHeader(std::string_view name) const;
    bool Prepare();
    template <class Satisfied> void DriveUntil(Satisfied satisfied);
    void Resume();
    bool FailTransfer();
    DWORD FailureNumber() const;

    const std::string m_agent;
    const InternetOptions m_options;
    const std::string m_host;
    const std::string m_url;
    const long m_httpVersion;
    const bool m_secure;
    const bool m_reload;

    std::vector<std::pair<std::string, std::string>> m_headers;

    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
    curl_slist* m_headerList = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};

    // Received body bytes not yet read. While m_paused, curl holds back what did not fit.
    ReceiveBuffer m_received;
    bool m_paused = false;
    std::int64_t m_bodyBytes = 0;
    bool m_bodyTooLarge = false;

    // The response being received: its status line and whether it carried a Location header.
    int m_lineStatus = 0;
    bool m_lineHasLocation = false;
    bool m_headComplete = false;
    int m_status = 0;

    // The layer's own idle time-out once the answer has begun (curl's low-speed check, which
    // also guards the wait for the answer, reacts only after several seconds of averaging).
    bool m_answerBegun = false;
    std::chrono::steady_clock::time_point m_lastData;
    bool m_idleTimedOut = false;

    bool m_sent = false;
    bool m_done = false;
    bool m_driveFailed = false;
    CURLcode m_result = CURLE_OK;
};
