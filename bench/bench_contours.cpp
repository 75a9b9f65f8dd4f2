// BuildContours on text-like input: a line of glyph-like outlines of 10 to 200 segments,
// some with a hole, sorted by MinX. Plain is the tests' reference, whose scans walk every
// element from the start; both give identical contours.
#include "kernel/ContourBuilder.h"
#include "kernel/QuorvelKernel.h"
#include "tests/kernel/PlainContourBuilder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <numbers>
#include <random>

using namespace orlenta;

namespace {

void AddOutline(double cx, double cy, double rx, double ry, int edges, std::mt19937& rng,
                TMyEntityArray& out) {
    std::uniform_real_distribution<double> wobble(0.85, 1.0);
    std::bernoulli_distribution flip(0.5);
    std::vector<TPoint2> v;
    for (int k = 0; k < edges; ++k) {
        const double a = 2 * std::numbers::pi * k / edges;
        const double w = wobble(rng);
        v.push_back({cx + w * rx * std::cos(a), cy + w * ry * std::sin(a)});
    }
    for (std::size_t k = 0; k < v.size(); ++k) {
        TPoint2 a = v[k];
        TPoint2 b = v[(k + 1) % v.size()];
        if (flip(rng))
            std::swap(a, b);
        out.push_back(MakeLine(a.x, a.y, b.x, b.y));
    }
}

// About n segments of text: characters 1 unit wide, 1.4 high, 0.15 apart.
const TMyEntityArray& TextLike(std::size_t n) {
    static std::map<std::size_t, TMyEntityArray> made;
    TMyEntityArray& s = made[n];
    if (!s.empty())
        return s;
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> edges(10, 200);
    std::bernoulli_distribution hole(0.4);
    double x = 0;
    while (s.size() < n) {
        AddOutline(x + 0.5, 0.7, 0.5, 0.7, edges(rng), rng, s);
        if (hole(rng))
            AddOutline(x + 0.5, 0.7, 0.25, 0.35, std::max(10, edges(rng) / 2), rng, s);
        x += 1.15;
    }
    std::stable_sort(s.begin(), s.end(),
                     [](const TMyEntity& a, const TMyEntity& b) { return a.MinX < b.MinX; });
    return s;
}

// CPU time of this thread: the machine is shared, so wall time mostly measures the others.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

using Builder = void (*)(TMyEntityArray&, TRegionArrayX&, std::uint8_t, double);

void Run(benchmark::State& state, Builder build) {
    const TMyEntityArray& input = TextLike(static_cast<std::size_t>(state.range(0)));
    std::size_t contours = 0;
    for (auto _ : state) {
        TMyEntityArray segments = input;
        TRegionArrayX result;
        const double start = ThreadSeconds();
        build(segments, result, 1, 0);
        state.SetIterationTime(ThreadSeconds() - start);
        contours = result.size() - 1;
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["segments"] = static_cast<double>(input.size());
    state.counters["contours"] = static_cast<double>(contours);
    state.counters["per_segment"] = benchmark::Counter(
        static_cast<double>(input.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(10)->Range(1000, 1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void BM_BuildContoursPlain(benchmark::State& state) {
    Run(state, plain_reference::BuildContours);
}
void BM_BuildContours(benchmark::State& state) {
    Run(state, BuildContours);
}

BENCHMARK(BM_BuildContoursPlain)->Apply(Sizes);
BENCHMARK(BM_BuildContours)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
