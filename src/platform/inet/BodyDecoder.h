#pragma once
// Decodes a body the server sent compressed (Content-Encoding gzip or deflate), piece by piece as
// it arrives, and knows whether the compressed stream came to its end: a stream cut short is as
// damaged as one with wrong bytes, though every byte the server announced has arrived.

#include <cstddef>
#include <string>
#include <string_view>

#include <zlib.h>

class BodyDecoder {
public:
    BodyDecoder() = default;
    ~BodyDecoder();
    BodyDecoder(const BodyDecoder&) = delete;
    BodyDecoder& operator=(const BodyDecoder&) = delete;

    // The encodings asked for, as an Accept-Encoding value.
    static constexpr const char* kAccepted = "gzip, deflate";

    // Starts on an answer with this Content-Encoding; a body sent without one, or as identity, is
    // passed on as it is. False for an encoding it cannot decode.
    bool Begin(std::string_view encoding);
    bool Active() const { return m_kind != Kind::None; }

    enum class Step { Decoded, Damaged, TooLarge };
    // Appends what `data` decodes to, stopping at TooLarge once more than `limit` bytes would be
    // appended (a small body may decode to a huge one).
    Step Decode(const char* data, std::size_t bytes, std::string& out, std::size_t limit);
    // Whether any compressed data came, and whether the last stream begun came to its end.
    bool Received() const { return m_received; }
    bool Ended() const { return m_ended; }

private:
    enum class Kind { None, Gzip, Deflate };
    bool Start(int windowBits);

    Kind m_kind = Kind::None;
    z_stream m_stream{};
    bool m_started = false;
    bool m_ended = false;
    bool m_received = false;
    bool m_anyOutput = false;
    bool m_triedRaw = false;
    std::string m_unreadPrefix;
};
