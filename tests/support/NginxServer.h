#pragma once
// A real web server for tests: Debian's nginx, started as a child on 127.0.0.1 (or on the
// loopback addresses given, one port for all, as that many hosts) with a configuration of its own
// in a private folder (gzip, ETag and Last-Modified on, as most sites run it), serving the files
// of its `Root()` on every address. Its access log holds one line per answer:
// "STATUS BYTES_SENT CONNECTION_NUMBER". The destructor ends it by its process id.

#include <string>
#include <vector>

class NginxServer {
public:
    explicit NginxServer(std::vector<std::string> addresses = {"127.0.0.1"});
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // Empty when it runs; otherwise why it could not be started (nginx missing, say).
    const std::string& Failure() const { return m_failure; }
    const std::string& Root() const { return m_root; }
    // The address of a served file on the first host, or on the host of that index.
    std::string Url(const std::string& path, std::size_t host = 0) const;

    struct Answer {
        int status = 0;
        long long bytesSent = 0; // the whole answer, head included, as the server counts it
        long long connection = 0;
    };
    // Every answer logged so far, in order.
    std::vector<Answer> Answers() const;

private:
    std::vector<std::string> m_addresses;
    std::string m_folder;
    std::string m_root;
    std::string m_failure;
    int m_port = 0;
    int m_pid = -1;
};
