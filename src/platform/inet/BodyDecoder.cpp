#include "platform/inet/BodyDecoder.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;
// zlib's window bits: 15, plus 32 to take a zlib or a gzip header as it comes; negative for a
// bare deflate stream without either.
constexpr int kAnyHeader = 15 + 32;
constexpr int kBareDeflate = -15;

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

} // namespace

BodyDecoder::~BodyDecoder() {
    if (m_started) {
        inflateEnd(&m_stream);
    }
}

bool BodyDecoder::Start(int windowBits) {
    if (m_started) {
        inflateEnd(&m_stream);
        m_started = false;
    }
    m_stream = z_stream{};
    m_started = inflateInit2(&m_stream, windowBits) == Z_OK;
    return m_started;
}

bool BodyDecoder::Begin(std::string_view encoding) {
    const std::string name = Lowered(encoding);
    if (name.empty() || name == "identity") {
        m_kind = Kind::None;
        return true;
    }
    if (name == "gzip" || name == "x-gzip") {
        m_kind = Kind::Gzip;
    } else if (name == "deflate") {
        m_kind = Kind::Deflate;
    } else {
        m_kind = Kind::None;
        return false;
    }
    return Start(kAnyHeader);
}

BodyDecoder::Step BodyDecoder::Decode(const char* data, std::size_t bytes, std::string& out,
                                      std::size_t limit) {
    if (!m_started) {
        return Step::Damaged;
    }
    const std::size_t began = out.size();
    // Until a "deflate" body has decoded to something, its bytes are kept to be read again as bare
    // deflate data: its header may fail only at a later piece.
    const bool mayRetry = m_kind == Kind::Deflate && !m_triedRaw && !m_anyOutput;
    if (mayRetry) {
        m_unreadPrefix.append(data, bytes);
    }
    m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    m_stream.avail_in = static_cast<uInt>(bytes);
    m_received = m_received || bytes > 0;
    // A full piece may leave output inside zlib though every input byte is taken.
    bool outputWaits = false;
    while (m_stream.avail_in > 0 || outputWaits) {
        if (m_ended) {
            // More after the end: a further gzip member, or damage that the next step shows.
            if (inflateReset(&m_stream) != Z_OK) {
                return Step::Damaged;
            }
            m_ended = false;
        }
        const std::size_t at = out.size();
        out.resize(at + kPieceBytes);
        m_stream.next_out = reinterpret_cast<Bytef*>(out.data() + at);
        m_stream.avail_out = static_cast<uInt>(kPieceBytes);
        const int result = inflate(&m_stream, Z_NO_FLUSH);
        const bool pieceFull = m_stream.avail_out == 0;
        out.resize(out.size() - m_stream.avail_out);
        m_anyOutput = m_anyOutput || out.size() > at;
        if (result == Z_DATA_ERROR && m_kind == Kind::Deflate && !m_anyOutput && !m_triedRaw) {
            // "deflate" is a zlib stream, but some servers send the bare deflate data.
            m_triedRaw = true;
            if (!Start(kBareDeflate)) {
                return Step::Damaged;
            }
            out.resize(began);
            const std::string prefix = std::move(m_unreadPrefix);
            m_unreadPrefix.clear();
            return Decode(prefix.data(), prefix.size(), out, limit);
        }
        if (result == Z_STREAM_END) {
            m_ended = true;
        } else if (result != Z_OK && !(result == Z_BUF_ERROR && outputWaits)) {
            return Step::Damaged;
        }
        if (out.size() - began > limit) {
            return Step::TooLarge;
        }
        outputWaits = pieceFull && !m_ended;
    }
    if (m_anyOutput || m_triedRaw) {
        m_unreadPrefix.clear();
    }
    return Step::Decoded;
}
