#include "platform/inet/HttpRequest.h"

#include "platform/inet/InternetErrors.h"

#include <algorithm>
#include <cctype>

namespace {

// How much curl receives at a time.
constexpr long kTransferBufferBytes = 64 * 1024;
// How much received body the layer holds for the reader before it pauses the transfer: enough
// for several receives, so the transfer is driven (and paused) only now and then, while the
// memory used stays the same for a page of any size.
constexpr std::size_t kReceiveBufferBytes = 4 * kTransferBufferBytes;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// Names under the reserved top-level domain "invalid" never resolve (RFC 6761), so the layer
// answers for them at once and never asks a name server.
bool IsReservedInvalidName(std::string host) {
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!host.empty() && host.back() == '.')
        host.pop_back();
    constexpr std::string_view kSuffix = ".invalid";
    return host == "invalid" ||
           (host.size() > kSuffix.size() &&
            host.compare(host.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0);
}

std::string RequestUrl(bool secure, const std::string& host, INTERNET_PORT port,
                       const std::string& object) {
    std::string url = secure ? "https://" : "http://";
    url += host + ":" + std::to_string(port);
    if (object.empty() || object.front() != '/')
        url += '/';
    return url + object;
}

} // namespace

HttpRequest::HttpRequest(const ConnectionHandle& connection, std::string object, long httpVersion,
                         bool secure, bool reload, DWORD_PTR handleContext)
    : InternetHandle(Kind::Request, handleContext), m_agent(connection.agent),
      m_options(connection.options), m_host(connection.host),
      m_url(RequestUrl(secure, connection.host, connection.port, object)),
      m_httpVersion(httpVersion), m_secure(secure), m_reload(reload),
      m_received(kReceiveBufferBytes) {}

HttpRequest::~HttpRequest() {
    if (m_multi != nullptr && m_easy != nullptr)
        curl_multi_remove_handle(m_multi, m_easy);
    if (m_easy != nullptr)
        curl_easy_cleanup(m_easy);
    if (m_multi != nullptr)
        curl_multi_cleanup(m_multi);
    curl_slist_free_all(m_headerList);
}

bool HttpRequest::HasHeader(std::string_view name) const {
    return std::any_of(m_headers.begin(), m_headers.end(), [name](const auto& header) {
        return EqualsIgnoringCase(header.first, name);
    });
}

bool HttpRequest::AddHeaders(std::string_view block, bool onlyIfNew) {
    bool allValid = true;
    while (!block.empty()) {
        const std::size_t end = block.find("\r\n");
        const std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        if (line.empty())
            continue;
        const std::size_t colon = line.find(':');
        const std::string_view name =
            colon == std::string_view::npos ? std::string_view() : Trimmed(line.substr(0, colon));
        if (name.empty() || line.find_first_of("\r\n") != std::string_view::npos) {
            allValid = false;
            continue;
        }
        if (onlyIfNew && HasHeader(name))
            continue;
        // The value goes out exactly as given (a trailing blank included); only the blanks
        // between the colon and the value are dropped.
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        m_headers.emplace_back(std::string(name), std::string(value));
    }
    if (!allValid)
        InternetSetLastError(ERROR_INVALID_PARAMETER);
    return allValid;
}

bool HttpRequest::Prepare() {
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
    if (m_easy == nullptr || m_multi == nullptr)
        return false;

    auto addLine = [this](const std::string& line) {
        curl_slist* grown = curl_slist_append(m_headerList, line.c_str());
        if (grown != nullptr)
            m_headerList = grown;
        return grown != nullptr;
    };
    bool listMade = true;
    for (const auto& [name, value] : m_headers)
        listMade &= addLine(value.empty() ? name + ";" : name + ": " + value);
    if (m_reload) {
        if (!HasHeader("Cache-Control"))
            listMade &= addLine("Cache-Control: no-cache");
        if (!HasHeader("Pragma"))
            listMade &= addLine("Pragma: no-cache");
    }
    // curl would add "Accept: */*" of its own; a request without Accept goes out without one.
    if (!HasHeader("Accept"))
        listMade &= addLine("Accept:");
    if (!listMade)
        return false;

    const long idleSeconds = std::max<long>(1, static_cast<long>(m_options.idleTimeout.count()));
    bool set = true;
    auto option = [&set](CURLcode code) { set &= code == CURLE_OK; };
    option(curl_easy_setopt(m_easy, CURLOPT_URL, m_url.c_str()));
    option(curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    // Redirects are followed, but never from a secure page to a plain one.
    option(
        curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, m_secure ? "https" : "http,https"));
    option(curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, 10L));
    option(curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, m_httpVersion));
    option(curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList));
    if (!HasHeader("User-Agent") && !m_agent.empty())
        option(curl_easy_setopt(m_easy, CURLOPT_USERAGENT, m_agent.c_str()));
    // The body is taken as raw bytes: nothing compressed is asked for or unpacked.
    option(curl_easy_setopt(m_easy, CURLOPT_HTTP_CONTENT_DECODING, 0L));
    // A reply without a status line is taken as a body without status, as old servers send it.
    option(curl_easy_setopt(m_easy, CURLOPT_HTTP09_ALLOWED, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS,
                            static_cast<long>(m_options.connectTimeout.count())));
    option(curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, idleSeconds));
    option(curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, kTransferBufferBytes));
    option(curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer));
    option(curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &HttpRequest::OnBody));
    option(curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this));
    option(curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &HttpRequest::OnHeader));
    option(curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this));
    if (!m_options.extraCaFile.empty())
        option(curl_easy_setopt(m_easy, CURLOPT_CAINFO, m_options.extraCaFile.c_str()));
    return set && curl_multi_add_handle(m_multi, m_easy) == CURLM_OK;
}

bool HttpRequest::Send() {
    if (m_sent) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_sent = true;
    if (IsReservedInvalidName(m_host)) {
        InternetSetLastFailure(ERROR_INTERNET_NAME_NOT_RESOLVED,
                               "names under .invalid never resolve");
        return false;
    }
    if (!Prepare()) {
        InternetSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DriveUntil([this] { return m_headComplete || m_received.Size() > 0 || m_paused; });
    if (!m_headComplete && m_received.Size() == 0 && (m_driveFailed || m_result != CURLE_OK))
        return FailTransfer();
    return true;
}

std::int64_t HttpRequest::AnnouncedLength() const {
    curl_off_t length = -1;
    if (m_easy == nullptr || !m_headComplete ||
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
        return -1;
    return length;
}

bool HttpRequest::Read(char* buffer, std::size_t wanted, std::size_t& got) {
    got = 0;
    if (!m_sent) {
        InternetSetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (m_paused && m_received.Size() < wanted)
        Resume();
    DriveUntil([this, wanted] { return m_received.Size() >= wanted || m_paused; });
    if (m_received.Size() == 0 && (m_driveFailed || m_result != CURLE_OK))
        return FailTransfer();
    got = m_received.Take(buffer, wanted);
    return true;
}

void HttpRequest::Resume() {
    m_paused = false;
    // curl hands over what it held back at once, which may fill the buffer and pause again.
    const CURLcode resumed = curl_easy_pause(m_easy, CURLPAUSE_CONT);
    if (resumed != CURLE_OK) {
        m_done = true;
        m_result = resumed;
    }
}

template <class Satisfied> void HttpRequest::DriveUntil(Satisfied satisfied) {
    // Most reads are served from the buffer: they neither look at the clock nor call curl.
    if (m_done || satisfied())
        return;
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kLongestPoll(1000);
    const auto idleLimit = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::max(m_options.idleTimeout, std::chrono::seconds(1)));
    // Only time spent waiting here counts as idle, not the caller's time between reads.
    const Clock::time_point waitBegan = Clock::now();
    while (!m_done && !satisfied()) {
        int running = 0;
        CURLMcode status = curl_multi_perform(m_multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                m_done = true;
                m_result = message->data.result;
            }
        }
        if (m_done || satisfied())
            break;
        std::chrono::milliseconds poll = kLongestPoll;
        if (m_answerBegun) {
            const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                Clock::now() - std::max(m_lastData, waitBegan));
            if (idle >= idleLimit) {
                m_idleTimedOut = true;
                m_done = true;
                m_result = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            poll = std::min(poll, idleLimit - idle);
        }
        if (status == CURLM_OK)
            status = curl_multi_poll(m_multi, nullptr, 0, static_cast<int>(poll.count()), nullptr);
        if (status != CURLM_OK) {
            m_done = true;
            m_driveFailed = true;
        }
    }
}

std::size_t HttpRequest::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto& request = *static_cast<HttpRequest*>(self);
    const std::size_t bytes = size * count;
    request.NoteData();
    if (request.m_bodyBytes + static_cast<std::int64_t>(bytes) > request.m_options.maxBodyBytes) {
        request.m_bodyTooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    // A full buffer pauses the transfer; curl keeps these bytes and offers them again when
    // Read resumes it, so they are counted only once taken.
    if (!request.m_received.Append(data, bytes)) {
        request.m_paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    request.m_bodyBytes += static_cast<std::int64_t>(bytes);
    return bytes;
}

std::size_t HttpRequest::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto& request = *static_cast<HttpRequest*>(self);
    const std::size_t bytes = size * count;
    request.NoteData();
    const std::string_view line = Trimmed(std::string_view(data, bytes));
    if (StartsWithIgnoringCase(line, "HTTP/")) {
        const std::size_t blank = line.find(' ');
        const std::string_view code = blank == std::string_view::npos
                                          ? std::string_view()
                                          : Trimmed(line.substr(blank + 1)).substr(0, 3);
        const bool digits = code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) {
                                return std::isdigit(static_cast<unsigned char>(c));
                            });
        request.m_lineStatus = digits ? std::stoi(std::string(code)) : 0;
        request.m_lineHasLocation = false;
    } else if (StartsWithIgnoringCase(line, "Location:")) {
        request.m_lineHasLocation = true;
    } else if (line.empty() && request.m_lineStatus != 0) {
        // The end of a response's head. An interim response and a redirect that curl follows
        // are not the answer; the head of any other one is.
        const int status = request.m_lineStatus;
        const bool interim = status >= 100 && status < 200;
        const bool followed = status >= 300 && status < 400 && request.m_lineHasLocation;
        if (!interim && !followed) {
            request.m_status = status;
            request.m_headComplete = true;
        }
    }
    return bytes;
}

void HttpRequest::NoteData() {
    m_answerBegun = true;
    m_lastData = std::chrono::steady_clock::now();
}

DWORD HttpRequest::FailureNumber() const {
    if (m_driveFailed)
        return ERROR_INTERNET_INTERNAL_ERROR;
    switch (m_result) {
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ERROR_VNT_PROXY_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // Only a redirect can lead to a scheme that is not allowed.
        return m_lineStatus >= 300 && m_lineStatus < 400 && m_lineHasLocation
                   ? ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR
                   : ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_PEER_FAILED_VERIFICATION:
        return ERROR_INTERNET_SEC_CERT_INVALID;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
        return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_WRITE_ERROR:
        return m_bodyTooLarge ? ERROR_VNT_PAGE_TOO_LARGE : ERROR_INTERNET_INTERNAL_ERROR;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

bool HttpRequest::FailTransfer() {
    std::string detail = m_errorBuffer;
    if (m_idleTimedOut)
        detail = "no data arrived for " +
                 std::to_string(std::max<long long>(1, m_options.idleTimeout.count())) + " s";
    if (detail.empty() && !m_driveFailed)
        detail = curl_easy_strerror(m_result);
    InternetSetLastFailure(FailureNumber(), detail);
    return false;
}
