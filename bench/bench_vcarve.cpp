// V-carving a 75-character line and a 1,000-character text against the outline cut of the
// same contours, with the peak heap each run needs (counted by the allocation hooks below).
#include "bench/BenchRatio.h"

#include "kernel/ToolpathBuilder.h"
#include "layout/LinearLayout.h"
#include "vcarve/VCarve.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <new>

using namespace orlenta;

namespace {

std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};

void* Allocate(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    const std::size_t now = heapNow += malloc_usable_size(p);
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr)
        return;
    heapNow -= malloc_usable_size(p);
    std::free(p);
}

} // namespace

void* operator new(std::size_t n) {
    return Allocate(n);
}
void* operator new[](std::size_t n) {
    return Allocate(n);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

TRegionArrayX Contours(std::size_t characters) {
    const std::u32string sentence = U"The quick brown fox jumps over the lazy dog. ";
    std::u32string text;
    while (text.size() < characters)
        text += sentence;
    text.resize(characters);
    TTTFToVectorConverter converter;
    converter.SetFont({"Arial", false, false});
    converter.SetPrecision(8);
    TRegionArrayX contours(1);
    LayoutLinearText(text, contours, converter, 10, 0, 0, 0, TAlignment::Left);
    for (TVKRegionX& c : contours) {
        c.Pending = 1;
        c.Depth = 0.2;
    }
    return contours;
}

// Runs build once per iteration and reports the peak heap above what was in use before.
template <class Build> void Run(benchmark::State& state, Build build) {
    const TRegionArrayX contours = Contours(static_cast<std::size_t>(state.range(0)));
    std::size_t peak = 0;
    std::size_t moves = 0;
    for (auto _ : state) {
        const std::size_t before = heapNow.load();
        heapPeak = before;
        moves = build(contours);
        peak = std::max(peak, heapPeak.load() - before);
    }
    state.counters["peak_heap_kB"] = static_cast<double>(peak) / 1024;
    state.counters["moves"] = static_cast<double>(moves);
}

void Outline(benchmark::State& state) {
    Run(state, [](const TRegionArrayX& contours) {
        TMachiningParameters params;
        params.Depth = params.StepDown = 0.2;
        params.RoughFeed = 300;
        TOutRegionArray toolpaths;
        BuildToolpaths(contours, params, toolpaths, 1);
        std::size_t moves = 0;
        for (const TVKOutRegion& t : toolpaths)
            moves += t.Entities.size();
        benchmark::DoNotOptimize(toolpaths);
        return moves;
    });
}
BENCHMARK(Outline)->Arg(75)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void VCarve(benchmark::State& state) {
    Run(state, [](const TRegionArrayX& contours) {
        TVCarveSettings s;
        s.BitAngle = 60;
        s.MaxDepth = 1;
        s.Accuracy = 0.01;
        const TCarvePathArray paths = BuildCarvePaths(contours, s);
        std::size_t moves = 0;
        for (const TCarvePath& p : paths)
            moves += p.Points.size();
        benchmark::DoNotOptimize(paths);
        return moves;
    });
}
BENCHMARK(VCarve)->Arg(75)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* n : {"75", "1000"}) {
        const auto v = reporter.Times.find(std::string("VCarve/") + n + "/real_time");
        const auto o = reporter.Times.find(std::string("Outline/") + n + "/real_time");
        if (v != reporter.Times.end() && o != reporter.Times.end() && o->second > 0)
            std::cout << "vcarve / outline, " << n << " characters = " << v->second / o->second
                      << '\n';
    }
    benchmark::Shutdown();
    return 0;
}
