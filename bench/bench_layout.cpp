// Linear and arc layout of a 1,000-character text at precision 8 and 100.
#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"

#include <benchmark/benchmark.h>

using namespace orlenta;

namespace {
std::u32string Text() {
    const std::u32string sentence = U"The quick brown fox jumps over the lazy dog. ";
    std::u32string text;
    while (text.size() < 1000)
        text += sentence;
    text.resize(1000);
    return text;
}

// Lays out the text once per iteration with layout(text, contours, converter).
template <class Layout> void Run(benchmark::State& state, Layout layout) {
    TTTFToVectorConverter converter;
    converter.SetFont({"Arial", false, false});
    converter.SetPrecision(static_cast<int>(state.range(0)));
    const auto text = Text();
    std::size_t contours = 0;
    for (auto _ : state) {
        TRegionArrayX c(1);
        layout(text, c, converter);
        contours = c.size();
        benchmark::DoNotOptimize(c);
    }
    state.counters["contours"] = static_cast<double>(contours);
}

void Linear(benchmark::State& state) {
    Run(state, [](const std::u32string& text, TRegionArrayX& c, TTTFToVectorConverter& conv) {
        LayoutLinearText(text, c, conv, 10, 0, 0, 0, TAlignment::Left);
    });
}
BENCHMARK(Linear)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond);

void Arc(benchmark::State& state) {
    Run(state, [](const std::u32string& text, TRegionArrayX& c, TTTFToVectorConverter& conv) {
        LayoutArc(text, c, conv, 10, 0, 100, 0, 0, TAlignment::Left);
    });
}
BENCHMARK(Arc)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
