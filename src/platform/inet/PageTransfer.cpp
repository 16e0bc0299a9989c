#include "platform/inet/PageTransfer.h"

#include "platform/inet/InternetErrors.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace {

// How much curl receives at a time.
constexpr long kTransferBufferBytes = 64 * 1024;

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

// Names under the reserved top-level domain "invalid" never resolve (RFC 6761), so the layer
// answers for them at once and never asks a name server.
bool IsReservedInvalidName(std::string host) {
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!host.empty() && host.back() == '.') {
        host.pop_back();
    }
    constexpr std::string_view kSuffix = ".invalid";
    return host == "invalid" ||
           (host.size() > kSuffix.size() &&
            host.compare(host.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0);
}

} // namespace

std::string_view TrimmedHeaderText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

bool TransferRequest::HasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(), [name](const auto& header) {
        return EqualsIgnoringCase(header.first, name);
    });
}

PageTransfer::PageTransfer(TransferRequest request, BodySink sink, void* owner)
    : m_request(std::move(request)), m_sink(sink), m_owner(owner) {}

PageTransfer::~PageTransfer() {
    if (m_easy != nullptr) {
        curl_easy_cleanup(m_easy);
    }
    curl_slist_free_all(m_headerList);
}

bool PageTransfer::PrepareFailed(DWORD error, std::string_view detail) {
    m_prepareError = error;
    m_prepareDetail = detail;
    return false;
}

bool PageTransfer::Prepare() {
    if (IsReservedInvalidName(m_request.host)) {
        return PrepareFailed(ERROR_INTERNET_NAME_NOT_RESOLVED,
                             "names under .invalid never resolve");
    }
    m_easy = curl_easy_init();
    if (m_easy == nullptr) {
        return PrepareFailed(ERROR_NOT_ENOUGH_MEMORY, {});
    }

    auto addLine = [this](const std::string& line) {
        curl_slist* grown = curl_slist_append(m_headerList, line.c_str());
        if (grown != nullptr) {
            m_headerList = grown;
        }
        return grown != nullptr;
    };
    bool listMade = true;
    for (const auto& [name, value] : m_request.headers) {
        listMade &= addLine(value.empty() ? name + ";" : name + ": " + value);
    }
    if (m_request.reload) {
        if (!m_request.HasHeader("Cache-Control")) {
            listMade &= addLine("Cache-Control: no-cache");
        }
        if (!m_request.HasHeader("Pragma")) {
            listMade &= addLine("Pragma: no-cache");
        }
    }
    // curl would add "Accept: */*" of its own; a request without Accept goes out without one.
    if (!m_request.HasHeader("Accept")) {
        listMade &= addLine("Accept:");
    }
    if (!listMade) {
        return PrepareFailed(ERROR_NOT_ENOUGH_MEMORY, {});
    }

    const InternetOptions& options = m_request.options;
    const long idleSeconds = std::max<long>(1, static_cast<long>(options.idleTimeout.count()));
    bool set = true;
    auto option = [&set](CURLcode code) { set &= code == CURLE_OK; };
    option(curl_easy_setopt(m_easy, CURLOPT_URL, m_request.url.c_str()));
    option(curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    // Redirects are followed, but never from a secure page to a plain one.
    option(curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR,
                            m_request.secure ? "https" : "http,https"));
    option(curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, 10L));
    option(curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L));
    // HTTP/2 where a TLS server offers it; a plain connection stays on the version asked for.
    const bool offerHttp2 = m_request.secure && m_request.httpVersion == CURL_HTTP_VERSION_1_1;
    option(curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION,
                            offerHttp2 ? long{CURL_HTTP_VERSION_2TLS} : m_request.httpVersion));
    option(curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headerList));
    if (!m_request.HasHeader("User-Agent") && !m_request.agent.empty()) {
        option(curl_easy_setopt(m_easy, CURLOPT_USERAGENT, m_request.agent.c_str()));
    }
    // The encodings the decoder knows are asked for, and the body is handed on decoded: the page
    // is the bytes an uncompressed answer would carry, and the size limit counts those. curl only
    // sends the header: it would take a stream cut short for a whole one.
    option(curl_easy_setopt(m_easy, CURLOPT_ACCEPT_ENCODING, BodyDecoder::kAccepted));
    option(curl_easy_setopt(m_easy, CURLOPT_HTTP_CONTENT_DECODING, 0L));
    // A reply without a status line is taken as a body without status, as old servers send it.
    option(curl_easy_setopt(m_easy, CURLOPT_HTTP09_ALLOWED, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS,
                            static_cast<long>(options.connectTimeout.count())));
    option(curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L));
    option(curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, idleSeconds));
    option(curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, kTransferBufferBytes));
    option(curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer));
    option(curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &PageTransfer::OnBody));
    option(curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this));
    option(curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &PageTransfer::OnHeader));
    option(curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this));
    option(curl_easy_setopt(m_easy, CURLOPT_PRIVATE, this));
    if (!options.extraCaFile.empty()) {
        option(curl_easy_setopt(m_easy, CURLOPT_CAINFO, options.extraCaFile.c_str()));
    }
    if (!set) {
        return PrepareFailed(ERROR_NOT_ENOUGH_MEMORY, {});
    }
    return true;
}

std::int64_t PageTransfer::AnnouncedLength() const {
    curl_off_t length = -1;
    if (m_easy == nullptr || !m_headComplete ||
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
        return -1;
    }
    return length;
}

std::chrono::milliseconds PageTransfer::IdleLimit() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::max(m_request.options.idleTimeout, std::chrono::seconds(1)));
}

std::chrono::milliseconds PageTransfer::IdleFor(std::chrono::steady_clock::time_point now,
                                                std::chrono::steady_clock::time_point since) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - std::max(m_lastData, since));
}

void PageTransfer::EndIdle() {
    m_idleTimedOut = true;
    m_result = CURLE_OPERATION_TIMEDOUT;
}

std::size_t PageTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto& transfer = *static_cast<PageTransfer*>(self);
    const std::size_t bytes = size * count;
    transfer.NoteData();
    if (!transfer.m_encodingFault.empty()) {
        return CURL_WRITEFUNC_ERROR;
    }
    if (!transfer.m_decoder.Active()) {
        const std::size_t taken = transfer.Deliver(data, bytes);
        return transfer.m_bodyTooLarge ? CURL_WRITEFUNC_ERROR : taken;
    }
    if (!transfer.m_decodedWaits) {
        transfer.m_decoded.clear();
        transfer.m_decodedAt = 0;
        const std::int64_t room = std::max<std::int64_t>(
            0, transfer.m_request.options.maxBodyBytes - transfer.m_bodyBytes);
        switch (transfer.m_decoder.Decode(data, bytes, transfer.m_decoded,
                                          static_cast<std::size_t>(room))) {
        case BodyDecoder::Step::Decoded:
            break;
        case BodyDecoder::Step::TooLarge:
            transfer.m_bodyTooLarge = true;
            return CURL_WRITEFUNC_ERROR;
        case BodyDecoder::Step::Damaged:
            transfer.m_encodingFault = "the compressed data is not valid";
            return CURL_WRITEFUNC_ERROR;
        }
    }
    // Handed on in pieces no larger than curl's own, as a sink that holds back a piece larger
    // than the room it has left would never take it.
    while (transfer.m_decodedAt < transfer.m_decoded.size()) {
        const std::size_t piece = std::min<std::size_t>(
            CURL_MAX_WRITE_SIZE, transfer.m_decoded.size() - transfer.m_decodedAt);
        const std::size_t taken =
            transfer.Deliver(transfer.m_decoded.data() + transfer.m_decodedAt, piece);
        transfer.m_decodedWaits = taken == CURL_WRITEFUNC_PAUSE;
        if (transfer.m_decodedWaits) {
            return CURL_WRITEFUNC_PAUSE;
        }
        if (transfer.m_bodyTooLarge || taken != piece) {
            return CURL_WRITEFUNC_ERROR;
        }
        transfer.m_decodedAt += piece;
    }
    return bytes;
}

// Hands decoded bytes to the sink: `bytes` when it took them, CURL_WRITEFUNC_PAUSE when it holds
// them back (they are offered again on resumption and counted only once taken).
std::size_t PageTransfer::Deliver(const char* data, std::size_t bytes) {
    if (bytes == 0) {
        return 0;
    }
    if (m_bodyBytes + static_cast<std::int64_t>(bytes) > m_request.options.maxBodyBytes) {
        m_bodyTooLarge = true;
        return 0;
    }
    const std::size_t taken = m_sink(m_owner, data, bytes);
    if (taken == bytes) {
        m_bodyBytes += static_cast<std::int64_t>(bytes);
    }
    return taken;
}

void PageTransfer::EndWith(CURLcode result) {
    // curl saw every byte the server announced; a compressed stream that stopped before its end
    // is still a page cut short.
    if (result == CURLE_OK && m_decoder.Active() && m_decoder.Received() && !m_decoder.Ended()) {
        m_encodingFault = "the compressed data stops before the end of its stream";
        result = CURLE_BAD_CONTENT_ENCODING;
    }
    m_result = result;
}

std::size_t PageTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto& transfer = *static_cast<PageTransfer*>(self);
    const std::size_t bytes = size * count;
    transfer.NoteData();
    const std::string_view line = TrimmedHeaderText(std::string_view(data, bytes));
    if (StartsWithIgnoringCase(line, "HTTP/")) {
        const std::size_t blank = line.find(' ');
        const std::string_view code = blank == std::string_view::npos
                                          ? std::string_view()
                                          : TrimmedHeaderText(line.substr(blank + 1)).substr(0, 3);
        const bool digits = code.size() == 3 && std::all_of(code.begin(), code.end(), [](char c) {
                                return std::isdigit(static_cast<unsigned char>(c));
                            });
        transfer.m_lineStatus = digits ? std::stoi(std::string(code)) : 0;
        transfer.m_lineHasLocation = false;
        transfer.m_lineEncoding.clear();
        transfer.m_lineValidators = {};
        transfer.m_lineDate.clear();
    } else if (StartsWithIgnoringCase(line, "Location:")) {
        transfer.m_lineHasLocation = true;
    } else if (StartsWithIgnoringCase(line, "Content-Encoding:")) {
        transfer.m_lineEncoding = TrimmedHeaderText(line.substr(17));
    } else if (StartsWithIgnoringCase(line, "ETag:")) {
        transfer.m_lineValidators.etag = TrimmedHeaderText(line.substr(5));
    } else if (StartsWithIgnoringCase(line, "Last-Modified:")) {
        transfer.m_lineValidators.lastModified = TrimmedHeaderText(line.substr(14));
    } else if (StartsWithIgnoringCase(line, "Date:")) {
        transfer.m_lineDate = TrimmedHeaderText(line.substr(5));
    } else if (line.empty() && transfer.m_lineStatus != 0) {
        transfer.NoteHeadEnd();
    }
    return bytes;
}

void PageTransfer::NoteHeadEnd() {
    // The end of a response's head. An interim response and a redirect that curl follows are
    // not the answer; the head of any other one is.
    const int status = m_lineStatus;
    const bool interim = status >= 100 && status < 200;
    const bool followed = status >= 300 && status < 400 && m_lineHasLocation;
    if (interim || followed) {
        return;
    }
    m_status = status;
    m_headComplete = true;
    if (!m_decoder.Begin(m_lineEncoding)) {
        m_encodingFault = "the page came in an encoding that was not asked for: " + m_lineEncoding;
    }
    m_validators = m_lineValidators;
    if (!m_validators.lastModified.empty()) {
        const std::time_t modified = curl_getdate(m_validators.lastModified.c_str(), nullptr);
        const std::time_t dated =
            m_lineDate.empty() ? -1 : curl_getdate(m_lineDate.c_str(), nullptr);
        const std::time_t now = dated != -1 ? dated : std::time(nullptr);
        if (modified == -1 || modified > now) {
            m_validators.lastModified.clear();
        }
    }
}

void PageTransfer::NoteData() {
    m_answerBegun = true;
    m_lastData = std::chrono::steady_clock::now();
}

DWORD PageTransfer::FailureNumber() const {
    if (m_prepareError != 0) {
        return m_prepareError;
    }
    if (m_driveFailed) {
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
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
    case CURLE_BAD_CONTENT_ENCODING:
        return ERROR_VNT_DAMAGED_ENCODING;
    case CURLE_WRITE_ERROR:
        return m_bodyTooLarge             ? ERROR_VNT_PAGE_TOO_LARGE
               : !m_encodingFault.empty() ? ERROR_VNT_DAMAGED_ENCODING
                                          : ERROR_INTERNET_INTERNAL_ERROR;
    case CURLE_OUT_OF_MEMORY:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

std::string PageTransfer::FailureDetail() const {
    if (m_prepareError != 0) {
        return m_prepareDetail;
    }
    if (m_idleTimedOut) {
        return "no data arrived for " +
               std::to_string(std::max<long long>(1, m_request.options.idleTimeout.count())) + " s";
    }
    if (!m_encodingFault.empty()) {
        return m_encodingFault;
    }
    std::string detail = m_errorBuffer;
    if (detail.empty() && !m_driveFailed) {
        detail = curl_easy_strerror(m_result);
    }
    return detail;
}
