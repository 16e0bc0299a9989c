#pragma once
// What the memory benchmarks share: pages served by a child process (so that only the measured
// program's own memory counts), and the resident sizes the kernel reports.

#include <httplib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

// A child process serving pages of 'p': the path "/<bytes>/..." gives that many bytes (at most
// `largest`), any other path the whole page of `largest` bytes. Yields its port (0 on failure)
// and the child's process id in `server`.
inline int ServePagesFromChild(std::size_t largest, pid_t& server) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return 0;
    }
    server = ::fork();
    if (server == 0) {
        ::close(ready[0]);
        const std::string page(largest, 'p');
        httplib::Server http;
        const auto serve = [&](std::size_t size, httplib::Response& response) {
            response.set_content_provider(
                size, "text/html",
                [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    return sink.write(page.data() + offset, length);
                });
        };
        http.Get(R"(/(\d+)/.*)", [&](const httplib::Request& request, httplib::Response& response) {
            serve(std::min<std::size_t>(std::stoull(request.matches[1].str()), page.size()),
                  response);
        });
        http.Get(R"(/.*)", [&](const httplib::Request&, httplib::Response& response) {
            serve(page.size(), response);
        });
        const int port = http.bind_to_any_port("127.0.0.1");
        if (::write(ready[1], &port, sizeof port) != sizeof port) {
            std::_Exit(1);
        }
        ::close(ready[1]);
        http.listen_after_bind();
        std::_Exit(0);
    }
    ::close(ready[1]);
    int port = 0;
    if (server < 0 || ::read(ready[0], &port, sizeof port) != sizeof port) {
        port = 0;
    }
    ::close(ready[0]);
    return port;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in KiB.
inline long StatusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
        }
    }
    return 0;
}
