// Start-up with 10,000 record files of 50 KiB each, and with 100,000 of 4 KiB: the time from the
// program's start to its window shown with the list filled (in a fresh process, and for the
// dialog alone), the resident memory at that moment, a lookup that matches nothing, and the
// window reading its folder again after another program changed it.
//
// Absolute times differ between machines, so the fresh process is measured against a floor taken
// in the same iteration: a bare dialog started the same way, plus a one-thread loop that opens,
// fstats, flocks, reads 256 bytes of and closes every record (what any reading of the list must
// do at least). Reported per case:
//   window_ms, bare_ms, loop_ms   the three times of the last iteration
//   x_floor       window / (bare + loop); target at most 1.3 at 10,000 and at 100,000 records
//   x_bare_dialog window / bare, and x_first_line_loop: the window (or the dialog alone, or the
//                 lookup) over a loop that reads the first line of every record with streams
//
// The windows are shown on an X server, as users see them: the one DISPLAY names, or else a
// private Xvfb started for the run. VNT_BENCH_OFFSCREEN=1 uses the toolkit's offscreen platform
// instead, which has no server to talk to and so makes the toolkit's own start much shorter.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVNT_BENCH=ON
//   cmake --build build-bench --target bench_startup && build-bench/bench/bench_startup
#include "platform/framework/WinApp.h"
#include "platform/framework/WindowHandle.h"
#include "records/Catalogue.h"
#include "runstate/ReloadPacing.h"
#include "vnt.h"
#include "vntDlg.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Corpus {
    int records;
    std::size_t recordBytes;
    std::filesystem::path directory;
};
Corpus g_corpora[] = {{10000, 50 * 1024, {}}, {100000, 4 * 1024, {}}};
std::string g_self;

// The corpus of that many records, made the working directory.
const Corpus& EnterCorpus(std::int64_t records) {
    for (const Corpus& corpus : g_corpora) {
        if (corpus.records == records) {
            std::filesystem::current_path(corpus.directory);
            return corpus;
        }
    }
    std::abort();
}

std::int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

void MakeCorpus(Corpus& corpus) {
    corpus.directory =
        std::filesystem::temp_directory_path() /
        ("varnolt-bench-" + std::to_string(::getpid()) + "-" + std::to_string(corpus.records));
    std::filesystem::create_directories(corpus.directory);
    std::string page;
    while (page.size() < corpus.recordBytes) {
        page += "<p>Some text of the stored page, as a site would send it, line after line.</p>\n";
    }
    for (int i = 0; i < corpus.records; ++i) {
        const std::string n = std::to_string(i);
        std::string record = "http://site-" + n + ".example.com/section/page-" + n +
                             ".html|Title of page " + n + " | Example site|4:5:2024*";
        record += page.substr(0, corpus.recordBytes - record.size());
        std::ofstream(corpus.directory / (n + ".vnt"), std::ios::binary) << record;
    }
}

// The baseline: open each record and read its first line, nothing else.
std::int64_t FirstLineLoopNs() {
    const std::int64_t start = MonotonicNs();
    std::size_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string line;
        std::getline(in, line);
        total += line.size();
    }
    benchmark::DoNotOptimize(total);
    return MonotonicNs() - start;
}

// The floor of any reading of the list: on one thread, every "*.vnt" of the folder opened,
// fstat-ed, locked as the program locks a record, 256 bytes of it read, and closed.
std::int64_t PlainRecordLoopNs() {
    const std::int64_t start = MonotonicNs();
    std::size_t total = 0;
    DIR* folder = ::opendir(".");
    if (folder == nullptr) {
        std::abort();
    }
    char head[256];
    while (const dirent* entry = ::readdir(folder)) {
        const std::size_t length = std::strlen(entry->d_name);
        if (length < 4 || std::strcmp(entry->d_name + length - 4, ".vnt") != 0) {
            continue;
        }
        const int fd = ::open(entry->d_name, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            const ssize_t got = ::read(fd, head, sizeof head);
            total += got > 0 ? static_cast<std::size_t>(got) : 0;
        }
        ::close(fd);
    }
    ::closedir(folder);
    benchmark::DoNotOptimize(total);
    return MonotonicNs() - start;
}

// Shows the dialog, paints it once and yields the time from `since` to then; fills the counts.
std::int64_t ShowWindowOnce(std::int64_t since, long& residentKib, int& lines) {
    CVntDlg dlg;
    theApp.m_pMainWnd = &dlg;
    std::int64_t shownAt = 0;
    QTimer::singleShot(0, [&] {
        AfxWidget(dlg.m_hWnd)->repaint(); // the first full paint, list lines included
        shownAt = MonotonicNs();
        residentKib = ResidentKib();
        lines = dlg.m_listPages.GetCount();
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    return shownAt - since;
}

// Child mode: a fresh process starts as the program's entry routine starts it (the application's
// preparation, then the toolkit) and shows the window, prints its figures and ends.
int RunChild(const char* startNs) {
    const std::int64_t since = std::strtoll(startNs, nullptr, 10);
    static char name[] = "varnolt";
    static char* argv[] = {name, nullptr};
    theApp.InitApplication();
    AfxWinInit(1, argv);
    long residentKib = 0;
    int lines = 0;
    const std::int64_t elapsed = ShowWindowOnce(since, residentKib, lines);
    std::printf("%lld %ld %d\n", static_cast<long long>(elapsed), residentKib, lines);
    return 0;
}

// The baseline of a fresh process: the toolkit started the same way and an empty dialog of the
// window's size shown and painted once.
int RunBareChild(const char* startNs) {
    const std::int64_t since = std::strtoll(startNs, nullptr, 10);
    static char name[] = "varnolt";
    static char* argv[] = {name, nullptr};
    AfxWinInit(1, argv);
    QDialog dialog;
    dialog.resize(467, 250);
    std::int64_t shownAt = 0;
    QTimer::singleShot(0, [&] {
        dialog.repaint();
        shownAt = MonotonicNs();
        dialog.done(0);
    });
    dialog.show();
    dialog.exec();
    std::printf("%lld %ld %d\n", static_cast<long long>(shownAt - since), ResidentKib(), 0);
    return 0;
}

struct ChildFigures {
    bool ok = false;
    long long elapsedNs = 0;
    long residentKib = 0;
    int lines = 0;
};

// Starts this program again in the given child mode and reads the figures it prints.
ChildFigures SpawnChild(const char* mode) {
    ChildFigures figures;
    int out[2];
    if (::pipe(out) != 0) {
        return figures;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string start = std::to_string(MonotonicNs());
    char* args[] = {g_self.data(), const_cast<char*>(mode), const_cast<char*>(start.c_str()),
                    nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, g_self.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char buffer[128] = {};
    std::size_t got = 0;
    for (ssize_t n; (n = ::read(out[0], buffer + got, sizeof buffer - 1 - got)) > 0;) {
        got += static_cast<std::size_t>(n);
    }
    ::close(out[0]);
    int status = 0;
    if (spawned == 0) {
        ::waitpid(child, &status, 0);
    }
    figures.ok = spawned == 0 && std::sscanf(buffer, "%lld %ld %d", &figures.elapsedNs,
                                             &figures.residentKib, &figures.lines) == 3;
    return figures;
}

// An Xvfb of the benchmark's own on the first free display from :90, ended with the run.
class PrivateXServer {
public:
    // Starts the server and waits for its socket; yields the display's name, or empty.
    std::string Start() {
        for (int number = 90; number < 100; ++number) {
            const std::string digits = std::to_string(number);
            // Appended rather than added up: GCC 12 warns falsely on `literal + to_string`.
            const std::string display = std::string(":").append(digits);
            const std::string socket = std::string("/tmp/.X11-unix/X").append(digits);
            const std::string lock = std::string("/tmp/.X").append(digits).append("-lock");
            struct stat info {};
            if (::stat(socket.c_str(), &info) == 0 || ::stat(lock.c_str(), &info) == 0) {
                continue;
            }
            std::vector<std::string> words{"Xvfb",         display,     "-screen", "0",
                                           "1280x1024x24", "-nolisten", "tcp"};
            std::vector<char*> args;
            for (std::string& word : words) {
                args.push_back(word.data());
            }
            args.push_back(nullptr);
            if (::posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, args.data(), environ) != 0) {
                m_pid = -1;
                return {};
            }
            for (int wait = 0; wait < 500; ++wait) {
                if (::stat(socket.c_str(), &info) == 0) {
                    return display;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            Stop();
            return {};
        }
        return {};
    }

    void Stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

    ~PrivateXServer() { Stop(); }

private:
    pid_t m_pid = -1;
};

// Chooses where the windows are shown (see the top of this file) and says so in the report.
void ChooseDisplay(PrivateXServer& server) {
    const char* offscreen = std::getenv("VNT_BENCH_OFFSCREEN");
    const char* display = std::getenv("DISPLAY");
    if (offscreen != nullptr && std::strcmp(offscreen, "1") == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        benchmark::AddCustomContext("display", "the toolkit's offscreen platform");
        return;
    }
    if (display == nullptr || *display == 0) {
        const std::string started = server.Start();
        if (started.empty()) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            benchmark::AddCustomContext("display", "offscreen (no Xvfb could be started)");
            return;
        }
        ::setenv("DISPLAY", started.c_str(), 1);
        benchmark::AddCustomContext("display", "a private Xvfb on " + started);
    } else {
        benchmark::AddCustomContext("display", std::string("the X server on ") + display);
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
}

void ProcessStartToWindowShown(benchmark::State& state) {
    const Corpus& corpus = EnterCorpus(state.range(0));
    double residentMib = 0;
    double ratio = 0;
    double bareRatio = 0;
    double floorRatio = 0;
    double windowMs = 0;
    double bareMs = 0;
    double loopMs = 0;
    for (auto _ : state) {
        const std::int64_t baseline = FirstLineLoopNs();
        const std::int64_t loop = PlainRecordLoopNs();
        const ChildFigures bare = SpawnChild("--child-bare");
        const ChildFigures window = SpawnChild("--child-startup");
        if (!bare.ok || !window.ok || window.lines != corpus.records) {
            state.SkipWithError("the child did not show the window with every record listed");
            return;
        }
        state.SetIterationTime(static_cast<double>(window.elapsedNs) / 1e9);
        residentMib = static_cast<double>(window.residentKib) / 1024.0;
        ratio = static_cast<double>(window.elapsedNs) / static_cast<double>(baseline);
        bareRatio = static_cast<double>(window.elapsedNs) / static_cast<double>(bare.elapsedNs);
        floorRatio = static_cast<double>(window.elapsedNs) /
                     static_cast<double>(bare.elapsedNs + static_cast<long long>(loop));
        windowMs = static_cast<double>(window.elapsedNs) / 1e6;
        bareMs = static_cast<double>(bare.elapsedNs) / 1e6;
        loopMs = static_cast<double>(loop) / 1e6;
        std::printf("  %lld records: window %.1f ms, bare dialog %.1f ms, record loop %.1f ms: "
                    "x_floor %.3f\n",
                    static_cast<long long>(corpus.records), windowMs, bareMs, loopMs, floorRatio);
    }
    state.counters["rss_mib"] = residentMib;
    state.counters["x_first_line_loop"] = ratio;
    state.counters["x_bare_dialog"] = bareRatio;
    state.counters["x_floor"] = floorRatio;
    state.counters["window_ms"] = windowMs;
    state.counters["bare_ms"] = bareMs;
    state.counters["loop_ms"] = loopMs;
}

void DialogToWindowShown(benchmark::State& state) {
    const Corpus& corpus = EnterCorpus(state.range(0));
    double ratio = 0;
    for (auto _ : state) {
        const std::int64_t baseline = FirstLineLoopNs();
        long kib = 0;
        int lines = 0;
        const std::int64_t elapsed = ShowWindowOnce(MonotonicNs(), kib, lines);
        if (lines != corpus.records) {
            state.SkipWithError("not every record was listed");
            return;
        }
        state.SetIterationTime(static_cast<double>(elapsed) / 1e9);
        ratio = static_cast<double>(elapsed) / static_cast<double>(baseline);
    }
    state.counters["x_first_line_loop"] = ratio;
}

void LookupMatchingNothing(benchmark::State& state) {
    EnterCorpus(state.range(0));
    double ratio = 0;
    for (auto _ : state) {
        const std::int64_t baseline = FirstLineLoopNs();
        std::string file, title, date;
        const std::int64_t start = MonotonicNs();
        const bool found = FindRecordByUrl("http://no-such-site.example.com/", file, title, date);
        const std::int64_t elapsed = MonotonicNs() - start;
        if (found) {
            state.SkipWithError("the lookup matched");
            return;
        }
        state.SetIterationTime(static_cast<double>(elapsed) / 1e9);
        ratio = static_cast<double>(elapsed) / static_cast<double>(baseline);
    }
    state.counters["x_first_line_loop"] = ratio;
}

// Another program adds a record (then removes it again) while the window is open: the time from
// the tick that takes the change in to the list read again and painted, against the same
// window's start-up (built, list filled, painted) in the same run; and the resident memory after
// the first and the twentieth reload. Reported per case:
//   startup_ms, reload_ms   the window's start-up, and the median of its 20 reloads
//   x_startup     reload / startup; target at most 1.0 at 10,000 and at 100,000 records
//   rss_growth_mib          resident memory after 20 reloads less that after the first; at most 5
void ReloadAfterOutsideChange(benchmark::State& state) {
    const Corpus& corpus = EnterCorpus(state.range(0));
    constexpr int kReloads = 20;
    double ratio = 0;
    double startupMs = 0;
    double reloadMs = 0;
    double growthMib = 0;
    for (auto _ : state) {
        CVntDlg dlg;
        theApp.m_pMainWnd = &dlg;
        const std::int64_t constructed = MonotonicNs();
        bool listed = true;
        std::vector<std::int64_t> reloads;
        long firstKib = 0;
        long lastKib = 0;
        QTimer::singleShot(0, [&] {
            AfxWidget(dlg.m_hWnd)->repaint();
            startupMs = static_cast<double>(MonotonicNs() - constructed) / 1e6;
            for (int reload = 0; reload < kReloads && listed; ++reload) {
                // Written and removed in turn, as an add and a remove by the command line.
                const std::string extra = std::to_string(corpus.records) + ".vnt";
                if (reload % 2 == 0) {
                    std::ofstream(extra, std::ios::binary)
                        << "http://added.example.com/|Added|4:5:2024*<p>added</p>";
                } else {
                    std::filesystem::remove(extra);
                }
                const int before = dlg.FolderReloads();
                for (int tick = 1; tick < kReloadQuietTicks; ++tick) {
                    dlg.SendMessage(WM_TIMER, 0);
                }
                const std::int64_t start = MonotonicNs();
                dlg.SendMessage(WM_TIMER, 0);
                AfxWidget(dlg.m_hWnd)->repaint();
                reloads.push_back(MonotonicNs() - start);
                listed = dlg.FolderReloads() == before + 1 &&
                         dlg.m_listPages.GetCount() == corpus.records + (reload % 2 == 0 ? 1 : 0);
                if (reload == 0) {
                    firstKib = ResidentKib();
                }
                lastKib = ResidentKib();
            }
            dlg.EndDialog(IDCANCEL);
        });
        dlg.DoModal();
        std::filesystem::remove(std::to_string(corpus.records) + ".vnt");
        if (!listed) {
            state.SkipWithError("a change was not taken in by exactly one reload");
            return;
        }
        std::sort(reloads.begin(), reloads.end());
        reloadMs = static_cast<double>(reloads[reloads.size() / 2]) / 1e6;
        state.SetIterationTime(reloadMs / 1e3);
        ratio = reloadMs / startupMs;
        growthMib = static_cast<double>(lastKib - firstKib) / 1024.0;
        std::printf("  %lld records: start-up %.1f ms, reload %.1f ms: x_startup %.3f, "
                    "rss growth %.2f MiB\n",
                    static_cast<long long>(corpus.records), startupMs, reloadMs, ratio, growthMib);
    }
    state.counters["startup_ms"] = startupMs;
    state.counters["reload_ms"] = reloadMs;
    state.counters["x_startup"] = ratio;
    state.counters["rss_growth_mib"] = growthMib;
}

BENCHMARK(ProcessStartToWindowShown)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7);
BENCHMARK(DialogToWindowShown)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7);
BENCHMARK(ReloadAfterOutsideChange)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(LookupMatchingNothing)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child-startup") == 0) {
        return RunChild(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--child-bare") == 0) {
        return RunBareChild(argv[2]);
    }
    g_self = std::filesystem::read_symlink("/proc/self/exe").string();
    benchmark::Initialize(&argc, argv);
    PrivateXServer server;
    ChooseDisplay(server);
    AfxWinInit(argc, argv);
    for (Corpus& corpus : g_corpora) {
        MakeCorpus(corpus);
    }
    const std::filesystem::path previous = std::filesystem::current_path();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::current_path(previous);
    for (const Corpus& corpus : g_corpora) {
        std::filesystem::remove_all(corpus.directory);
    }
    return 0;
}
