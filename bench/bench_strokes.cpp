// A 1,000-character text to a G-code program in a single-line font (Hershey Roman Simplex)
// against the same text in an outline font (Arial) in the same run: layout, toolpaths and
// the program text; and the outline text shaped (HarfBuzz) against unshaped. Prints the
// ratios.
#include "gcode/GCodeWriter.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/ToolpathBuilder.h"
#include "layout/TextLines.h"

#include "bench/BenchRatio.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace orlenta;

namespace {

constexpr std::size_t TextLength = 1000;

std::u32string Text() {
    const std::u32string words = U"Orlenta engraves nameplates 0123456789 ACME Pump Valve ";
    std::u32string text;
    while (text.size() < TextLength)
        text += words;
    text.resize(TextLength);
    return text;
}

void Program(benchmark::State& state, const char* face, const TTextStyle& style = {}) {
    TTTFToVectorConverter converter;
    converter.SetFont({face, false, false});
    TMachiningParameters params;
    params.Depth = 0.2;
    params.RapidHeight = 2;
    params.RoughFeed = 600;
    params.RoughPlunge = 100;
    params.Precision = 8;
    params.Decimal = 4;
    params.Start = 100;
    params.Increment = 5;
    const std::u32string text = Text();
    const std::int32_t run = 1;
    std::size_t bytes = 0, paths = 0;
    for (auto _ : state) {
        TRegionArrayX contours(1);
        LayoutLinearLines(text, contours, converter, 5, 0, 0, 0, TAlignment::Left, 1, style);
        for (std::size_t i = 1; i < contours.size(); ++i) {
            contours[i].Pending = 1;
            contours[i].Depth = params.Depth;
        }
        TOutRegionArray toolpaths;
        BuildToolpaths(contours, params, toolpaths, run);
        const std::string program = FormatGCode(toolpaths, params);
        benchmark::DoNotOptimize(program.data());
        bytes = program.size();
        paths = toolpaths.size() - 1;
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["toolpaths"] = static_cast<double>(paths);
}

void BM_StrokeFont(benchmark::State& state) {
    Program(state, "Hershey Roman Simplex");
}
void BM_OutlineFont(benchmark::State& state) {
    Program(state, "Arial");
}

void BM_OutlineFontShaped(benchmark::State& state) {
    TTextStyle style;
    style.Shape = true;
    Program(state, "Arial", style);
}

BENCHMARK(BM_StrokeFont)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OutlineFont)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OutlineFontShaped)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::RunWithRatios(argc, argv,
                                {{"BM_StrokeFont/real_time", "BM_OutlineFont/real_time",
                                  "stroke font / outline font, 1,000 characters to G-code"},
                                 {"BM_OutlineFontShaped/real_time", "BM_OutlineFont/real_time",
                                  "shaped / unshaped outline font, 1,000 characters to G-code"}});
}
