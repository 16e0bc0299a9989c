// Bytes on the wire: what a check costs the server, counted from nginx's own access log
// ($bytes_sent, the whole answer, head included), against urlwatch (Debian's) checking the same
// pages in the same run. nginx runs as most sites do (gzip for text/html and other text, ETag and
// Last-Modified from the files) with one server on each of 127.0.0.2 to 127.0.0.21, serving 100
// real HTML pages of 20-200 KiB from the system's HTML manuals, five to a host.
//
//   UnchangedCheck  varnolt-cli check of the 100 unchanged pages, and `check --full` (the whole
//                   pages, as every check fetched them before validators were kept), alternately
//                   five times each (medians of their CPU), then urlwatch once. Reported:
//                     raw_pct          bytes sent for a check over the pages' raw size (<= 5%)
//                     over_urlwatch    bytes sent for a check over urlwatch's             (< 1)
//                     cpu_over_full    CPU of a check over that of `check --full`       (<= 0.5)
//                     connections      connections the check opened to the 20 hosts
//   Changed20Check  20 of the served files rewritten (a paragraph added: new content, a new ETag
//                   and Last-Modified), then varnolt-cli check and urlwatch, each once. Reported:
//                     over_urlwatch    bytes sent for the check over urlwatch's            (< 1)
//                     changed          pages the check found changed (20), urlwatch_changed
//
// Every varnolt-cli run's output is read back: all pages unchanged (or exactly the 20 changed)
// and no other line, or the figures are marked as not valid.
// Measured on Debian 12, 2 cores shared with other work, 100 pages of 6.94 MiB:
//   unchanged: check 18,141 bytes (0.25% of raw; 100 answers 304), check --full and urlwatch
//   1,610,460 (gzip, whole pages; urlwatch sent no validators); check / urlwatch 0.011
//   CPU: check 0.023 s, check --full 0.055-0.057 s: 0.40-0.41; urlwatch 0.38 s
//   connections: 20 for the check's 100 pages on 20 hosts (one each, reused), urlwatch 100
//   20 changed: check 379,253 bytes (80 answers 304), urlwatch 1,610,916: 0.235; both found 20

#include "ForkedRun.h"
#include "PrintedLines.h"
#include "RealManuals.h"
#include "Urlwatch.h"
#include "support/NginxServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kHosts = 20;
constexpr int kPages = 100;
constexpr int kChangedPages = 20;
constexpr int kCpuRounds = 5;

std::vector<std::string> HostAddresses() {
    std::vector<std::string> addresses;
    for (int h = 0; h < kHosts; ++h) {
        addresses.push_back("127.0.0." + std::to_string(2 + h));
    }
    return addresses;
}

// What the server logged for one program run.
struct WireFigures {
    long long bytes = 0;
    int answers = 0;
    int notModified = 0;
    std::size_t connections = 0;
};

struct Run {
    ProcessFigures process;
    WireFigures wire;
    PrintedLines lines;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Fixture {
public:
    Fixture() : m_nginx(HostAddresses()) {
        if (!m_nginx.Failure().empty()) {
            std::fprintf(stderr, "%s\n", m_nginx.Failure().c_str());
            std::exit(1);
        }
        m_folder = fs::temp_directory_path() / ("varnolt-bench-wire-" + std::to_string(::getpid()));
        fs::create_directories(m_folder / "records");
        fs::create_directories(m_folder / "urlwatch");

        const std::vector<fs::path> manuals = RealManuals(kPages);
        std::vector<std::string> add{VNT_CLI_PROGRAM, "-C", (m_folder / "records").string(), "add"};
        std::ofstream urls(m_folder / "urlwatch" / "urls.yaml");
        for (int i = 0; i < kPages; ++i) {
            const std::string name = "/p" + std::to_string(i) + ".html";
            const std::string page = ReadWholeFileText(manuals[static_cast<std::size_t>(i)]);
            m_rawBytes += page.size();
            // Dated well before the checks, as a site's files are.
            WritePage(name, page, std::chrono::hours(2));
            const std::string url = m_nginx.Url(name, static_cast<std::size_t>(i % kHosts));
            m_names.push_back(name);
            add.push_back(url);
            urls << (i > 0 ? "---\n" : "") << "url: \"" << url << "\"\n";
        }
        urls.close();
        // Both keep their first copies: varnolt-cli adds the pages, urlwatch's first run fills
        // its cache. The measured runs compare, as a check does.
        if (RunForked(add).exitStatus != 0) {
            std::fprintf(stderr, "varnolt-cli add failed\n");
            std::exit(1);
        }
        RunForked(UrlwatchCommand());
        Settle(m_nginx.Answers().size());
    }
    ~Fixture() {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    Run Check(bool whole) {
        std::vector<std::string> command{VNT_CLI_PROGRAM, "-C", (m_folder / "records").string(),
                                         "check"};
        if (whole) {
            command.push_back("--full");
        }
        const std::string output = (m_folder / "check.out").string();
        const std::size_t before = m_nginx.Answers().size();
        Run run;
        run.process = RunForked(command, output);
        run.wire = Logged(before);
        run.lines = ReadCheckLines(output);
        return run;
    }
    Run Urlwatch() {
        const std::string output = (m_folder / "urlwatch.out").string();
        const std::size_t before = m_nginx.Answers().size();
        Run run;
        run.process = RunForked(UrlwatchCommand(), output);
        run.wire = Logged(before);
        run.lines = ReadUrlwatchLines(output);
        return run;
    }
    // Adds a paragraph to the first 20 pages (one on each host): new content, and so a new ETag
    // and Last-Modified.
    void ChangePages() {
        ++m_changes;
        for (int i = 0; i < kChangedPages; ++i) {
            const std::string name = m_names[static_cast<std::size_t>(i)];
            std::string page = ReadWholeFileText(m_nginx.Root() + name);
            const std::string paragraph =
                "<p>Revised, edition " + std::to_string(m_changes) + ".</p>\n";
            const std::size_t body = page.find("<body");
            const std::size_t at = body == std::string::npos ? 0 : page.find('>', body) + 1;
            page.insert(at, paragraph);
            WritePage(name, page, std::chrono::hours(1) - std::chrono::seconds(m_changes));
        }
    }
    double RawBytes() const { return static_cast<double>(m_rawBytes); }

private:
    void WritePage(const std::string& name, const std::string& page,
                   std::chrono::seconds age) const {
        const std::string path = m_nginx.Root() + name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << page;
        fs::last_write_time(path, fs::file_time_type::clock::now() - age);
    }
    std::vector<std::string> UrlwatchCommand() const {
        return ::UrlwatchCommand(m_folder / "urlwatch");
    }
    // nginx logs an answer once it is sent, which a client that read it may already have seen:
    // waits (briefly) until the log holds every page's answer and grows no more.
    std::vector<NginxServer::Answer> Settle(std::size_t atLeast) const {
        std::vector<NginxServer::Answer> answers = m_nginx.Answers();
        for (int wait = 0; wait < 200; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::vector<NginxServer::Answer> now = m_nginx.Answers();
            if (now.size() == answers.size() && now.size() >= atLeast) {
                break;
            }
            answers = std::move(now);
        }
        return answers;
    }
    WireFigures Logged(std::size_t before) const {
        const std::vector<NginxServer::Answer> answers = Settle(before + kPages);
        WireFigures wire;
        std::set<long long> connections;
        for (std::size_t i = before; i < answers.size(); ++i) {
            wire.bytes += answers[i].bytesSent;
            ++wire.answers;
            wire.notModified += answers[i].status == 304 ? 1 : 0;
            connections.insert(answers[i].connection);
        }
        wire.connections = connections.size();
        return wire;
    }

    NginxServer m_nginx;
    fs::path m_folder;
    std::vector<std::string> m_names;
    std::size_t m_rawBytes = 0;
    int m_changes = 0;
};

Fixture& Pages() {
    static Fixture fixture;
    return fixture;
}

bool Valid(const Run& run, int changed) {
    return run.lines.same == kPages - changed && run.lines.changed == changed &&
           run.lines.other == 0 && run.process.exitStatus == (changed > 0 ? 1 : 0);
}

void UnchangedCheck(benchmark::State& state) {
    Run check;
    Run full;
    Run urlwatch;
    std::vector<double> checkCpu;
    std::vector<double> fullCpu;
    std::vector<double> checkWall;
    bool valid = true;
    for (auto _ : state) {
        for (int round = 0; round < kCpuRounds; ++round) {
            check = Pages().Check(false);
            full = Pages().Check(true);
            valid = valid && Valid(check, 0) && Valid(full, 0);
            checkCpu.push_back(check.process.cpu);
            fullCpu.push_back(full.process.cpu);
            checkWall.push_back(check.process.wall);
        }
        urlwatch = Pages().Urlwatch();
        state.SetIterationTime(Median(checkWall));
    }
    const double raw = Pages().RawBytes();
    state.counters["bytes"] = static_cast<double>(check.wire.bytes);
    state.counters["full_bytes"] = static_cast<double>(full.wire.bytes);
    state.counters["urlwatch_bytes"] = static_cast<double>(urlwatch.wire.bytes);
    state.counters["raw_pct"] = 100.0 * static_cast<double>(check.wire.bytes) / raw;
    state.counters["over_urlwatch"] =
        static_cast<double>(check.wire.bytes) / static_cast<double>(urlwatch.wire.bytes);
    state.counters["cpu_s"] = Median(checkCpu);
    state.counters["full_cpu_s"] = Median(fullCpu);
    state.counters["cpu_over_full"] = Median(checkCpu) / Median(fullCpu);
    state.counters["connections"] = static_cast<double>(check.wire.connections);
    state.counters["valid"] = valid ? 1 : 0;

    std::printf("\nUnchanged check of %d pages on %d hosts, %.2f MiB raw (medians of %d rounds "
                "for CPU):\n",
                kPages, kHosts, raw / (1024.0 * 1024.0), kCpuRounds);
    std::printf("  bytes sent: check %lld (%.2f%% of raw, target at most 5%%; %d answered 304), "
                "check --full %lld (%.2f%%), urlwatch %lld (%d answered 304)\n",
                check.wire.bytes, 100.0 * static_cast<double>(check.wire.bytes) / raw,
                check.wire.notModified, full.wire.bytes,
                100.0 * static_cast<double>(full.wire.bytes) / raw, urlwatch.wire.bytes,
                urlwatch.wire.notModified);
    std::printf("  check / urlwatch bytes: %.3f (target below 1)\n",
                state.counters["over_urlwatch"].value);
    std::printf("  CPU: check %.3f s, check --full %.3f s, urlwatch %.3f s; check / --full %.3f "
                "(target at most 0.5)\n",
                Median(checkCpu), Median(fullCpu), urlwatch.process.cpu,
                state.counters["cpu_over_full"].value);
    std::printf("  connections opened: check %zu, check --full %zu, urlwatch %zu\n",
                check.wire.connections, full.wire.connections, urlwatch.wire.connections);
    std::printf("  every check found all %d pages unchanged: %s\n\n", kPages,
                valid ? "yes" : "NO, THE FIGURES ARE NOT VALID");
}

void Changed20Check(benchmark::State& state) {
    Run check;
    Run urlwatch;
    for (auto _ : state) {
        state.PauseTiming();
        Pages().ChangePages();
        state.ResumeTiming();
        check = Pages().Check(false);
        urlwatch = Pages().Urlwatch();
        state.SetIterationTime(check.process.wall);
    }
    const bool valid = Valid(check, kChangedPages);
    state.counters["bytes"] = static_cast<double>(check.wire.bytes);
    state.counters["urlwatch_bytes"] = static_cast<double>(urlwatch.wire.bytes);
    state.counters["over_urlwatch"] =
        static_cast<double>(check.wire.bytes) / static_cast<double>(urlwatch.wire.bytes);
    state.counters["changed"] = check.lines.changed;
    state.counters["urlwatch_changed"] = urlwatch.lines.changed;
    state.counters["connections"] = static_cast<double>(check.wire.connections);
    state.counters["valid"] = valid ? 1 : 0;

    std::printf("\n%d of %d pages changed:\n", kChangedPages, kPages);
    std::printf("  bytes sent: check %lld (%.2f%% of raw; %d answered 304), urlwatch %lld (%d "
                "answered 304); check / urlwatch %.3f (target below 1)\n",
                check.wire.bytes,
                100.0 * static_cast<double>(check.wire.bytes) / Pages().RawBytes(),
                check.wire.notModified, urlwatch.wire.bytes, urlwatch.wire.notModified,
                state.counters["over_urlwatch"].value);
    std::printf("  found changed: check %d (%s), urlwatch %d; connections: check %zu, urlwatch "
                "%zu\n\n",
                check.lines.changed, valid ? "exactly those" : "NOT VALID", urlwatch.lines.changed,
                check.wire.connections, urlwatch.wire.connections);
}

} // namespace

BENCHMARK(UnchangedCheck)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Changed20Check)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The pages are on loopback: a proxy from the environment would only stand in the way.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::unsetenv(name);
    }
    benchmark::Initialize(&argc, argv);
    Pages(); // serve the pages, add them and fill urlwatch's cache before anything is measured
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
