#pragma once
// One HTTP request on a curl multi transfer that this thread drives itself. The transfer runs
// only inside Send and Read: its write callback fills a buffer of bounded size that Read drains,
// so the caller sees each read of the body as one blocking call. Read hands out what the buffer
// holds without calling curl; a full buffer pauses the transfer until Read has taken enough.

#include "platform/inet/InternetHandle.h"
#include "platform/inet/PageTransfer.h"
#include "platform/inet/ReceiveBuffer.h"

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class HttpRequest : public InternetHandle {
public:
    HttpRequest(const ConnectionHandle& connection, std::string object, long httpVersion,
                bool secure, bool reload, DWORD_PTR handleContext);
    ~HttpRequest() override;

    // Each failing call records its reason with InternetSetLastFailure.
    bool AddHeaders(std::string_view block, bool onlyIfNew);
    bool Send();
    // The final response's status code; 0 when the server sent no status line.
    int Status() const { return m_transfer ? m_transfer->Status() : 0; }
    bool IsSent() const { return m_sent; }
    // The body length the server announced; -1 when it announced none.
    std::int64_t AnnouncedLength() const;
    // What the final response said identifies its copy (see PageTransfer::Validators).
    PageValidators Validators() const {
        return m_transfer ? m_transfer->Validators() : PageValidators{};
    }
    // Waits until `wanted` bytes of the body are in, the buffer is full or the body has ended.
    bool Read(char* buffer, std::size_t wanted, std::size_t& got);

    // The request as gathered so far, for a transfer run elsewhere (the concurrent engine).
    const TransferRequest& Request() const { return m_request; }

private:
    static std::size_t OnBody(void* self, const char* data, std::size_t bytes);

    template <class Satisfied> void DriveUntil(Satisfied satisfied);
    void Resume();
    bool FailTransfer();

    TransferRequest m_request;
    std::unique_ptr<PageTransfer> m_transfer;
    CURLM* m_multi = nullptr;

    // Received body bytes not yet read. While m_paused, curl holds back what did not fit.
    ReceiveBuffer m_received;
    bool m_paused = false;

    bool m_sent = false;
    bool m_done = false;
};
