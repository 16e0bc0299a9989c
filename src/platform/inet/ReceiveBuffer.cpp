#include "platform/inet/ReceiveBuffer.h"

#include <cstring>

bool ReceiveBuffer::Append(const char* data, std::size_t bytes) {
    if (bytes == 0) {
        return true;
    }
    const std::size_t held = Size();
    if (held + bytes > m_capacity) {
        if (held > 0) {
            return false;
        }
        m_capacity = bytes;
        m_bytes.reset();
    }
    if (!m_bytes) {
        m_bytes = std::make_unique_for_overwrite<char[]>(m_capacity);
    }
    if (m_end + bytes > m_capacity) {
        std::memmove(m_bytes.get(), m_bytes.get() + m_start, held);
        m_start = 0;
        m_end = held;
    }
    std::memcpy(m_bytes.get() + m_end, data, bytes);
    m_end += bytes;
    return true;
}

std::size_t ReceiveBuffer::Take(char* destination, std::size_t wanted) {
    const std::size_t taken = wanted < Size() ? wanted : Size();
    if (taken == 0) {
        return 0;
    }
    std::memcpy(destination, m_bytes.get() + m_start, taken);
    m_start += taken;
    if (m_start == m_end) {
        m_start = m_end = 0;
    }
    return taken;
}
