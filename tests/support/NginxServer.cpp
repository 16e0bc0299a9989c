#include "support/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";

sockaddr_in LoopbackAddress(const std::string& host, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

int FreeLoopbackPort(const std::string& host) {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = LoopbackAddress(host, 0);
    socklen_t length = sizeof(address);
    int port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(probe);
    return port;
}

bool Accepts(const std::string& host, int port) {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = LoopbackAddress(host, port);
    const bool connected =
        connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(probe);
    return connected;
}

} // namespace

NginxServer::NginxServer(std::vector<std::string> addresses) : m_addresses(std::move(addresses)) {
    if (access(kNginx, X_OK) != 0) {
        m_failure = "nginx is not installed (Debian's nginx-light)";
        return;
    }
    char folder[] = "/tmp/vnt-nginx-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        m_failure = "no temporary folder";
        return;
    }
    m_folder = folder;
    // Workers started by root run as another user, who must reach the pages.
    std::filesystem::permissions(m_folder, std::filesystem::perms(0755));
    m_root = m_folder + "/html";
    std::filesystem::create_directories(m_root);
    std::filesystem::create_directories(m_folder + "/logs");
    m_port = FreeLoopbackPort(m_addresses.front());
    std::ofstream conf(m_folder + "/nginx.conf");
    conf << "worker_processes 1;\n"
         << "error_log " << m_folder << "/logs/error.log;\n"
         << "pid " << m_folder << "/nginx.pid;\n"
         << "events { worker_connections 256; }\n"
         << "http {\n"
         << "  default_type text/html;\n"
         << "  log_format wire '$status $bytes_sent $connection';\n"
         << "  access_log " << m_folder << "/logs/access.log wire;\n"
         << "  client_body_temp_path " << m_folder << "/body;\n"
         << "  proxy_temp_path " << m_folder << "/proxy;\n"
         << "  fastcgi_temp_path " << m_folder << "/fastcgi;\n"
         << "  uwsgi_temp_path " << m_folder << "/uwsgi;\n"
         << "  scgi_temp_path " << m_folder << "/scgi;\n"
         << "  gzip on; etag on;\n"
         << "  gzip_types text/plain text/css text/xml application/xml application/json\n"
         << "             application/javascript image/svg+xml;\n"
         << "  keepalive_requests 10000;\n";
    for (const std::string& address : m_addresses) {
        conf << "  server { listen " << address << ":" << m_port << "; root " << m_root << "; }\n";
    }
    conf << "}\n";
    conf.close();
    const std::string confPath = m_folder + "/nginx.conf";
    m_pid = fork();
    if (m_pid == 0) {
        execl(kNginx, kNginx, "-q", "-p", m_folder.c_str(), "-c", confPath.c_str(), "-g",
              "daemon off; master_process on;", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Ready once it accepts connections; a child that ended has failed.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::all_of(m_addresses.begin(), m_addresses.end(),
                        [this](const std::string& address) { return Accepts(address, m_port); })) {
        int status = 0;
        if (m_pid < 0 || waitpid(m_pid, &status, WNOHANG) == m_pid ||
            std::chrono::steady_clock::now() > giveUp) {
            m_pid = -1;
            m_failure = "nginx did not start (see " + m_folder + "/logs/error.log)";
            return;
        }
        poll(nullptr, 0, 5);
    }
}

NginxServer::~NginxServer() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (!m_folder.empty() && m_failure.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

std::string NginxServer::Url(const std::string& path, std::size_t host) const {
    return "http://" + m_addresses.at(host) + ":" + std::to_string(m_port) + path;
}

std::vector<NginxServer::Answer> NginxServer::Answers() const {
    std::vector<Answer> answers;
    std::ifstream log(m_folder + "/logs/access.log");
    Answer answer;
    while (log >> answer.status >> answer.bytesSent >> answer.connection) {
        answers.push_back(answer);
    }
    return answers;
}
