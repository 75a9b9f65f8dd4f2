// Saving a drawing of a million lines, against writing the same bytes already formatted
// through the same file path (temporary file, sync, rename): the I/O floor.
#include "dxf/DXFObject.h"
#include "dxf/DXFTextFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

using namespace orlenta;

namespace {

constexpr int LineCount = 1000000;

// Short strokes on a grid, as the outlines of a long text give, at a fractional depth.
TOutRegionArray MillionLines() {
    TOutRegionArray toolpaths(1);
    constexpr int perPath = 8;
    for (int i = 0; i < LineCount / perPath; ++i) {
        TVKOutRegion t;
        t.Depth = 0.35;
        const double x0 = (i % 1000) * 1.37 + 0.013;
        const double y0 = (i / 1000) * -2.21 - 0.4;
        for (int k = 0; k < perPath; ++k) {
            TMyEntity s;
            s.X1 = x0 + k * 0.117;
            s.Y1 = y0 + (k % 3) * 0.0731;
            s.X2 = x0 + (k + 1) * 0.117;
            s.Y2 = y0 + ((k + 1) % 3) * 0.0731;
            t.Entities.push_back(s);
        }
        toolpaths.push_back(std::move(t));
    }
    return toolpaths;
}

struct Fixture {
    std::filesystem::path dir;
    std::unique_ptr<DXF_Object> drawing;
    std::string bytes; // the drawing's file, formatted once
    Fixture() {
        dir = std::filesystem::temp_directory_path() /
              ("orlenta_bench_dxf_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        drawing = std::make_unique<DXF_Object>(MillionLines(), "Dxf");
        const std::string file = (dir / "formatted.Dxf").string();
        drawing->SaveToFile(file);
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        bytes = s.str();
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_SaveMillionLines(benchmark::State& state) {
    Fixture& f = Shared();
    const std::string file = (f.dir / "save.Dxf").string();
    for (auto _ : state)
        f.drawing->SaveToFile(file);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
    state.counters["lines"] = LineCount;
}

// The floor: the same bytes through the same buffered, all-or-nothing file.
void BM_WriteFormattedBytes(benchmark::State& state) {
    Fixture& f = Shared();
    const std::string file = (f.dir / "floor.Dxf").string();
    constexpr std::size_t chunk = 64 * 1024;
    for (auto _ : state) {
        DXFTextFile out(file);
        for (std::size_t i = 0; i < f.bytes.size(); i += chunk)
            out.WriteRaw(std::string_view(f.bytes).substr(i, chunk));
        out.Commit();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(f.bytes.size()));
}

BENCHMARK(BM_WriteFormattedBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_SaveMillionLines)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

BENCHMARK_MAIN();
