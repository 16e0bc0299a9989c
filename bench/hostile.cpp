// Work on hostile pages: a selector that matches 640,000 elements, against the parse of the same
// page; the report and the diff of a 10 MB single-line page and of 200,000 changed lines of a
// 12 MB page, against reading the page. Peak memory is the process's highest resident size
// while the work ran, over the page's size (reset before each measure through /proc).

#include "RatioReporter.h"

#include "changes/ChangeReport.h"
#include "changes/LineDiff.h"
#include "platform/markup/HtmlSelection.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ManyParagraphs(std::size_t count) {
    std::string page = "<html><body>";
    for (std::size_t i = 0; i < count; ++i) {
        page += "<p>" + std::to_string(i) + "</p>";
    }
    return page + "</body></html>";
}

// The page of `count` lines, each `width` bytes, holding `tag` and the line's number.
std::string Lines(std::size_t count, std::size_t width, const std::string& tag) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = tag + " " + std::to_string(i) + " ";
        line.resize(width, 'x');
        text += line + "\n";
    }
    return text;
}

std::string SingleLine(std::size_t bytes, char word) {
    std::string line;
    while (line.size() < bytes) {
        line += word;
        line += "bc de ";
    }
    return line;
}

double PeakMib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double CurrentMib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

const std::string& SelectionPage() {
    static const std::string page = ManyParagraphs(640000);
    return page;
}

void BM_Parse640k(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(SelectFromHtml(SelectionPage(), {}, false));
    }
}
BENCHMARK(BM_Parse640k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Select640k(benchmark::State& state) {
    for (auto _ : state) {
        const HtmlSelection selection = SelectFromHtml(SelectionPage(), {"//p"}, false);
        benchmark::DoNotOptimize(selection.text.size());
    }
}
BENCHMARK(BM_Select640k)->Unit(benchmark::kMillisecond)->Iterations(3);

struct Case {
    std::string before;
    std::string after;
};

const Case& BigCase(int which) {
    static const Case single{SingleLine(10 << 20, 'a'), SingleLine(10 << 20, 'z')};
    // 200,000 of 12 MB's lines changed.
    static const Case lines{Lines(200000, 60, "old"), Lines(200000, 60, "new")};
    return which == 0 ? single : lines;
}

// Reading the page from a file: the baseline.
void BM_ReadPage(benchmark::State& state) {
    const Case& c = BigCase(static_cast<int>(state.range(0)));
    const std::string path = "/tmp/vnt-bench-hostile-page";
    std::ofstream(path, std::ios::binary) << c.after;
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream read;
        read << in.rdbuf();
        benchmark::DoNotOptimize(read.str().size());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void Measure(benchmark::State& state, bool report) {
    const Case& c = BigCase(static_cast<int>(state.range(0)));
    const double pageMib = static_cast<double>(c.after.size()) / (1 << 20);
    double peakOverPage = 0;
    for (auto _ : state) {
        const double before = CurrentMib();
        ResetPeak();
        if (report) {
            PageChange page;
            page.url = "https://example.org/";
            page.before = ReportVersion{"before", c.before};
            page.after = ReportVersion{"after", c.after};
            benchmark::DoNotOptimize(ChangeReportHtml({page}).size());
        } else {
            benchmark::DoNotOptimize(UnifiedDiff(c.before, c.after, "a", "b").size());
        }
        peakOverPage = std::max(peakOverPage, (PeakMib() - before) / pageMib);
    }
    state.counters["peak_x_page"] = peakOverPage;
}

void BM_Report(benchmark::State& state) {
    Measure(state, true);
}
BENCHMARK(BM_Report)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Diff(benchmark::State& state) {
    Measure(state, false);
}
BENCHMARK(BM_Diff)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(argc, argv,
                         {{"BM_Select640k/iterations:3", "BM_Parse640k/iterations:3"},
                          {"BM_Report/0/iterations:3", "BM_ReadPage/0/iterations:3"},
                          {"BM_Report/1/iterations:3", "BM_ReadPage/1/iterations:3"},
                          {"BM_Diff/0/iterations:3", "BM_ReadPage/0/iterations:3"},
                          {"BM_Diff/1/iterations:3", "BM_ReadPage/1/iterations:3"}});
}
