// The grbl writer on 10^6 segments, lines only and with arcs fitted, against the classic
// writer on the same toolpaths in the same run. Prints the ratio of the arc writer to it.
#include "gcode/GCodeWriter.h"
#include "kernel/QuorvelKernel.h"

#include "bench/BenchRatio.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>

using namespace orlenta;

namespace {

constexpr int Toolpaths = 1000;
constexpr int SegmentsPerToolpath = 1000;

// 1000 clockwise ellipses of 1000 strokes over a 300 x 300 plate, as engraved text would be.
const TOutRegionArray& Program() {
    static const TOutRegionArray program = [] {
        TOutRegionArray t(1);
        for (int k = 0; k < Toolpaths; ++k) {
            TVKOutRegion path;
            path.RapidStart = 1;
            const double cx = 10 + 9.37 * (k % 32), cy = 10 + 9.11 * (k / 32), r = 3.3;
            const double q = 0.5 + 0.5 * (k % 7) / 6.0;
            for (int i = 0; i < SegmentsPerToolpath; ++i) {
                const double a0 = -2 * M_PI * i / SegmentsPerToolpath;
                const double a1 = -2 * M_PI * (i + 1) / SegmentsPerToolpath;
                path.Entities.push_back(MakeLine(cx + r * std::cos(a0), cy + q * r * std::sin(a0),
                                                 cx + r * std::cos(a1), cy + q * r * std::sin(a1)));
            }
            t.push_back(std::move(path));
        }
        return t;
    }();
    return program;
}

TMachiningParameters Params(TDialect dialect, double arcs) {
    TMachiningParameters p;
    p.Depth = 0.2;
    p.RapidHeight = 2;
    p.RoughFeed = 600;
    p.RoughPlunge = 100;
    p.Start = 100;
    p.Increment = 5;
    p.Decimal = 4;
    p.Machine.Dialect = dialect;
    p.Machine.Spindle = 12000;
    p.Machine.ArcTolerance = arcs;
    return p;
}

std::filesystem::path OutPath() {
    return std::filesystem::temp_directory_path() /
           ("orlenta_bench_machine_" + std::to_string(getpid()) + ".nc");
}

void Write(benchmark::State& state, const TMachiningParameters& params) {
    const auto& program = Program();
    const auto path = OutPath();
    for (auto _ : state)
        WriteGCode(program, path, params);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

void BM_Classic(benchmark::State& state) {
    Write(state, Params(TDialect::Classic, 0));
}
void BM_GrblLines(benchmark::State& state) {
    Write(state, Params(TDialect::Grbl, 0));
}
void BM_GrblArcs(benchmark::State& state) {
    Write(state, Params(TDialect::Grbl, 0.01));
}

BENCHMARK(BM_Classic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GrblLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GrblArcs)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::RunWithRatio(argc, argv, "BM_GrblArcs/real_time", "BM_Classic/real_time",
                               "grbl writer with arcs / classic writer");
}
