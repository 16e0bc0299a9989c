// The window's resident size around jobs on large pages, as a user meets it: the real window with
// its real 100 ms timer, its Start button checking 20 records of 32 MiB (and of 12 MiB, below the
// size from which the allocator always maps memory of its own), and its Add URL button adding a
// page of 32 MiB (and of 12 MiB), each five times in this one process. The pages are served by a
// child process, so that only the window's own memory counts. Printed: the resident size before and
// after every run. Reported:
//   worst_after_mib  the largest rise of the resident size over one run; target within 5
//   drift_mib        the resident size after the last run less the one before the first
//   peak_x_page      the largest rise of the high-water mark over one run, in pages
//
//   cmake --build build-bench --target bench_window_memory && build-bench/bench/bench_window_memory
#include "platform/framework/DialogWindow.h"
#include "platform/framework/WinApp.h"
#include "resources/resource.h"
#include "runstate/RunState.h"
#include "vnt.h"
#include "vntDlg.h"

#include "ChildPageServer.h"
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRuns = 5;
constexpr int kRecords = 20;
std::size_t g_pageBytes = 0; // of the case running

constexpr std::size_t kLargestPage = 32U * 1024 * 1024;

// The page server, started before the toolkit so that the fork copies no thread of its.
int g_port = 0;

struct RunFigures {
    double worstRiseMib = 0;
    double driftMib = 0;
    double peakPages = 0;
    bool finished = false;
};

// Shows the window and presses one of its buttons kRuns times, each time once the job before has
// ended and its last line has been shown by the window's own timer.
RunFigures PressRepeatedly(bool adding, const std::string& address) {
    CVntDlg dlg;
    theApp.m_pMainWnd = &dlg;
    RunFigures figures;
    int run = 0;
    bool started = false;
    long first = 0;
    long before = 0;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (started) {
            if (g_bWorkerBusy.load() != 0 || !g_strStatus.IsEmpty()) {
                return;
            }
            const long after = StatusKib("VmRSS");
            const long peak = StatusKib("VmHWM");
            std::printf(
                "  %s run %d: resident %.1f MiB before, %.1f MiB after (%+.1f), peak "
                "%.2f x page\n",
                adding ? "add" : "check", run, static_cast<double>(before) / 1024.0,
                static_cast<double>(after) / 1024.0, static_cast<double>(after - before) / 1024.0,
                static_cast<double>(peak - before) * 1024.0 / static_cast<double>(g_pageBytes));
            std::fflush(stdout);
            figures.worstRiseMib =
                std::max(figures.worstRiseMib, static_cast<double>(after - before) / 1024.0);
            figures.peakPages =
                std::max(figures.peakPages, static_cast<double>(peak - before) * 1024.0 /
                                                static_cast<double>(g_pageBytes));
            figures.driftMib = static_cast<double>(after - first) / 1024.0;
            started = false;
            if (adding) {
                // The next add starts from the same folder: the new record goes.
                for (const auto& entry : std::filesystem::directory_iterator(".")) {
                    if (entry.path().extension() == ".vnt") {
                        std::filesystem::remove(entry.path());
                    }
                }
            }
            if (run == kRuns) {
                figures.finished = true;
                watch.stop();
                dlg.EndDialog(IDCANCEL);
            }
            return;
        }
        ++run;
        before = StatusKib("VmRSS");
        first = run == 1 ? before : first;
        std::ofstream("/proc/self/clear_refs") << "5"; // the high-water mark starts again here
        if (adding) {
            dynamic_cast<QLineEdit*>(AfxControlWidget(dlg, IDC_URL))
                ->setText(QString::fromStdString(address + "added"));
        }
        started = true;
        dynamic_cast<QAbstractButton*>(AfxControlWidget(dlg, adding ? IDOK : IDC_START))->click();
    });
    QTimer::singleShot(0, [&] { watch.start(); });
    dlg.DoModal();
    return figures;
}

// Range 0: Start, checking 20 records; 1: Add URL, adding a page. Range 1: the page's MiB.
void BM_WindowMemoryAroundLargeJobs(benchmark::State& state) {
    const bool adding = state.range(0) == 1;
    g_pageBytes = static_cast<std::size_t>(state.range(1)) * 1024 * 1024;
    if (g_port == 0) {
        state.SkipWithError("the server did not start");
        return;
    }
    // The server sends as many bytes as the path's first number says.
    const std::string address =
        "http://127.0.0.1:" + std::to_string(g_port) + "/" + std::to_string(g_pageBytes) + "/";
    const auto previous = std::filesystem::current_path();
    const auto directory = std::filesystem::temp_directory_path() /
                           ("varnolt-bench-window-memory-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::filesystem::current_path(directory);
    if (!adding) {
        const std::string page(g_pageBytes, 'p');
        for (int i = 1; i <= kRecords; ++i) {
            std::ofstream(std::to_string(i) + ".vnt", std::ios::binary)
                << address << i << "|untitle|8:12:2025*" << page;
        }
    }
    for (auto _ : state) {
        const RunFigures figures = PressRepeatedly(adding, address);
        if (!figures.finished) {
            state.SkipWithError("the window closed before every run ended");
            break;
        }
        state.counters["worst_after_mib"] = figures.worstRiseMib;
        state.counters["drift_mib"] = figures.driftMib;
        state.counters["peak_x_page"] = figures.peakPages;
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
}

BENCHMARK(BM_WindowMemoryAroundLargeJobs)
    ->Args({0, 32}) // Start, pages of 32 MiB
    ->Args({0, 12})
    ->Args({1, 32}) // Add URL
    ->Args({1, 12})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    benchmark::Initialize(&argc, argv);
    pid_t server = -1;
    g_port = ServePagesFromChild(kLargestPage, server);
    AfxWinInit(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (server > 0) {
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
    }
    return 0;
}
