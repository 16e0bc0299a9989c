// What keeping a page's history costs a check, and how much disk it takes.
//
// 1. varnolt-cli check of 100 real HTML pages of 20-200 KiB (the system's HTML manuals), served
//    from one loopback server with no delay, 20 of them changed since their stored copy: with the
//    history on (the default setting: the file replaced is kept under a second name in the
//    page's history, the folder synced; histories kept from earlier checks) against the history off
//    (`history --keep 0`), in turns in the same run. Wall and CPU time (user + system of the
//    process, from wait4), medians, and their ratios: wall_ratio and cpu_ratio (target: at
//    most 1.15x).
// 2. The history's disk use after 30 checks of one page (100 KiB) that changes on every check,
//    with the default limits and with --max-mib 1 --keep 50: versions kept and bytes, against the
//    limits.
// Measured on Debian 12, 2 cores shared with other work (load 3-5), ext4, 10 turns each:
//   histories kept from earlier checks, two runs:
//     wall on/off 1.037 (239 / 231 ms), 1.035 (230 / 223 ms)
//     CPU  on/off 1.012 (95.4 / 94.3 ms), 0.998 (91.6 / 91.8 ms)
//   every history folder made afresh in each check (the first copy each page keeps; an earlier
//   form of this benchmark, which emptied the folders each turn), two runs at load 4-6:
//     wall 1.90 / 1.90, CPU 1.27 / 1.23: making the folder costs a sync of the records folder
//   30 checks of a 100 KiB page: 20 versions, 1.14 MiB (limits 20, 50 MiB); with --keep 50
//   --max-mib 1: 17 versions, 0.97 MiB.

#include "ForkedRun.h"
#include "RealManuals.h"

#include <benchmark/benchmark.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 100;
constexpr int kChangedEvery = 5; // 20 of 100
constexpr int kChecks = 30;

ProcessFigures RunCli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VNT_CLI_PROGRAM);
    return RunForked(arguments);
}

class Fixture {
public:
    Fixture() {
        m_folder =
            fs::temp_directory_path() / ("varnolt-bench-history-" + std::to_string(::getpid()));
        const std::vector<fs::path> manuals = RealManuals(kPages);
        for (int i = 0; i < kPages; ++i) {
            m_pages.push_back(ReadWholeFileText(manuals[static_cast<std::size_t>(i)]));
        }
        m_changing = m_pages.front().substr(0, 100 * 1024);
        m_server.Get("/p([0-9]+)", [this](const httplib::Request& request, httplib::Response& res) {
            res.set_content(m_pages[std::stoul(request.matches[1].str())], "text/html");
        });
        m_server.Get("/changing", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>visit " + std::to_string(++m_visits) + "</p>\n" + m_changing,
                            "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~Fixture() {
        m_server.stop();
        m_thread.join();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // A folder of the 100 records, every fifth one holding an older copy, with the history on
    // or off. The histories stay from one check to the next, as they do for pages watched a
    // while (the first copy a page keeps also makes its folder); the disk is synced first, so
    // that the check meets no writing of the setting up.
    std::string Records(bool history) {
        const fs::path folder = m_folder / (history ? "on" : "off");
        const bool first = !fs::exists(folder);
        fs::create_directories(folder);
        for (int i = 0; i < kPages; ++i) {
            if (!first && i % kChangedEvery != 0) {
                continue; // still the page served
            }
            const std::string& page = m_pages[static_cast<std::size_t>(i)];
            std::ofstream(folder / (std::to_string(i + 1) + ".vnt"), std::ios::binary)
                << Url("/p" + std::to_string(i)) << "|T|1:1:2025*"
                << (i % kChangedEvery == 0 ? "<p>an older copy</p>" + page : page);
        }
        if (first && !history) {
            RunCli({"-C", folder.string(), "history", "--keep", "0"});
        }
        ::sync();
        return folder.string();
    }

    // A folder with the one changing page, under the given history options.
    std::string Changing(const std::string& name, const std::vector<std::string>& options) {
        const fs::path folder = m_folder / name;
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        fs::create_directories(folder);
        std::ofstream(folder / "1.vnt", std::ios::binary)
            << Url("/changing") << "|T|1:1:2025*" << m_changing;
        if (!options.empty()) {
            std::vector<std::string> arguments = {"-C", folder.string(), "history"};
            arguments.insert(arguments.end(), options.begin(), options.end());
            RunCli(arguments);
        }
        return folder.string();
    }

private:
    fs::path m_folder;
    std::vector<std::string> m_pages;
    std::string m_changing;
    std::atomic<int> m_visits{0};
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each iteration checks the folder with the history on and the one with it off, in turns first,
// so that a change in the machine's load meets both alike; the time reported is the check with
// the history on, and the counters the ratios of the medians.
void BM_CheckHistoryOnAgainstOff(benchmark::State& state) {
    Fixture& fixture = Shared();
    std::vector<double> wall[2];
    std::vector<double> cpu[2];
    bool onFirst = false;
    for (auto _ : state) {
        for (const bool history : {onFirst, !onFirst}) {
            const std::string folder = fixture.Records(history);
            const ProcessFigures figures = RunCli({"-C", folder, "check", "--quiet"});
            if (figures.exitStatus != 1) {
                state.SkipWithError("the check did not find the 20 changed pages");
                return;
            }
            wall[history ? 1 : 0].push_back(figures.wall);
            cpu[history ? 1 : 0].push_back(figures.cpu);
            if (history) {
                state.SetIterationTime(figures.wall);
            }
        }
        onFirst = !onFirst;
    }
    state.counters["off_wall_ms"] = Median(wall[0]) * 1000;
    state.counters["on_wall_ms"] = Median(wall[1]) * 1000;
    state.counters["off_cpu_ms"] = Median(cpu[0]) * 1000;
    state.counters["on_cpu_ms"] = Median(cpu[1]) * 1000;
    state.counters["wall_ratio"] = Median(wall[1]) / Median(wall[0]);
    state.counters["cpu_ratio"] = Median(cpu[1]) / Median(cpu[0]);
}
BENCHMARK(BM_CheckHistoryOnAgainstOff)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// 30 checks of a page that changes on every check: what its history holds then.
void HistoryAfterThirtyChecks(benchmark::State& state, const std::string& name,
                              const std::vector<std::string>& options, double limitBytes,
                              int limitVersions) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        const std::string folder = fixture.Changing(name, options);
        for (int i = 0; i < kChecks; ++i) {
            if (RunCli({"-C", folder, "check", "--quiet"}).exitStatus != 1) {
                state.SkipWithError("a check did not find the page changed");
                return;
            }
        }
        double bytes = 0;
        int versions = 0;
        for (const auto& entry : fs::directory_iterator(folder + "/1.vnt.history")) {
            bytes += static_cast<double>(entry.file_size());
            ++versions;
        }
        state.counters["versions"] = versions;
        state.counters["limit_versions"] = limitVersions;
        state.counters["MiB"] = bytes / (1 << 20);
        state.counters["limit_MiB"] = limitBytes / (1 << 20);
        state.counters["within"] = versions <= limitVersions && bytes <= limitBytes ? 1 : 0;
    }
}

void BM_HistoryDiskDefaultLimits(benchmark::State& state) {
    HistoryAfterThirtyChecks(state, "default", {}, 50.0 * (1 << 20), 20);
}
void BM_HistoryDiskOneMiB(benchmark::State& state) {
    HistoryAfterThirtyChecks(state, "one-mib", {"--keep", "50", "--max-mib", "1"}, 1 << 20, 50);
}
BENCHMARK(BM_HistoryDiskDefaultLimits)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryDiskOneMiB)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
