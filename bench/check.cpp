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

#include "jobs/CheckAllJob.h"
#include "runstate/RunState.h"
#include "runstate/Tick.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

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

void BM_CheckOfUnchangedRecords(benchmark::State& state) {
    const std::string page(20 * 1024, 'p');
    httplib::Server server;
    server.Get(R"(/.*)", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(page, "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

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
        std::atomic<double> workerCpu{0};
        const auto start = std::chrono::steady_clock::now();
        g_bWorkerBusy = 1;
        std::thread worker([&] {
            CheckAllJob(nullptr);
            workerCpu = ThreadCpuSeconds();
        });
        // The window thread: a tick every 100 ms until the job has ended and its last line shows.
        auto next = start;
        while (g_bWorkerBusy.load() != 0 || !g_strStatus.IsEmpty()) {
            next += kTick;
            std::this_thread::sleep_until(next);
            RunStateTick(window, window);
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        worker.join();
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

} // namespace

BENCHMARK_MAIN();
