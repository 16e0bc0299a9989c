// A check of 100 unchanged records served on loopback, with the window's real 100 ms tick.
//
//   make bench   (or: build-bench/bench/bench_check)
//
// Reported:
//   tick_ratio   the check's wall time over the design bound of one record per tick
//                (100 records x 100 ms); target at most 1.05
//   worker_cpu_% the worker thread's own CPU time over the check's wall time, in percent of one
//                core (CLOCK_THREAD_CPUTIME_ID read by the job's thread as it ends); target
//                under 2
//
// And a check of 20 unchanged records of 32 MiB each (and of 12 MiB, below the size from which the
// allocator always maps memory of its own), served by a child process so that only the
// check's own memory counts:
//   peak_x_page  the rise of the resident size's high-water mark during the check over the
//                resident size before it, in units of the largest page; target at most 2.2
//   after_mib    the resident size after the check less the one before it; target within 5
//
// And the same 20 x 32 MiB check, then an add of a 32 MiB page, each started five times in this
// one process the way the window starts them (its command, the job's own thread, the real
// 100 ms tick), printing the resident size before and after each run
// (BM_RepeatedJobsOnLargePages):
//   worst_after_mib  the largest rise of the resident size over one run; target within 5
//   drift_mib        the resident size after the last run less the one before the first
//
// And a check of 100 real HTML pages of 20-200 KiB from 20 loopback addresses whose servers
// answer after 50-800 ms (fixed seed), with the real 100 ms tick (BM_CheckOfRealPages...):
//   tick_ratio   as above; target at most 1.1
//
// And the shared check run with a first record whose server stalls while 1,000 fast pages of
// 64 KiB (unchanged) stand behind it (BM_StalledFirstRecordWithThousandBehind), driven until the
// run can admit no more, then for another second:
//   most_ahead   the most records held between admission and their result (limit 64)
//   held_kib     the most body bytes the pages ahead of the stalled one held (bound 2 MiB plus
//                one page's 256 KiB allowance)
//   peak_mib     the rise of the resident size's high-water mark meanwhile

#include "check/CheckRun.h"
#include "jobs/AddPageJob.h"
#include "jobs/CheckAllJob.h"
#include "runstate/RunState.h"
#include "runstate/Tick.h"

#include "ChildPageServer.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int kRecords = 100;
constexpr auto kTick = std::chrono::milliseconds(100);

struct NoWindow : TickLineSink, TickProgress {
    std::atomic<int> lines{0};
    void AddLine(const std::string&) override { ++lines; }
    void SetPos(int) override {}
    void StepIt() override {}
};

double ThreadCpuSeconds() {
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

// Runs CheckAllJob on a worker thread while this thread ticks every 100 ms, as the window does,
// until the job has ended and its last line shows. Yields the wall time in seconds; the worker
// thread's own CPU time goes to workerCpu when one is given.
double RunCheckWithRealTick(NoWindow& window, double* workerCpu = nullptr) {
    const auto start = std::chrono::steady_clock::now();
    g_bWorkerBusy = 1;
    std::thread worker([workerCpu] {
        CheckAllJob(nullptr);
        if (workerCpu != nullptr) {
            *workerCpu = ThreadCpuSeconds();
        }
    });
    auto next = start;
    while (g_bWorkerBusy.load() != 0 || !g_strStatus.IsEmpty()) {
        next += kTick;
        std::this_thread::sleep_until(next);
        RunStateTick(window, window);
    }
    worker.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Starts the loopback server on its own thread and waits until it listens; yields its port.
int ServeInThisProcess(httplib::Server& server, std::thread& serving) {
    const int port = server.bind_to_any_port("127.0.0.1");
    serving = std::thread([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return port;
}

void BM_CheckOfUnchangedRecords(benchmark::State& state) {
    const std::string page(20 * 1024, 'p');
    httplib::Server server;
    server.Get(R"(/.*)", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(page, "text/html");
    });
    std::thread serving;
    const int port = ServeInThisProcess(server, serving);

    const auto previous = std::filesystem::current_path();
    const auto directory = std::filesystem::temp_directory_path() /
                           ("varnolt-bench-check-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    for (int i = 1; i <= kRecords; ++i) {
        std::ofstream(std::to_string(i) + ".vnt", std::ios::binary)
            << "http://127.0.0.1:" << port << "/" << i << "|untitle|8:12:2025*" << page;
    }

    for (auto _ : state) {
        ResetRunState();
        NoWindow window;
        double workerCpu = 0;
        const double wall = RunCheckWithRealTick(window, &workerCpu);
        state.SetIterationTime(wall);
        state.counters["lines"] = window.lines.load();
        state.counters["tick_ratio"] =
            wall / (kRecords * std::chrono::duration<double>(kTick).count());
        state.counters["worker_cpu_%"] = 100.0 * workerCpu / wall;
    }

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
    server.stop();
    serving.join();
}

BENCHMARK(BM_CheckOfUnchangedRecords)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// 100 real HTML pages of 20-200 KiB (the system's HTML manuals, in a fixed order) served from 20
// loopback addresses (127.0.0.2 to 127.0.0.21), each answering after a fixed-seed delay of
// 50-800 ms, checked with the window's real 100 ms tick. tick_ratio is the wall time over the
// design bound of one record per tick (100 x 100 ms); target at most 1.1.
constexpr int kRealHosts = 20;

struct RealHost {
    std::string address;
    int port = 0;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::map<std::string, std::pair<std::string, int>> pages; // path: body, delay in ms
};

void BM_CheckOfRealPagesWithSlowServers(benchmark::State& state) {
    std::vector<std::filesystem::path> manuals;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             "/usr/share/doc", std::filesystem::directory_options::skip_permission_denied)) {
        if (entry.is_regular_file() && entry.path().extension() == ".html" &&
            entry.file_size() >= 20 * 1024 && entry.file_size() <= 200 * 1024) {
            manuals.push_back(entry.path());
        }
    }
    std::sort(manuals.begin(), manuals.end());
    if (manuals.size() < static_cast<std::size_t>(kRecords)) {
        state.SkipWithError("fewer than 100 HTML manuals of 20-200 KiB in /usr/share/doc");
        return;
    }
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delay(50, 800);
    std::vector<std::unique_ptr<RealHost>> hosts;
    for (int h = 0; h < kRealHosts; ++h) {
        hosts.push_back(std::make_unique<RealHost>());
        hosts.back()->address = "127.0.0." + std::to_string(2 + h);
    }
    std::vector<std::string> bodies;
    for (int i = 0; i < kRecords; ++i) {
        std::ifstream in(manuals[static_cast<std::size_t>(i)], std::ios::binary);
        std::ostringstream body;
        body << in.rdbuf();
        bodies.push_back(body.str());
        hosts[static_cast<std::size_t>(i % kRealHosts)]->pages["/p" + std::to_string(i)] = {
            bodies.back(), delay(random)};
    }
    for (auto& host : hosts) {
        host->server = std::make_unique<httplib::Server>();
        host->server->new_task_queue = [] { return new httplib::ThreadPool(16); };
        const auto* pages = &host->pages;
        host->server->Get(
            ".*", [pages](const httplib::Request& request, httplib::Response& response) {
                const auto found = pages->find(request.path);
                if (found == pages->end()) {
                    response.status = 404;
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(found->second.second));
                response.set_content(found->second.first, "text/html");
            });
        host->port = host->server->bind_to_any_port(host->address);
        if (host->port <= 0) {
            state.SkipWithError("cannot bind a loopback address");
            return;
        }
        RealHost* started = host.get();
        host->thread = std::thread([started] { started->server->listen_after_bind(); });
        while (!host->server->is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    const auto previous = std::filesystem::current_path();
    const auto directory =
        std::filesystem::temp_directory_path() / ("varnolt-bench-real-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    for (int i = 0; i < kRecords; ++i) {
        const RealHost& host = *hosts[static_cast<std::size_t>(i % kRealHosts)];
        std::ofstream(std::to_string(i + 1) + ".vnt", std::ios::binary)
            << "http://" << host.address << ":" << host.port << "/p" << i << "|T|8:12:2025*"
            << bodies[static_cast<std::size_t>(i)];
    }

    for (auto _ : state) {
        ResetRunState();
        NoWindow window;
        const double wall = RunCheckWithRealTick(window);
        state.SetIterationTime(wall);
        state.counters["lines"] = window.lines.load();
        state.counters["tick_ratio"] =
            wall / (kRecords * std::chrono::duration<double>(kTick).count());
    }

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
    for (auto& host : hosts) {
        host->server->stop();
        host->thread.join();
    }
}

BENCHMARK(BM_CheckOfRealPagesWithSlowServers)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

constexpr int kLargeRecords = 20;

// Starts the resident size's high-water mark again from the present size.
void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_CheckOfLargePages(benchmark::State& state) {
    const std::size_t kLargePage = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    pid_t server = -1;
    const int port = ServePagesFromChild(kLargePage, server);
    if (port == 0) {
        state.SkipWithError("the server did not start");
        return;
    }

    const auto previous = std::filesystem::current_path();
    const auto directory = std::filesystem::temp_directory_path() /
                           ("varnolt-bench-large-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    {
        const std::string page(kLargePage, 'p');
        for (int i = 1; i <= kLargeRecords; ++i) {
            std::ofstream(std::to_string(i) + ".vnt", std::ios::binary)
                << "http://127.0.0.1:" << port << "/" << i << "|untitle|8:12:2025*" << page;
        }
    }

    for (auto _ : state) {
        // Each repetition starts as a freshly started program would: nothing held in the run state.
        ResetRunState();
        NoWindow window;
        const long before = StatusKib("VmRSS");
        ResetPeakResident();
        const double wall = RunCheckWithRealTick(window);
        const long peak = StatusKib("VmHWM");
        const long after = StatusKib("VmRSS");
        state.SetIterationTime(wall);
        state.counters["lines"] = window.lines.load();
        state.counters["peak_x_page"] =
            static_cast<double>(peak - before) * 1024.0 / static_cast<double>(kLargePage);
        state.counters["after_mib"] = static_cast<double>(after - before) / 1024.0;
    }

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
}

BENCHMARK(BM_CheckOfLargePages)
    ->Arg(32) // MiB
    ->Arg(12)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// The record files "0.vnt" to "N.vnt" in number order.
class NumberedRecords final : public RecordSource {
public:
    explicit NumberedRecords(int last) : m_last(last) {}
    std::optional<std::string> NextRecord() override {
        if (m_next > m_last) {
            return std::nullopt;
        }
        return std::to_string(m_next++) + ".vnt";
    }

private:
    int m_last;
    int m_next = 0;
};

void BM_StalledFirstRecordWithThousandBehind(benchmark::State& state) {
    constexpr int kBehind = 1000;
    const std::string page(64 * 1024, 'n');
    std::mutex guard;
    std::condition_variable released;
    bool open = false;
    httplib::Server server;
    server.Get("/stalled", [&](const httplib::Request&, httplib::Response& response) {
        std::unique_lock lock(guard);
        released.wait(lock, [&] { return open; });
        response.set_content("stalled page", "text/html");
    });
    server.Get(R"(/.*)", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(page, "text/html");
    });
    std::thread serving;
    const int port = ServeInThisProcess(server, serving);
    const auto previous = std::filesystem::current_path();
    const auto directory = std::filesystem::temp_directory_path() /
                           ("varnolt-bench-stalled-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    std::ofstream("0.vnt", std::ios::binary) << base << "/stalled|untitle|8:12:2025*old";
    for (int i = 1; i <= kBehind; ++i) {
        std::ofstream(std::to_string(i) + ".vnt", std::ios::binary)
            << base << "/" << i << "|untitle|8:12:2025*" << page;
    }

    for (auto _ : state) {
        {
            std::lock_guard lock(guard);
            open = false;
        }
        const long before = StatusKib("VmRSS");
        ResetPeakResident();
        const auto start = std::chrono::steady_clock::now();
        NumberedRecords records(kBehind);
        const SteadyMillisecondClock clock;
        std::size_t mostAhead = 0;
        std::int64_t mostHeld = 0;
        std::size_t results = 0;
        {
            CheckRun run(records, clock, {kReadTimeOutMs, std::nullopt}, CheckLimits{}, nullptr);
            const auto drive = [&] {
                run.FetchAhead();
                run.Drive(std::chrono::milliseconds(10));
                mostAhead = std::max(mostAhead, run.Ahead());
                mostHeld = std::max(mostHeld, run.HeldAheadBytes());
            };
            std::int64_t held = -1;
            while (run.HeldAheadBytes() != held) { // until admission has stopped
                held = run.HeldAheadBytes();
                for (int i = 0; i < 20; ++i) {
                    drive();
                }
            }
            const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (std::chrono::steady_clock::now() < settle) {
                drive();
            }
            state.counters["peak_mib"] = static_cast<double>(StatusKib("VmHWM") - before) / 1024.0;
            {
                std::lock_guard lock(guard);
                open = true;
            }
            released.notify_all();
            while (!run.Finished()) {
                if (run.InHandReady()) {
                    results += run.TakeInHand() ? 1 : 0;
                    continue;
                }
                drive();
            }
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["most_ahead"] = static_cast<double>(mostAhead);
        state.counters["held_kib"] = static_cast<double>(mostHeld) / 1024.0;
        state.counters["results"] = static_cast<double>(results);
    }

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
    {
        std::lock_guard lock(guard);
        open = true;
    }
    released.notify_all();
    server.stop();
    serving.join();
}

BENCHMARK(BM_StalledFirstRecordWithThousandBehind)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Starts a job with the window's own command and ticks every 100 ms, as the window does, until
// the job has ended and its last line shows.
void RunJobAsTheWindowDoes(const std::function<void()>& startJob, NoWindow& window) {
    startJob();
    auto next = std::chrono::steady_clock::now();
    do {
        next += kTick;
        std::this_thread::sleep_until(next);
        RunStateTick(window, window);
    } while (g_bWorkerBusy.load() != 0 || !g_strStatus.IsEmpty());
}

constexpr int kJobRuns = 5;
constexpr std::size_t kLargeJobPage = 32U * 1024 * 1024;

// Range 0: the check of 20 records of 32 MiB; 1: the add of one page of 32 MiB.
void BM_RepeatedJobsOnLargePages(benchmark::State& state) {
    const bool adding = state.range(0) == 1;
    pid_t server = -1;
    const int port = ServePagesFromChild(kLargeJobPage, server);
    if (port == 0) {
        state.SkipWithError("the server did not start");
        return;
    }
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";

    const auto previous = std::filesystem::current_path();
    const auto directory = std::filesystem::temp_directory_path() /
                           ("varnolt-bench-repeated-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    if (!adding) {
        const std::string page(kLargeJobPage, 'p');
        for (int i = 1; i <= kLargeRecords; ++i) {
            std::ofstream(std::to_string(i) + ".vnt", std::ios::binary)
                << address << i << "|untitle|8:12:2025*" << page;
        }
    }

    for (auto _ : state) {
        ResetRunState();
        double worstRise = 0;
        double peakPages = 0;
        long first = 0;
        long last = 0;
        double wall = 0;
        for (int run = 1; run <= kJobRuns; ++run) {
            NoWindow window;
            const long before = StatusKib("VmRSS");
            ResetPeakResident();
            const auto start = std::chrono::steady_clock::now();
            if (adding) {
                RunJobAsTheWindowDoes([&] { StartAddPage(address + "added"); }, window);
            } else {
                RunJobAsTheWindowDoes(StartCheckAll, window);
            }
            wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const long peak = StatusKib("VmHWM");
            const long after = StatusKib("VmRSS");
            if (window.lines.load() != (adding ? 1 : kLargeRecords)) {
                state.SkipWithError("the job did not report every page");
                break;
            }
            if (adding) {
                // The next add starts from the same folder; the new record is no longer needed.
                for (const auto& entry : std::filesystem::directory_iterator(".")) {
                    std::filesystem::remove(entry.path());
                }
            }
            std::printf(
                "  %s run %d: resident %.1f MiB before, %.1f MiB after (%+.1f), peak "
                "%.2f x page\n",
                adding ? "add" : "check", run, static_cast<double>(before) / 1024.0,
                static_cast<double>(after) / 1024.0, static_cast<double>(after - before) / 1024.0,
                static_cast<double>(peak - before) * 1024.0 / static_cast<double>(kLargeJobPage));
            worstRise = std::max(worstRise, static_cast<double>(after - before) / 1024.0);
            peakPages = std::max(peakPages, static_cast<double>(peak - before) * 1024.0 /
                                                static_cast<double>(kLargeJobPage));
            first = run == 1 ? before : first;
            last = after;
        }
        state.SetIterationTime(wall);
        state.counters["worst_after_mib"] = worstRise;
        state.counters["drift_mib"] = static_cast<double>(last - first) / 1024.0;
        state.counters["peak_x_page"] = peakPages;
    }

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
}

BENCHMARK(BM_RepeatedJobsOnLargePages)
    ->Arg(0) // the check
    ->Arg(1) // the add
    ->Iterations(1)
    ->Repetitions(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
