// The whole pipeline through orlenta-cli (a 1,000-character text to a G-code program at
// Precision 100), against the same work in this process: load the parameter file, make a
// converter, Create, Save. The ratio is what the separate process costs. Prints it.
#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "glyph/UTTF2Vct.h"

#include "bench/BenchRatio.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int TextLength = 1000;

std::string Text() {
    const std::string words = "Orlenta engraves nameplates 0123456789 ACME Pump Valve ";
    std::string text;
    while (text.size() < TextLength)
        text += words;
    text.resize(TextLength);
    return text;
}

fs::path Scratch() {
    static const fs::path dir = [] {
        const fs::path d =
            fs::temp_directory_path() / ("orlenta_bench_cli_" + std::to_string(getpid()));
        fs::create_directories(d);
        std::ofstream(d / "bench.cfg") << "[Parameters]\nDepth=0.2\nRapidHeight=2\n"
                                          "RoughFeed=600\nRoughPlunge=100\nPrecision=100\n"
                                          "Decimal=4\nStart=100\nIncrement=5\n";
        return d;
    }();
    return dir;
}

void BM_CliProcess(benchmark::State& state) {
    std::vector<std::string> args = {ORLENTA_CLI_PATH,
                                     Text(),
                                     "--font",
                                     "Arial",
                                     "--height",
                                     "5",
                                     "--params",
                                     (Scratch() / "bench.cfg").string(),
                                     "-o",
                                     (Scratch() / "cli.Dnc").string()};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("orlenta-cli failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(Scratch() / "cli.Dnc"));
}

void BM_InProcess(benchmark::State& state) {
    TCreateNumbers numbers;
    numbers.Text = Text();
    numbers.Height = 5;
    const TFontChoice font{"Arial", false, false};
    const fs::path out = Scratch() / "inprocess.Dnc";
    for (auto _ : state) {
        TGlobals g;
        SetStartupValues(g);
        LoadParameters(g.Params, Scratch() / "bench.cfg");
        TTTFToVectorConverter ttf;
        if (CreateCommand(g, numbers, font, ttf).Outcome != TCreateOutcome::Done ||
            !SaveToolpaths(g, out, TSaveFormat::GCode).Saved) {
            state.SkipWithError("Create or Save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}

BENCHMARK(BM_CliProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    const int rc = bench::RunWithRatio(argc, argv, "BM_CliProcess/real_time",
                                       "BM_InProcess/real_time", "orlenta-cli / in-process");
    fs::remove_all(Scratch());
    return rc;
}
