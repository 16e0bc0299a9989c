#include "platform/inet/HttpRequest.h"

#include "platform/inet/InternetErrors.h"

#include <algorithm>
#include <chrono>

namespace {

// How much received body the layer holds for the reader before it pauses the transfer: enough
// for several of curl's receives, so the transfer is driven (and paused) only now and then,
// while the memory used stays the same for a page of any size.
constexpr std::size_t kReceiveBufferBytes = 256 * 1024;

std::string RequestUrl(bool secure, const std::string& host, INTERNET_PORT port,
                       const std::string& object) {
    std::string url = secure ? "https://" : "http://";
    url += host + ":" + std::to_string(port);
    if (object.empty() || object.front() != '/') {
        url += '/';
    }
    return url + object;
}

} // namespace

HttpRequest::HttpRequest(const ConnectionHandle& connection, std::string object, long httpVersion,
                         bool secure, bool reload, DWORD_PTR handleContext)
    : InternetHandle(Kind::Request, handleContext), m_received(kReceiveBufferBytes) {
    m_request.agent = connection.agent;
    m_request.options = connection.options;
    m_request.host = connection.host;
    m_request.url = RequestUrl(secure, connection.host, connection.port, object);
    m_request.httpVersion = httpVersion;
    m_request.secure = secure;
    m_request.reload = reload;
}

HttpRequest::~HttpRequest() {
    if (m_multi != nullptr && m_transfer && m_transfer->Easy() != nullptr) {
        curl_multi_remove_handle(m_multi, m_transfer->Easy());
    }
    m_transfer.reset();
    if (m_multi != nullptr) {
        curl_multi_cleanup(m_multi);
    }
}

bool HttpRequest::AddHeaders(std::string_view block, bool onlyIfNew) {
    bool allValid = true;
    while (!block.empty()) {
        const std::size_t end = block.find("\r\n");
        const std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        if (line.empty()) {
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = colon == std::string_view::npos
                                          ? std::string_view()
                                          : TrimmedHeaderText(line.substr(0, colon));
        if (name.empty() || line.find_first_of("\r\n") != std::string_view::npos) {
            allValid = false;
            continue;
        }
        if (onlyIfNew && m_request.HasHeader(name)) {
            continue;
        }
        // The value goes out exactly as given (a trailing blank included); only the blanks
        // between the colon and the value are dropped.
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
            value.remove_prefix(1);
        }
        m_request.headers.emplace_back(std::string(name), std::string(value));
    }
    if (!allValid) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
    }
    return allValid;
}

bool HttpRequest::Send() {
    if (m_sent) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_sent = true;
    m_transfer = std::make_unique<PageTransfer>(m_request, &HttpRequest::OnBody, this);
    if (!m_transfer->Prepare()) {
        InternetSetLastFailure(m_transfer->FailureNumber(), m_transfer->FailureDetail());
        return false;
    }
    m_multi = curl_multi_init();
    if (m_multi == nullptr || curl_multi_add_handle(m_multi, m_transfer->Easy()) != CURLM_OK) {
        InternetSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DriveUntil([this] { return m_transfer->HeadComplete() || m_received.Size() > 0 || m_paused; });
    if (!m_transfer->HeadComplete() && m_received.Size() == 0 && m_transfer->Failed()) {
        return FailTransfer();
    }
    return true;
}

std::int64_t HttpRequest::AnnouncedLength() const {
    return m_transfer ? m_transfer->AnnouncedLength() : -1;
}

bool HttpRequest::Read(char* buffer, std::size_t wanted, std::size_t& got) {
    got = 0;
    if (!m_sent || !m_transfer) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (m_paused && m_received.Size() < wanted) {
        Resume();
    }
    DriveUntil([this, wanted] { return m_received.Size() >= wanted || m_paused; });
    if (m_received.Size() == 0 && m_transfer->Failed()) {
        return FailTransfer();
    }
    got = m_received.Take(buffer, wanted);
    return true;
}

void HttpRequest::Resume() {
    m_paused = false;
    // curl hands over what it held back at once, which may fill the buffer and pause again.
    const CURLcode resumed = curl_easy_pause(m_transfer->Easy(), CURLPAUSE_CONT);
    if (resumed != CURLE_OK) {
        m_done = true;
        m_transfer->EndWith(resumed);
    }
}

template <class Satisfied> void HttpRequest::DriveUntil(Satisfied satisfied) {
    // Most reads are served from the buffer: they neither look at the clock nor call curl.
    if (m_done || satisfied()) {
        return;
    }
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kLongestPoll(1000);
    const auto idleLimit = m_transfer->IdleLimit();
    // Only time spent waiting here counts as idle, not the caller's time between reads.
    const Clock::time_point waitBegan = Clock::now();
    while (!m_done && !satisfied()) {
        int running = 0;
        CURLMcode status = curl_multi_perform(m_multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                m_done = true;
                m_transfer->EndWith(message->data.result);
            }
        }
        if (m_done || satisfied()) {
            break;
        }
        std::chrono::milliseconds poll = kLongestPoll;
        if (m_transfer->AnswerBegun()) {
            const auto idle = m_transfer->IdleFor(Clock::now(), waitBegan);
            if (idle >= idleLimit) {
                m_transfer->EndIdle();
                m_done = true;
                break;
            }
            poll = std::min(poll, idleLimit - idle);
        }
        if (status == CURLM_OK) {
            status = curl_multi_poll(m_multi, nullptr, 0, static_cast<int>(poll.count()), nullptr);
        }
        if (status != CURLM_OK) {
            m_done = true;
            m_transfer->EndDriveFailure();
        }
    }
}

std::size_t HttpRequest::OnBody(void* self, const char* data, std::size_t bytes) {
    auto& request = *static_cast<HttpRequest*>(self);
    // A full buffer pauses the transfer; curl keeps these bytes and offers them again when
    // Read resumes it.
    if (!request.m_received.Append(data, bytes)) {
        request.m_paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    return bytes;
}

bool HttpRequest::FailTransfer() {
    InternetSetLastFailure(m_transfer->FailureNumber(), m_transfer->FailureDetail());
    return false;
}
