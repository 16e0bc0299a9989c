#pragma once
// A cpp-httplib server on 127.0.0.1 at a free port, serving on its own thread for one test.
//
//     LoopbackServer server;
//     server.Routes().Get("/page", [](const httplib::Request&, httplib::Response& res) {...});
//     server.Start();
//     PageFetch(server.Url("/page"));
//
// Routes are added before Start(). The destructor stops the server and waits for its thread, so
// a handler that blocks must be released first.

#include <httplib.h>

#include <memory>
#include <string>
#include <string_view>
#include <thread>

class LoopbackServer {
public:
    // Plain HTTP.
    LoopbackServer();
    // HTTPS with the given PEM certificate (chain) and key files.
    LoopbackServer(const std::string& certificateFile, const std::string& keyFile);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& Routes() { return *m_server; }
    void Start();

    int Port() const { return m_port; }
    // "http://127.0.0.1:PORT" (or https) followed by the path and query.
    std::string Url(std::string_view pathAndQuery = "/") const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::string m_scheme;
    std::thread m_thread;
    int m_port = 0;
};
