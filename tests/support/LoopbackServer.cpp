#include "support/LoopbackServer.h"

#include <chrono>
#include <stdexcept>

LoopbackServer::LoopbackServer()
    : m_server(std::make_unique<httplib::Server>()), m_scheme("http") {}

LoopbackServer::LoopbackServer(const std::string& certificateFile, const std::string& keyFile)
    : m_server(std::make_unique<httplib::SSLServer>(certificateFile.c_str(), keyFile.c_str())),
      m_scheme("https") {
    if (!m_server->is_valid()) {
        throw std::runtime_error("the HTTPS test server cannot load " + certificateFile);
    }
}

LoopbackServer::~LoopbackServer() {
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

void LoopbackServer::Start() {
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0) {
        throw std::runtime_error("the test server cannot bind to 127.0.0.1");
    }
    // The socket already listens, so connections made before the thread runs simply wait.
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() does nothing to a server that is not running yet, which would leave the
    // destructor joining a thread that then accepts for ever: return only once it runs.
    while (!m_server->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string LoopbackServer::Url(std::string_view pathAndQuery) const {
    return m_scheme + "://127.0.0.1:" + std::to_string(m_port) + std::string(pathAndQuery);
}
