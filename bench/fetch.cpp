// PageFetch against the curl command line, both fetching the same body from a loopback server.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVNT_BENCH=ON
//   cmake --build build-bench --target bench_fetch && build-bench/bench/bench_fetch
//
// Each iteration runs `curl -s -o /dev/null URL` and then this program itself as a child that
// does one PageFetch of the URL, so both pay for starting a process. Reported per body size:
//   time_ratio      PageFetch's wall time over curl's (target: at most 1.1); net_time_ratio
//                   the same after taking off each program's time for an empty page
//   memory_ratio    the fetching child's peak resident memory (VmHWM of /proc/self/status,
//                   which the child writes to a file just before it ends; getrusage's maxrss
//                   would include the parent's memory from before the exec) minus that of the
//                   same child fetching an empty page, over the body size (target: at most
//                   2.5); peak_MiB and baseline_MiB give the absolute figures.

#include "fetch/PageFetch.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

std::string g_self;
int g_port = 0;

struct ChildRun {
    double seconds = 0;
    double maxResidentMiB = 0;
    bool succeeded = false;
};

ChildRun RunChild(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::string Url(std::size_t mebibytes) {
    return "http://127.0.0.1:" + std::to_string(g_port) + "/body/" + std::to_string(mebibytes);
}

ChildRun RunPageFetch(std::size_t mebibytes) {
    const std::string peakFile = "/tmp/vnt-bench-fetch-peak." + std::to_string(::getpid());
    ChildRun run = RunChild(
        {g_self, "--fetch-child", Url(mebibytes), std::to_string(mebibytes * kMiB), peakFile});
    std::ifstream peak(peakFile);
    double kibibytes = 0;
    run.succeeded = run.succeeded && static_cast<bool>(peak >> kibibytes);
    run.maxResidentMiB = kibibytes / 1024.0;
    std::remove(peakFile.c_str());
    return run;
}

ChildRun RunCurl(std::size_t mebibytes) {
    return RunChild({"curl", "-s", "-f", "--noproxy", "*", "-o", "/dev/null", Url(mebibytes)});
}

void FetchAgainstCurl(benchmark::State& state) {
    const auto mebibytes = static_cast<std::size_t>(state.range(0));
    // Start-up costs vary from run to run, so they are averaged over several empty fetches.
    constexpr int kEmptyRuns = 10;
    ChildRun baseline = RunPageFetch(0);
    ChildRun curlEmpty = RunCurl(0);
    for (int run = 1; run < kEmptyRuns; ++run) {
        baseline.seconds += RunPageFetch(0).seconds;
        curlEmpty.seconds += RunCurl(0).seconds;
    }
    baseline.seconds /= kEmptyRuns;
    curlEmpty.seconds /= kEmptyRuns;
    double curlSeconds = 0;
    double fetchSeconds = 0;
    double peakMiB = 0;
    for (auto _ : state) {
        const ChildRun curl = RunCurl(mebibytes);
        const ChildRun fetch = RunPageFetch(mebibytes);
        if (!curl.succeeded || !fetch.succeeded || !baseline.succeeded) {
            state.SkipWithError("a fetch failed");
            return;
        }
        curlSeconds += curl.seconds;
        fetchSeconds += fetch.seconds;
        peakMiB = std::max(peakMiB, fetch.maxResidentMiB);
        state.SetIterationTime(fetch.seconds);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["curl_ms"] = 1000 * curlSeconds / iterations;
    state.counters["fetch_ms"] = 1000 * fetchSeconds / iterations;
    state.counters["time_ratio"] = fetchSeconds / curlSeconds;
    // The same without each program's start-up, measured as the time to fetch an empty page.
    state.counters["empty_fetch_ms"] = 1000 * baseline.seconds;
    state.counters["empty_curl_ms"] = 1000 * curlEmpty.seconds;
    state.counters["net_time_ratio"] = (fetchSeconds / iterations - baseline.seconds) /
                                       (curlSeconds / iterations - curlEmpty.seconds);
    state.counters["peak_MiB"] = peakMiB;
    state.counters["baseline_MiB"] = baseline.maxResidentMiB;
    state.counters["memory_ratio"] =
        (peakMiB - baseline.maxResidentMiB) / static_cast<double>(mebibytes);
}

BENCHMARK(FetchAgainstCurl)
    ->Name("fetch_1MiB")
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FetchAgainstCurl)
    ->Name("fetch_64MiB")
    ->Arg(64)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The peak resident memory of this process since its exec, in KiB.
std::string PeakResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::to_string(std::stoll(line.substr(6)));
    }
    return "0";
}

// The child: one PageFetch; succeeds when the whole body arrived.
int FetchOnce(const std::string& url, const std::string& expectedSize,
              const std::string& peakFile) {
    const FetchOutcome outcome = PageFetch(url);
    if (outcome.kind != FetchOutcome::Kind::Received) {
        std::fprintf(stderr, "fetch failed: %s\n", outcome.strErrorMessage.c_str());
        return 1;
    }
    std::ofstream(peakFile) << PeakResidentKib() << "\n";
    return outcome.strPage.size() == std::stoull(expectedSize) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"})
        ::unsetenv(name);
    if (argc == 5 && std::string(argv[1]) == "--fetch-child")
        return FetchOnce(argv[2], argv[3], argv[4]);

    g_self = "/proc/self/exe";
    char resolved[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", resolved, sizeof(resolved) - 1);
    if (length > 0)
        g_self.assign(resolved, static_cast<std::size_t>(length));

    const std::string body(64 * kMiB, 'x');
    httplib::Server server;
    server.Get(R"(/body/(\d+))",
               [&body](const httplib::Request& request, httplib::Response& response) {
                   const std::size_t size = std::stoull(request.matches[1]) * kMiB;
                   if (size == 0) {
                       response.set_content("", "text/html");
                       return;
                   }
                   response.set_content_provider(
                       size, "text/html",
                       [&body](std::size_t offset, std::size_t wanted, httplib::DataSink& sink) {
                           sink.write(body.data() + offset, std::min(wanted, kMiB));
                           return true;
                       });
               });
    g_port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    server.stop();
    serving.join();
    return 0;
}
