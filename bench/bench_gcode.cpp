// Writing a G-code program of 10^6 segments, against the floor of writing the same bytes
// already formatted (through the same temporary-file-and-rename path). Prints the ratio.
#include "gcode/GCodeWriter.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/SafeFile.h"

#include "bench/BenchRatio.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>
#include <unistd.h>

using namespace orlenta;

namespace {

constexpr int Toolpaths = 1000;
constexpr int SegmentsPerToolpath = 1000;

// 1000 polygons of 1000 sides spread over a 300 x 300 plate, as engraved text would be.
const TOutRegionArray& Program() {
    static const TOutRegionArray program = [] {
        TOutRegionArray t(1);
        for (int k = 0; k < Toolpaths; ++k) {
            TVKOutRegion path;
            path.RapidStart = 1;
            const double cx = 10 + 9.37 * (k % 32), cy = 10 + 9.11 * (k / 32), r = 3.3;
            for (int i = 0; i < SegmentsPerToolpath; ++i) {
                const double a0 = 2 * M_PI * i / SegmentsPerToolpath;
                const double a1 = 2 * M_PI * (i + 1) / SegmentsPerToolpath;
                path.Entities.push_back(MakeLine(cx + r * std::cos(a0), cy + r * std::sin(a0),
                                                 cx + r * std::cos(a1), cy + r * std::sin(a1)));
            }
            t.push_back(std::move(path));
        }
        return t;
    }();
    return program;
}

TMachiningParameters Params() {
    TMachiningParameters p;
    p.Depth = 0.2;
    p.RapidHeight = 2;
    p.RoughFeed = 600;
    p.RoughPlunge = 100;
    p.Start = 100;
    p.Increment = 5;
    p.Decimal = 4;
    return p;
}

std::filesystem::path OutPath() {
    return std::filesystem::temp_directory_path() /
           ("orlenta_bench_" + std::to_string(getpid()) + ".Dnc");
}

void BM_WriteGCode(benchmark::State& state) {
    const auto& program = Program();
    const auto params = Params();
    const auto path = OutPath();
    for (auto _ : state)
        WriteGCode(program, path, params);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}

void BM_WriteFormattedBytes(benchmark::State& state) {
    const std::string bytes = FormatGCode(Program(), Params());
    const auto path = OutPath();
    for (auto _ : state)
        WriteFileSafely(path, bytes);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    std::filesystem::remove(path);
}

BENCHMARK(BM_WriteGCode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteFormattedBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::RunWithRatio(argc, argv, "BM_WriteGCode/real_time",
                               "BM_WriteFormattedBytes/real_time", "WriteGCode / I/O floor");
}
