// PageFetch against the curl command line, both fetching the same body from a loopback server.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVNT_BENCH=ON
//   cmake --build build-bench --target bench_fetch && build-bench/bench/bench_fetch
//
// Each iteration runs, one after the other, `curl -s -o /dev/null URL`, this program itself as a
// child that does one PageFetch of the URL, and this program as a child that fetches the URL
// with libcurl alone, once dropping the body and once holding it in a string; then curl and
// PageFetch again for an empty page. Every fetch pays for starting a process. Reported per size:
//   time_ratio      PageFetch's wall time over curl's (target: at most 1.1)
//   net_time_ratio  the same after taking off each program's time for an empty page, measured
//                   in the same iterations
//   same_start_ratio  PageFetch over libcurl dropping the body in this same program: the start
//                   (libraries loaded, curl and TLS set up) is the same on both sides, so the
//                   ratio shows what the fetch itself adds
//   store_ratio     PageFetch over libcurl holding the body in a string reserved to the
//                   announced length: what the fetch adds to the least that any fetch holding
//                   the page in memory pays; hold_cost_ms is that least's extra time over
//                   dropping the body (page faults for the fresh memory, and freeing it)
//   memory_ratio    the fetching child's peak resident memory (VmHWM of /proc/self/status,
//                   which the child writes to a file just before it ends; getrusage's maxrss
//                   would include the parent's memory from before the exec) minus that of the
//                   same child fetching an empty page, over the body size (target: at most
//                   2.5); peak_MiB and baseline_MiB give the absolute figures.

#include "fetch/PageFetch.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
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
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return run;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return run;
    }
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

// libcurl alone in a child of this program; `mode` is "drop" or "hold".
ChildRun RunLibcurl(std::size_t mebibytes, const char* mode) {
    return RunChild(
        {g_self, "--libcurl-child", Url(mebibytes), std::to_string(mebibytes * kMiB), mode});
}

// Sums of the wall times of one kind of child over the iterations.
struct Totals {
    double seconds = 0;
    bool succeeded = true;
    void Add(const ChildRun& run) {
        seconds += run.seconds;
        succeeded = succeeded && run.succeeded;
    }
};

void FetchAgainstCurl(benchmark::State& state) {
    const auto mebibytes = static_cast<std::size_t>(state.range(0));
    Totals curl;
    Totals fetch;
    Totals drop;
    Totals hold;
    Totals curlEmpty;
    Totals fetchEmpty;
    double peakMiB = 0;
    double baselineMiB = 0;
    for (auto _ : state) {
        curl.Add(RunCurl(mebibytes));
        const ChildRun fetched = RunPageFetch(mebibytes);
        fetch.Add(fetched);
        drop.Add(RunLibcurl(mebibytes, "drop"));
        hold.Add(RunLibcurl(mebibytes, "hold"));
        // Start-up costs drift with the machine's load, so they are measured alongside.
        curlEmpty.Add(RunCurl(0));
        const ChildRun empty = RunPageFetch(0);
        fetchEmpty.Add(empty);
        for (const Totals* totals : {&curl, &fetch, &drop, &hold, &curlEmpty, &fetchEmpty}) {
            if (!totals->succeeded) {
                state.SkipWithError("a fetch failed");
                return;
            }
        }
        peakMiB = std::max(peakMiB, fetched.maxResidentMiB);
        baselineMiB = std::max(baselineMiB, empty.maxResidentMiB);
        state.SetIterationTime(fetched.seconds);
    }
    const auto iterations = static_cast<double>(state.iterations());
    auto ms = [iterations](const Totals& totals) { return 1000 * totals.seconds / iterations; };
    state.counters["curl_ms"] = ms(curl);
    state.counters["fetch_ms"] = ms(fetch);
    state.counters["time_ratio"] = fetch.seconds / curl.seconds;
    state.counters["empty_fetch_ms"] = ms(fetchEmpty);
    state.counters["empty_curl_ms"] = ms(curlEmpty);
    state.counters["net_time_ratio"] =
        (fetch.seconds - fetchEmpty.seconds) / (curl.seconds - curlEmpty.seconds);
    state.counters["libcurl_drop_ms"] = ms(drop);
    state.counters["libcurl_hold_ms"] = ms(hold);
    state.counters["same_start_ratio"] = fetch.seconds / drop.seconds;
    state.counters["store_ratio"] = fetch.seconds / hold.seconds;
    state.counters["hold_cost_ms"] = ms(hold) - ms(drop);
    state.counters["peak_MiB"] = peakMiB;
    state.counters["baseline_MiB"] = baselineMiB;
    state.counters["memory_ratio"] = (peakMiB - baselineMiB) / static_cast<double>(mebibytes);
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
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::to_string(std::stoll(line.substr(6)));
        }
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

// The child for the same-start baselines: the request PageFetch sends, made with libcurl alone.
struct LibcurlSink {
    CURL* easy = nullptr;
    bool hold = false;
    bool reserved = false;
    std::size_t bytes = 0;
    std::string body;
};

std::size_t OnLibcurlBody(char* data, std::size_t size, std::size_t count, void* userdata) {
    auto& sink = *static_cast<LibcurlSink*>(userdata);
    const std::size_t bytes = size * count;
    sink.bytes += bytes;
    if (sink.hold) {
        if (!sink.reserved) {
            curl_off_t announced = -1;
            curl_easy_getinfo(sink.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            if (announced > 0) {
                sink.body.reserve(static_cast<std::size_t>(announced));
            }
            sink.reserved = true;
        }
        sink.body.append(data, bytes);
    }
    return bytes;
}

int LibcurlOnce(const std::string& url, const std::string& expectedSize, const std::string& mode) {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        return 1;
    }
    LibcurlSink sink;
    sink.easy = curl_easy_init();
    sink.hold = mode == "hold";
    curl_easy_setopt(sink.easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(sink.easy, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_0});
    curl_easy_setopt(sink.easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(sink.easy, CURLOPT_WRITEFUNCTION, &OnLibcurlBody);
    curl_easy_setopt(sink.easy, CURLOPT_WRITEDATA, &sink);
    const CURLcode result = curl_easy_perform(sink.easy);
    curl_easy_cleanup(sink.easy);
    const bool whole = result == CURLE_OK && sink.bytes == std::stoull(expectedSize) &&
                       (!sink.hold || sink.body.size() == sink.bytes);
    return whole ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    for (const char* name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTPS_PROXY", "ALL_PROXY"}) {
        ::unsetenv(name);
    }
    if (argc == 5 && std::string(argv[1]) == "--fetch-child") {
        return FetchOnce(argv[2], argv[3], argv[4]);
    }
    if (argc == 5 && std::string(argv[1]) == "--libcurl-child") {
        return LibcurlOnce(argv[2], argv[3], argv[4]);
    }

    g_self = "/proc/self/exe";
    char resolved[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", resolved, sizeof(resolved) - 1);
    if (length > 0) {
        g_self.assign(resolved, static_cast<std::size_t>(length));
    }

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
