#pragma once
// Body bytes that the transfer has received and the reader has not taken yet, in one block of
// fixed size. Taking from the front only moves a start offset; the few bytes left over are moved
// to the front when a new block would not fit behind them. A full buffer refuses more, so the
// transfer can be paused until the reader has taken enough.

#include <cstddef>
#include <memory>

class ReceiveBuffer {
public:
    explicit ReceiveBuffer(std::size_t capacity) : m_capacity(capacity) {}

    std::size_t Size() const { return m_end - m_start; }
    // Copies `bytes` in, or refuses them (returning false) when they do not fit beside what the
    // buffer holds. An empty buffer takes a block of any size, growing for it.
    bool Append(const char* data, std::size_t bytes);
    // Moves up to `wanted` bytes from the front to `destination`; returns how many.
    std::size_t Take(char* destination, std::size_t wanted);

private:
    std::size_t m_capacity;
    // Left uninitialised: only the bytes that arrive are ever written or read.
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_start = 0;
    std::size_t m_end = 0;
};
