// A benchmark main that prints, after the usual table, the ratio of two benchmarks' real
// times per iteration: the figure we quote (a run against its baseline in the same process).
#pragma once

#include <benchmark/benchmark.h>

#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace bench {

class TRatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration)
                Times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};

// One figure: "label = measured / baseline" (names as Google Benchmark reports them, e.g.
// "BM_WriteGCode/real_time").
struct TRatio {
    std::string Measured, Baseline, Label;
};

// Runs the registered benchmarks and prints each ratio whose two benchmarks both ran.
inline int RunWithRatios(int argc, char** argv, const std::vector<TRatio>& ratios) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const TRatio& r : ratios) {
        const auto m = reporter.Times.find(r.Measured);
        const auto b = reporter.Times.find(r.Baseline);
        if (m != reporter.Times.end() && b != reporter.Times.end() && b->second > 0)
            std::cout << r.Label << " = " << m->second / b->second << '\n';
    }
    benchmark::Shutdown();
    return 0;
}

inline int RunWithRatio(int argc, char** argv, const std::string& measured,
                        const std::string& baseline, const std::string& label) {
    return RunWithRatios(argc, argv, {{measured, baseline, label}});
}

} // namespace bench
