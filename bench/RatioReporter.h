#pragma once
// Prints each benchmark as usual, then the ratio of chosen pairs measured in the same run, so a
// figure never depends on how fast this machine happens to be today.
//
//   int main(int argc, char** argv) {
//       return RunWithRatios(argc, argv, {{"BM_Ours/1048576", "BM_Baseline/1048576"}});
//   }

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
                // With repetitions, the median stands for the benchmark.
                const std::string name =
                    run.run_type == Run::RT_Iteration ? run.benchmark_name() : run.run_name.str();
                if (run.run_type == Run::RT_Aggregate || m_times.count(name) == 0) {
                    m_times[name] = run.GetAdjustedRealTime();
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
        std::printf("\nRatios (same run, real time):\n");
        for (const auto& [ours, baseline] : pairs) {
            const auto a = m_times.find(ours);
            const auto b = m_times.find(baseline);
            if (a == m_times.end() || b == m_times.end() || b->second <= 0) {
                std::printf("  %s / %s: not measured\n", ours.c_str(), baseline.c_str());
                continue;
            }
            std::printf("  %s / %s = %.3f\n", ours.c_str(), baseline.c_str(),
                        a->second / b->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

inline int RunWithRatios(int argc, char** argv,
                         const std::vector<std::pair<std::string, std::string>>& pairs) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios(pairs);
    benchmark::Shutdown();
    return 0;
}
