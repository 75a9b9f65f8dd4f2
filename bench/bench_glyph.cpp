// The converter on the 95 printable ASCII characters, against FreeType alone loading and
// decomposing the same glyphs of the same face.
#include "glyph/FreeTypeFontService.h"
#include "glyph/UTTF2Vct.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <benchmark/benchmark.h>

using namespace orlenta;

namespace {
const TFontSpec Font{"Arial", false, false};

void ConvertAscii(benchmark::State& state) {
    TTTFToVectorConverter converter;
    converter.SetFont(Font);
    converter.SetPrecision(static_cast<int>(state.range(0)));
    std::size_t strokes = 0;
    for (auto _ : state) {
        for (char32_t c = 32; c < 127; ++c) {
            auto s = converter.ConvertChar(c);
            if (s)
                strokes += s->Count();
            benchmark::DoNotOptimize(s);
        }
    }
    state.counters["strokes/pass"] =
        static_cast<double>(strokes) / static_cast<double>(state.iterations());
}
BENCHMARK(ConvertAscii)->Arg(8)->Arg(100)->Unit(benchmark::kMicrosecond);

int MoveTo(const FT_Vector*, void* n) {
    return ++*static_cast<int*>(n), 0;
}
int LineTo(const FT_Vector*, void* n) {
    return ++*static_cast<int*>(n), 0;
}
int ConicTo(const FT_Vector*, const FT_Vector*, void* n) {
    return ++*static_cast<int*>(n), 0;
}
int CubicTo(const FT_Vector*, const FT_Vector*, const FT_Vector*, void* n) {
    return ++*static_cast<int*>(n), 0;
}

// The baseline: the same face file at the same size, each glyph loaded unhinted and its
// outline decomposed into callbacks that only count.
void FreeTypeAlone(benchmark::State& state) {
    TFreeTypeFontService service;
    const auto file = service.Resolve(Font);
    FT_Library lib;
    FT_Init_FreeType(&lib);
    FT_Face face;
    if (FT_New_Face(lib, file.File.c_str(), file.Index, &face) != 0) {
        state.SkipWithError("font not found");
        FT_Done_FreeType(lib);
        return;
    }
    FT_Set_Pixel_Sizes(face, OutlineEmUnits, OutlineEmUnits);
    const FT_Outline_Funcs funcs{MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    for (auto _ : state) {
        int calls = 0;
        for (FT_ULong c = 32; c < 127; ++c) {
            FT_Load_Char(face, c, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
            FT_Outline_Decompose(&face->glyph->outline, &funcs, &calls);
        }
        benchmark::DoNotOptimize(calls);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
}
BENCHMARK(FreeTypeAlone)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
