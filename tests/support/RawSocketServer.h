#pragma once
// Servers for peers that misbehave, at the level of bytes on a socket: no status line, a reply
// held back until the test lets it go, a body without end, a server that never answers.
//
//     RawSocketServer server([](RawConnection& peer) {
//         peer.ReadRequestHead();
//         peer.Send("HTTP/1.0 200 OK\r\n\r\n");
//         peer.WaitForRelease();          // held until server.Release()
//         peer.Send("rest of the body");
//     });
//
// Connections are served one at a time, in order, on the server's own thread. The destructor
// releases held sessions, breaks the connection in hand and waits for the thread.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class RawSocketServer;

class RawConnection {
public:
    RawConnection(RawSocketServer& server, int socket) : m_server(server), m_socket(socket) {}

    // Reads up to and including the blank line that ends a request's head (also recorded in the
    // server's Requests()); what arrived before the peer closed when there is none.
    std::string ReadRequestHead();
    // False once the peer has gone.
    bool Send(std::string_view bytes);
    // Blocks until the test calls RawSocketServer::Release (or the server is destroyed).
    void WaitForRelease();

private:
    RawSocketServer& m_server;
    int m_socket;
};

class RawSocketServer {
public:
    using Session = std::function<void(RawConnection&)>;

    explicit RawSocketServer(Session session);
    ~RawSocketServer();
    RawSocketServer(const RawSocketServer&) = delete;
    RawSocketServer& operator=(const RawSocketServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(std::string_view pathAndQuery = "/") const;

    // Lets every session that waits in WaitForRelease go on, now and later.
    void Release();
    // The request heads sessions have read, in order.
    std::vector<std::string> Requests() const;
    int ConnectionCount() const;

private:
    friend class RawConnection;
    void Serve();
    void Record(std::string head);
    void WaitForRelease();

    Session m_session;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_guard;
    std::condition_variable m_released;
    bool m_isReleased = false;
    bool m_stopping = false;
    int m_current = -1;
    int m_connections = 0;
    std::vector<std::string> m_requests;
};

// A port on 127.0.0.1 that refuses every connection: bound, never listening, for its lifetime.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int Port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};
