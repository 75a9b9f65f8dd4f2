// Every outline a font gives is closed, so every toolpath made from it must end where it
// starts, whatever the font, size and precision.
#include "layout/LinearLayout.h"

#include "glyph/FreeTypeFontService.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/ToolpathBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <string>

using namespace orlenta;

namespace {

// Lays out one character at height h and checks that each of its toolpaths is closed;
// returns how many it checked.
int ExpectClosedToolpaths(TTTFToVectorConverter& converter, const TFontSpec& face, char32_t c,
                          int precision, double h) {
    std::ostringstream what;
    what << face.Name << (face.Bold ? " bold" : "") << (face.Italic ? " italic" : "") << " U+"
         << std::hex << static_cast<std::uint32_t>(c) << std::dec << " precision " << precision
         << " height " << h;
    SCOPED_TRACE(what.str());
    converter.SetFont(face);
    converter.SetPrecision(precision);
    TRegionArrayX contours(1);
    LayoutLinear(std::u32string(1, c), contours, converter, h, 0, 0);
    for (TVKRegionX& contour : contours) {
        contour.Pending = 1;
        contour.Depth = 1;
    }
    TMachiningParameters params;
    params.Depth = params.StepDown = 1;
    TOutRegionArray toolpaths;
    BuildToolpaths(contours, params, toolpaths, 1);
    int checked = 0;
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        if (toolpaths[i].Entities.empty())
            continue;
        const TPoint2 a = ToolpathStart(toolpaths[i]), b = ToolpathEnd(toolpaths[i]);
        EXPECT_EQ(a, b) << "toolpath " << i << " runs from " << a.x << ", " << a.y << " to " << b.x
                        << ", " << b.y;
        ++checked;
    }
    return checked;
}

// Latin, Greek and Cyrillic letters and the digits: curves of every kind.
char32_t RandomCharacter(std::mt19937& rng) {
    static constexpr std::array<std::pair<char32_t, char32_t>, 5> Ranges = {
        {{U'0', U'9'}, {U'A', U'Z'}, {U'a', U'z'}, {0x391, 0x3C9}, {0x410, 0x44F}}};
    const auto& r = Ranges[std::uniform_int_distribution<std::size_t>(0, Ranges.size() - 1)(rng)];
    return std::uniform_int_distribution<char32_t>(r.first, r.second)(rng);
}

TEST(ClosedToolpaths, SeededGlyphsFontsSizesAndPrecisions) {
    // Asked by name; where a face is missing, fontconfig's nearest match still gives closed
    // outlines to check.
    const std::array<TFontSpec, 6> faces = {{{"FreeSerif", true, true},
                                             {"FreeSerif", false, false},
                                             {"FreeSans", true, false},
                                             {"DejaVu Sans", false, true},
                                             {"Liberation Serif", true, false},
                                             {"Cantarell", false, false}}};
    const std::array<double, 3> heights = {1, 10, 1024};
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> precision(MinPrecision, MaxPrecision);
    std::uniform_int_distribution<std::size_t> height(0, heights.size() - 1);
    TTTFToVectorConverter converter;
    int checked = 0;
    for (int round = 0; round < 900; ++round) {
        const TFontSpec& face = faces[static_cast<std::size_t>(round) % faces.size()];
        const char32_t c = RandomCharacter(rng);
        const int p = precision(rng);
        checked += ExpectClosedToolpaths(converter, face, c, p, heights[height(rng)]);
    }
    EXPECT_GT(checked, 900);
}

// Where a curve's tip rounds back over itself across the seam between a contour's last
// stroke and its first (found by the seeded sweep with more rounds, and as reported).
TEST(ClosedToolpaths, TipsThatRoundBackAcrossTheContoursSeam) {
    const TFontSpec face{"FreeSerif", true, true};
    if (TFreeTypeFontService().Resolve(face).File.find("FreeSerifBoldItalic") == std::string::npos)
        GTEST_SKIP() << "FreeSerif Bold Italic is not installed (Debian: fonts-freefont-ttf)";
    TTTFToVectorConverter converter;
    for (const int p : {67, 75, 77})
        ExpectClosedToolpaths(converter, face, 0x446, p, 10);
    for (const int p : {68, 80})
        ExpectClosedToolpaths(converter, face, 0x446, p, 1);
    ExpectClosedToolpaths(converter, face, 0x449, 32, 1024);
}

} // namespace
