// The whole pipeline through orlenta-cli (a text of 1,000 or 10,000 characters to a G-code
// program at Precision 8 or 100), against two baselines in the same run: the same work in
// this process (load the parameter file, make a converter, Create and Save), and the lean
// single pass of bench/LeanPass.h, the floor. The child's CPU time and peak memory come
// from wait4. Prints, per size, orlenta-cli against both.
#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "glyph/FreeTypeFontService.h"
#include "glyph/UTTF2Vct.h"

#include "bench/BenchRatio.h"
#include "bench/LeanPass.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

constexpr const char* FontName = "Arial";

std::string Text(std::size_t length) {
    const std::string words = "Orlenta engraves nameplates 0123456789 ACME Pump Valve ";
    std::string text;
    while (text.size() < length)
        text += words;
    text.resize(length);
    return text;
}

fs::path Scratch() {
    static const fs::path dir = [] {
        const fs::path d =
            fs::temp_directory_path() / ("orlenta_bench_cli_" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// The parameter file of one precision.
fs::path Config(int precision) {
    const fs::path file = Scratch() / ("bench" + std::to_string(precision) + ".cfg");
    if (!fs::exists(file))
        std::ofstream(file) << "[Parameters]\nDepth=0.2\nRapidHeight=2\nRoughFeed=600\n"
                               "RoughPlunge=100\nPrecision="
                            << precision << "\nDecimal=4\nStart=100\nIncrement=5\n";
    return file;
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Args: characters, precision.
void BM_CliProcess(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    const int precision = static_cast<int>(state.range(1));
    const fs::path out = Scratch() / "cli.Dnc";
    std::vector<std::string> args = {ORLENTA_CLI_PATH,
                                     Text(length),
                                     "--font",
                                     FontName,
                                     "--height",
                                     "5",
                                     "--params",
                                     Config(precision).string(),
                                     "-o",
                                     out.string(),
                                     "--force"}; // 10,000 characters pass the line-number bound
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    double cpu = 0;
    long peakKiB = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
            wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("orlenta-cli failed");
            break;
        }
        cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        peakKiB = std::max(peakKiB, usage.ru_maxrss);
    }
    state.counters["cpu_ms"] = 1e3 * cpu / static_cast<double>(state.iterations());
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024;
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void BM_InProcess(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    const int precision = static_cast<int>(state.range(1));
    TCreateNumbers numbers;
    numbers.Text = Text(length);
    numbers.Height = 5;
    const TFontChoice font{FontName, false, false};
    const fs::path out = Scratch() / "inprocess.Dnc";
    for (auto _ : state) {
        TGlobals g;
        SetStartupValues(g);
        LoadParameters(g.Params, Config(precision));
        TTTFToVectorConverter ttf;
        // As orlenta-cli runs a G-code job: the toolpaths go into the file as they are built.
        const TCreateSaveResult r = CreateAndSaveGCode(g, numbers, font, ttf, {}, out, true);
        if (r.Created.Outcome != TCreateOutcome::Done || r.SaveError || !r.Saved.Saved) {
            state.SkipWithError("Create or Save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void BM_LeanPass(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(0));
    const int precision = static_cast<int>(state.range(1));
    const std::string text = Text(length);
    const fs::path out = Scratch() / "lean.Dnc";
    TMachiningParameters params;
    LoadParameters(params, Config(precision));
    const std::string file = TFreeTypeFontService().Resolve({FontName, false, false}).File;
    for (auto _ : state) {
        orlenta::bench::TLeanPass lean(file, precision, 5);
        benchmark::DoNotOptimize(lean.Run(text, out, params));
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int length : {1000, 10000})
        for (int precision : {8, 100})
            b->Args({length, precision});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The child's peak counts what it inherits at the spawn: the separate process runs first,
// while this one is still small.
BENCHMARK(BM_CliProcess)->Apply(Sizes);
BENCHMARK(BM_LeanPass)->Apply(Sizes);
BENCHMARK(BM_InProcess)->Apply(Sizes);

// Keeps every run's real time, CPU time and counters by name.
class TReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions, the median stands for them all.
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration && !Medians.count(r.run_name.str()))
                Runs[r.run_name.str()] = r;
            else if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                Medians.insert(r.run_name.str()), Runs[r.run_name.str()] = r;
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Run> Runs;
    std::set<std::string> Medians;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* size : {"1000/8", "1000/100", "10000/8", "10000/100"}) {
        const auto find = [&](const std::string& name) {
            const auto it = reporter.Runs.find(name + "/" + size + "/real_time");
            return it == reporter.Runs.end() ? nullptr : &it->second;
        };
        const auto* cli = find("BM_CliProcess");
        const auto* inProcess = find("BM_InProcess");
        const auto* lean = find("BM_LeanPass");
        if (!cli || !lean || !inProcess)
            continue;
        // The lean pass runs in this process on one thread: its CPU time is its own.
        std::printf("%s: orlenta-cli / lean pass: real %.2f, cpu %.2f; orlenta-cli / "
                    "in-process %.2f; orlenta-cli peak %.1f MiB\n",
                    size, cli->GetAdjustedRealTime() / lean->GetAdjustedRealTime(),
                    cli->counters.at("cpu_ms").value / (lean->GetAdjustedCPUTime()),
                    cli->GetAdjustedRealTime() / inProcess->GetAdjustedRealTime(),
                    cli->counters.at("peak_MiB").value);
    }
    benchmark::Shutdown();
    fs::remove_all(Scratch());
    return 0;
}
