#include "support/RawSocketServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

// A TCP socket bound to 127.0.0.1 at a port the system picks; its port comes back in `port`.
int BoundLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket() failed");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot bind to 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

std::string RawConnection::ReadRequestHead() {
    std::string head;
    char byte = 0;
    while (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0) {
        const ssize_t got = ::recv(m_socket, &byte, 1, 0);
        if (got <= 0) {
            break;
        }
        head += byte;
    }
    m_server.Record(head);
    return head;
}

bool RawConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void RawConnection::WaitForRelease() {
    m_server.WaitForRelease();
}

RawSocketServer::RawSocketServer(Session session) : m_session(std::move(session)) {
    m_listener = BoundLoopbackSocket(m_port);
    if (::listen(m_listener, 16) != 0) {
        ::close(m_listener);
        throw std::runtime_error("listen() failed");
    }
    m_thread = std::thread([this] { Serve(); });
}

RawSocketServer::~RawSocketServer() {
    {
        std::lock_guard lock(m_guard);
        m_stopping = true;
        m_isReleased = true;
        if (m_current >= 0) {
            ::shutdown(m_current, SHUT_RDWR);
        }
    }
    m_released.notify_all();
    // Wakes the accept() the server thread may be blocked in.
    ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    ::close(m_listener);
}

std::string RawSocketServer::Url(std::string_view pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(pathAndQuery);
}

void RawSocketServer::Serve() {
    for (;;) {
        const int peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        {
            std::lock_guard lock(m_guard);
            if (m_stopping) {
                ::close(peer);
                return;
            }
            m_current = peer;
            ++m_connections;
        }
        RawConnection connection(*this, peer);
        m_session(connection);
        {
            std::lock_guard lock(m_guard);
            m_current = -1;
        }
        ::close(peer);
    }
}

void RawSocketServer::Release() {
    {
        std::lock_guard lock(m_guard);
        m_isReleased = true;
    }
    m_released.notify_all();
}

void RawSocketServer::WaitForRelease() {
    std::unique_lock lock(m_guard);
    m_released.wait(lock, [this] { return m_isReleased; });
}

void RawSocketServer::Record(std::string head) {
    std::lock_guard lock(m_guard);
    m_requests.push_back(std::move(head));
}

std::vector<std::string> RawSocketServer::Requests() const {
    std::lock_guard lock(m_guard);
    return m_requests;
}

int RawSocketServer::ConnectionCount() const {
    std::lock_guard lock(m_guard);
    return m_connections;
}

RefusingPort::RefusingPort() {
    m_socket = BoundLoopbackSocket(m_port);
}

RefusingPort::~RefusingPort() {
    ::close(m_socket);
}
