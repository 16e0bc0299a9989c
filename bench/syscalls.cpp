// System calls of `varnolt-cli check` per changed record: a check of 1,000 records whose pages
// all changed, counted by strace (-f -c), against the same check of 1,000 unchanged records in
// the same run (the baseline: what a record costs without a write). Reported per record:
//   calls_per_changed   all system calls of the changed check, per record
//   added_per_changed   those beyond the unchanged check's, per record: what a rewrite costs
//   getdents_per_changed  directory reads per changed record: a write that looked through the
//                          folder for leftovers made this grow with the folder (N² in all)
// With VNT_BENCH_BEFORE_CLI naming another build of varnolt-cli (the code before a change), the
// same two checks are run with it too and printed beside these, in the same run.
// Pages are served by a loopback server in this process with no delay; the records are made
// afresh for every check. strace is a benchmark-only package (scripts/setup-debian.sh).
// Measured on Debian 12, 2 shared cores (load 8-13), one run, per changed record:
//   each write looking through the folder (the code before):  91.5 calls, 7.15 getdents
//   nameless temporaries, leftovers looked for once a run:     83.7 calls, 4.00 getdents
//   (the unchanged check: 34.7 calls a record both times). The directory reads left are the
//   page's history folder, read when a version is kept.

#include <benchmark/benchmark.h>

#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ForkedRun.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 1000;

struct CallCounts {
    long total = 0;
    long getdents = 0;
};

class Site {
public:
    Site() {
        m_server.Get("/p([0-9]+)", [](const httplib::Request& request, httplib::Response& res) {
            res.set_content("<p>the page " + request.matches[1].str() + " as it is now</p>",
                            "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m_folder =
            fs::temp_directory_path() / ("varnolt-bench-syscalls-" + std::to_string(::getpid()));
    }
    ~Site() {
        m_server.stop();
        m_thread.join();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // A fresh folder of the records, each holding the page served (unchanged) or an older one.
    std::string Records(bool changed) {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        fs::create_directories(m_folder);
        for (int i = 1; i <= kRecords; ++i) {
            const std::string n = std::to_string(i);
            std::ofstream(m_folder / (n + ".vnt"), std::ios::binary)
                << "http://127.0.0.1:" << m_port << "/p" << n << "|T|1:1:2025*"
                << (changed ? "<p>an older copy</p>" : "<p>the page " + n + " as it is now</p>");
        }
        return m_folder.string();
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    fs::path m_folder;
};

Site& Shared() {
    static Site site;
    return site;
}

// Runs the program's check of the folder under strace and reads its summary.
CallCounts CountedCheck(const std::string& program, const std::string& folder) {
    const std::string summary = folder + ".strace";
    RunForked({"strace", "-f", "-c", "-o", summary, program, "-C", folder, "check", "-q"});
    CallCounts counts;
    std::ifstream in(summary);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) {
            words.push_back(word);
        }
        if (words.size() < 5 || words[0].find_first_not_of("0123456789.") != std::string::npos) {
            continue;
        }
        const long calls = std::atol(words[3].c_str());
        if (words.back() == "total") {
            counts.total = calls;
        } else if (words.back().rfind("getdents", 0) == 0) {
            counts.getdents += calls;
        }
    }
    std::remove(summary.c_str());
    return counts;
}

void Report(benchmark::State& state, const std::string& program) {
    CallCounts changed;
    CallCounts unchanged;
    for (auto _ : state) {
        unchanged = CountedCheck(program, Shared().Records(false));
        changed = CountedCheck(program, Shared().Records(true));
    }
    if (changed.total == 0 || unchanged.total == 0) {
        state.SkipWithError("strace gave no summary (is it installed, and may it trace?)");
        return;
    }
    state.counters["calls_per_changed"] = static_cast<double>(changed.total) / kRecords;
    state.counters["calls_per_unchanged"] = static_cast<double>(unchanged.total) / kRecords;
    state.counters["added_per_changed"] =
        static_cast<double>(changed.total - unchanged.total) / kRecords;
    state.counters["getdents_per_changed"] = static_cast<double>(changed.getdents) / kRecords;
}

void BM_CheckOf1000Changed(benchmark::State& state) {
    Report(state, VNT_CLI_PROGRAM);
}
BENCHMARK(BM_CheckOf1000Changed)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CheckOf1000Changed_Before(benchmark::State& state) {
    const char* before = std::getenv("VNT_BENCH_BEFORE_CLI");
    if (before == nullptr || *before == '\0') {
        state.SkipWithError("VNT_BENCH_BEFORE_CLI names no earlier varnolt-cli to compare");
        for (auto _ : state) {
        }
        return;
    }
    Report(state, before);
}
BENCHMARK(BM_CheckOf1000Changed_Before)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
