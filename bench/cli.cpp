// varnolt-cli check against urlwatch (the Debian package, its default 10 workers) on the same
// pages in the same run: 100 real HTML pages of 20-200 KiB from the system's HTML manuals,
// served from 20 loopback addresses (127.0.0.2 to 127.0.0.21) with fixed-seed delays of
// 50-800 ms. Wall time, CPU time and peak resident memory of each, and their ratios. Then 1,000
// small pages with delays of 10-100 ms, checked at the default of 20 fetches at once: wall time
// against the concurrency bound (the sum of the delays divided by the 20 fetches allowed at once).
// Run once more with --jobs 8, the former default, to show how the wall time follows the fetches
// allowed at once.
// bound_s on the 100-page runs is the same bound for their delays and fetches at once.

#include "RatioReporter.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kHosts = 20;
constexpr int kPages = 100;
constexpr int kManyPages = 1000;
constexpr int kJobs = 20; // varnolt-cli check's default
constexpr int kFormerJobs = 8;
constexpr int kUrlwatchWorkers = 10; // urlwatch's default

struct Page {
    std::string body;
    int delayMs = 0;
};

struct Host {
    std::string address;
    int port = 0;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::map<std::string, Page> pages;
};

struct ProcessFigures {
    double wall = 0;    // seconds
    double cpu = 0;     // seconds, user + system
    double peakMiB = 0; // peak resident memory
    int exitStatus = -1;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program to its end with its output thrown away; its own figures, from wait4.
ProcessFigures RunForked(const std::vector<std::string>& arguments) {
    const auto began = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::FILE* null = std::fopen("/dev/null", "w");
        ::dup2(::fileno(null), STDOUT_FILENO);
        ::dup2(::fileno(null), STDERR_FILENO);
        std::vector<char*> argv;
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ProcessFigures figures;
    figures.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    figures.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    figures.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

// Starts the measured programs from a small process forked before the pages are made. A child
// forked from the benchmark begins as a copy of it, every page it serves included, and the kernel
// keeps the size of that copy as the child's peak resident memory across exec: a program started
// from the benchmark itself would be reported at no less than the benchmark's own size.
class Launcher {
public:
    Launcher() {
        int requests[2];
        int answers[2];
        if (::pipe(requests) != 0 || ::pipe(answers) != 0) {
            std::perror("pipe");
            std::exit(1);
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(requests[1]);
            ::close(answers[0]);
            Serve(requests[0], answers[1]);
            ::_exit(0);
        }
        ::close(requests[0]);
        ::close(answers[1]);
        m_requests = requests[1];
        m_answers = answers[0];
    }
    ~Launcher() {
        ::close(m_requests);
        ::close(m_answers);
        ::waitpid(m_pid, nullptr, 0);
    }
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    ProcessFigures Run(const std::vector<std::string>& arguments) const {
        std::string request;
        for (const std::string& argument : arguments) {
            request += argument;
            request += '\0';
        }
        const std::uint32_t length = static_cast<std::uint32_t>(request.size());
        ProcessFigures figures;
        if (!WriteAll(m_requests, &length, sizeof length) ||
            !WriteAll(m_requests, request.data(), request.size()) ||
            !ReadAll(m_answers, &figures, sizeof figures)) {
            std::fprintf(stderr, "the launcher is gone\n");
            std::exit(1);
        }
        return figures;
    }

private:
    static void Serve(int requests, int answers) {
        std::uint32_t length = 0;
        while (ReadAll(requests, &length, sizeof length)) {
            std::string request(length, '\0');
            if (!ReadAll(requests, request.data(), length)) {
                return;
            }
            std::vector<std::string> arguments;
            for (std::size_t begin = 0; begin < request.size();) {
                const std::size_t end = request.find('\0', begin);
                arguments.push_back(request.substr(begin, end - begin));
                begin = end + 1;
            }
            const ProcessFigures figures = RunForked(arguments);
            if (!WriteAll(answers, &figures, sizeof figures)) {
                return;
            }
        }
    }
    static bool ReadAll(int fd, void* data, std::size_t bytes) {
        auto* at = static_cast<char*>(data);
        while (bytes > 0) {
            const ssize_t got = ::read(fd, at, bytes);
            if (got <= 0) {
                return false;
            }
            at += got;
            bytes -= static_cast<std::size_t>(got);
        }
        return true;
    }
    static bool WriteAll(int fd, const void* data, std::size_t bytes) {
        const auto* at = static_cast<const char*>(data);
        while (bytes > 0) {
            const ssize_t put = ::write(fd, at, bytes);
            if (put <= 0) {
                return false;
            }
            at += put;
            bytes -= static_cast<std::size_t>(put);
        }
        return true;
    }

    pid_t m_pid = -1;
    int m_requests = -1;
    int m_answers = -1;
};

Launcher& Programs() {
    static Launcher launcher;
    return launcher;
}

ProcessFigures RunProgram(const std::vector<std::string>& arguments) {
    return Programs().Run(arguments);
}

class Fixture {
public:
    Fixture() {
        m_folder = fs::temp_directory_path() / ("varnolt-bench-cli-" + std::to_string(::getpid()));
        fs::create_directories(m_folder / "records");
        fs::create_directories(m_folder / "many");
        fs::create_directories(m_folder / "urlwatch");

        // The system's HTML manuals of 20-200 KiB, in a fixed order.
        std::vector<fs::path> manuals;
        for (const auto& entry : fs::recursive_directory_iterator(
                 "/usr/share/doc", fs::directory_options::skip_permission_denied)) {
            if (entry.is_regular_file() && entry.path().extension() == ".html" &&
                entry.file_size() >= 20 * 1024 && entry.file_size() <= 200 * 1024) {
                manuals.push_back(entry.path());
            }
        }
        std::sort(manuals.begin(), manuals.end());
        if (manuals.size() < static_cast<std::size_t>(kPages)) {
            std::fprintf(stderr, "only %zu HTML manuals of 20-200 KiB found\n", manuals.size());
            std::exit(1);
        }

        std::mt19937 random(20261210);
        std::uniform_int_distribution<int> slow(50, 800);
        std::uniform_int_distribution<int> quick(10, 100);
        for (int h = 0; h < kHosts; ++h) {
            auto host = std::make_unique<Host>();
            host->address = "127.0.0." + std::to_string(2 + h);
            m_hosts.push_back(std::move(host));
        }
        std::ofstream urls(m_folder / "urlwatch" / "urls.yaml");
        for (int i = 0; i < kPages; ++i) {
            Host& host = *m_hosts[static_cast<std::size_t>(i % kHosts)];
            host.pages["/p" + std::to_string(i)] = {ReadFile(manuals[static_cast<std::size_t>(i)]),
                                                    slow(random)};
            m_bytes += host.pages["/p" + std::to_string(i)].body.size();
            m_slowDelaySumMs += host.pages["/p" + std::to_string(i)].delayMs;
        }
        for (int i = 0; i < kManyPages; ++i) {
            Host& host = *m_hosts[static_cast<std::size_t>(i % kHosts)];
            const int delay = quick(random);
            host.pages["/m" + std::to_string(i)] = {
                std::string(2048, static_cast<char>('a' + i % 26)), delay};
            m_delaySumMs += delay;
        }
        for (auto& host : m_hosts) {
            Start(*host);
        }

        for (int i = 0; i < kPages; ++i) {
            const Host& host = *m_hosts[static_cast<std::size_t>(i % kHosts)];
            const std::string path = "/p" + std::to_string(i);
            const std::string url = Url(host, path);
            std::ofstream(m_folder / "records" / (std::to_string(i + 1) + ".vnt"), std::ios::binary)
                << url << "|T|1:1:2025*" << host.pages.at(path).body;
            urls << (i > 0 ? "---\n" : "") << "url: \"" << url << "\"\n";
        }
        for (int i = 0; i < kManyPages; ++i) {
            const Host& host = *m_hosts[static_cast<std::size_t>(i % kHosts)];
            const std::string path = "/m" + std::to_string(i);
            std::ofstream(m_folder / "many" / (std::to_string(i + 1) + ".vnt"), std::ios::binary)
                << Url(host, path) << "|T|1:1:2025*" << host.pages.at(path).body;
        }
        urls.close();
        // urlwatch's first run only fills its cache; the measured runs compare, as a check does.
        RunProgram(UrlwatchCommand());
    }
    ~Fixture() {
        for (auto& host : m_hosts) {
            host->server->stop();
            host->thread.join();
        }
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // Without `jobs`, at the program's default.
    std::vector<std::string> CliCommand(const char* folder, int jobs = 0) const {
        std::vector<std::string> command{VNT_CLI_PROGRAM, "-C", (m_folder / folder).string(),
                                         "check"};
        if (jobs > 0) {
            command.push_back("--jobs");
            command.push_back(std::to_string(jobs));
        }
        return command;
    }
    std::vector<std::string> UrlwatchCommand() const {
        const fs::path dir = m_folder / "urlwatch";
        return {"urlwatch",
                "--urls",
                (dir / "urls.yaml").string(),
                "--config",
                (dir / "urlwatch.yaml").string(),
                "--hooks",
                (dir / "hooks.py").string(),
                "--cache",
                (dir / "cache.db").string()};
    }
    double BoundSeconds() const { return m_delaySumMs / 1000.0 / kJobs; }
    // The same bound for the 100 real pages with the given fetches at once.
    double SlowBoundSeconds(int atOnce) const { return m_slowDelaySumMs / 1000.0 / atOnce; }
    std::size_t Bytes() const { return m_bytes; }

private:
    static std::string Url(const Host& host, const std::string& path) {
        return "http://" + host.address + ":" + std::to_string(host.port) + path;
    }
    static void Start(Host& host) {
        host.server = std::make_unique<httplib::Server>();
        host.server->new_task_queue = [] { return new httplib::ThreadPool(16); };
        const auto* pages = &host.pages;
        host.server->Get(
            ".*", [pages](const httplib::Request& request, httplib::Response& response) {
                const auto found = pages->find(request.path);
                if (found == pages->end()) {
                    response.status = 404;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(found->second.delayMs));
                response.set_content(found->second.body, "text/html");
            });
        host.port = host.server->bind_to_any_port(host.address);
        if (host.port <= 0) {
            std::fprintf(stderr, "cannot bind %s\n", host.address.c_str());
            std::exit(1);
        }
        host.thread = std::thread([&host] { host.server->listen_after_bind(); });
        while (!host.server->is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    fs::path m_folder;
    std::vector<std::unique_ptr<Host>> m_hosts;
    double m_delaySumMs = 0;
    double m_slowDelaySumMs = 0;
    std::size_t m_bytes = 0;
};

Fixture& Pages() {
    static Fixture fixture;
    return fixture;
}

// The figures of each program run, by benchmark, for the CPU and memory ratios at the end.
std::map<std::string, ProcessFigures>& Measured() {
    static std::map<std::string, ProcessFigures> measured;
    return measured;
}

void Report(benchmark::State& state, const std::string& name, const ProcessFigures& figures) {
    Measured()[name] = figures;
    state.SetIterationTime(figures.wall);
    state.counters["cpu_s"] = figures.cpu;
    state.counters["peak_MiB"] = figures.peakMiB;
    state.counters["exit"] = figures.exitStatus;
}

void VarnoltCliCheck100(benchmark::State& state) {
    for (auto _ : state) {
        Report(state, "VarnoltCliCheck100", RunProgram(Pages().CliCommand("records")));
    }
    state.counters["bound_s"] = Pages().SlowBoundSeconds(kJobs);
}

// The same with the former default of 8 fetches at once (still at most 6 to each host).
void VarnoltCliCheck100Jobs8(benchmark::State& state) {
    for (auto _ : state) {
        Report(state, "VarnoltCliCheck100Jobs8",
               RunProgram(Pages().CliCommand("records", kFormerJobs)));
    }
    state.counters["bound_s"] = Pages().SlowBoundSeconds(kFormerJobs);
}

void Urlwatch100(benchmark::State& state) {
    for (auto _ : state) {
        Report(state, "Urlwatch100", RunProgram(Pages().UrlwatchCommand()));
    }
    state.counters["bound_s"] = Pages().SlowBoundSeconds(kUrlwatchWorkers);
}

void VarnoltCliCheck1000(benchmark::State& state) {
    for (auto _ : state) {
        Report(state, "VarnoltCliCheck1000", RunProgram(Pages().CliCommand("many")));
    }
    state.counters["bound_s"] = Pages().BoundSeconds();
}

// The concurrency bound itself, as a baseline time for the ratio.
void ConcurrencyBound1000(benchmark::State& state) {
    for (auto _ : state) {
        state.SetIterationTime(Pages().BoundSeconds());
    }
}

// CPU time and peak memory of varnolt-cli over urlwatch's, from the same run.
void PrintResourceRatios() {
    std::printf("\nRatios (same run, CPU time and peak resident memory):\n");
    const auto baseline = Measured().find("Urlwatch100");
    for (const char* name : {"VarnoltCliCheck100", "VarnoltCliCheck100Jobs8"}) {
        const auto ours = Measured().find(name);
        if (ours == Measured().end() || baseline == Measured().end() || baseline->second.cpu <= 0 ||
            baseline->second.peakMiB <= 0) {
            continue;
        }
        std::printf("  %s / Urlwatch100: CPU %.3f, memory %.3f\n", name,
                    ours->second.cpu / baseline->second.cpu,
                    ours->second.peakMiB / baseline->second.peakMiB);
    }
}

} // namespace

BENCHMARK(VarnoltCliCheck100)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(VarnoltCliCheck100Jobs8)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(Urlwatch100)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(VarnoltCliCheck1000)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(ConcurrencyBound1000)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    Programs(); // the launcher, while the benchmark is still small
    Pages();    // serve the pages and warm urlwatch's cache before anything is timed
    const int status = RunWithRatios(
        argc, argv,
        {{"VarnoltCliCheck100/iterations:1/manual_time", "Urlwatch100/iterations:1/manual_time"},
         {"VarnoltCliCheck100Jobs8/iterations:1/manual_time",
          "Urlwatch100/iterations:1/manual_time"},
         {"VarnoltCliCheck1000/iterations:1/manual_time",
          "ConcurrencyBound1000/iterations:1/manual_time"}});
    PrintResourceRatios();
    return status;
}
