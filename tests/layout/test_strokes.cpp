// Single-line (stroke) fonts through the layouts and the toolpath builder: every stroke
// stays one open path, engraved once, and capitals match an outline font's at one height.
#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"

#include "glyph/StrokeFontSource.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/ToolpathBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace orlenta;

namespace {

double Length(const TMyEntity& e) {
    return std::hypot(e.X2 - e.X1, e.Y2 - e.Y1);
}

TViewBox Box(const TRegionArrayX& contours) {
    TViewBox b{1e300, -1e300, 1e300, -1e300};
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const auto& e : contours[i].Entities) {
            b.MinX = std::min(b.MinX, e.MinX);
            b.MaxX = std::max(b.MaxX, e.MaxX);
            b.MinY = std::min(b.MinY, e.MinY);
            b.MaxY = std::max(b.MaxY, e.MaxY);
        }
    return b;
}

// Every contour (1 on) is open, made of lines of non-zero length that join end to start.
void ExpectOpenStrokes(const TRegionArrayX& contours, const std::string& what) {
    ASSERT_GT(contours.size(), 1u) << what;
    for (std::size_t i = 1; i < contours.size(); ++i) {
        const TVKRegionX& c = contours[i];
        EXPECT_EQ(c.IsOpen, 1) << what;
        ASSERT_FALSE(c.Entities.empty()) << what;
        for (std::size_t k = 0; k < c.Entities.size(); ++k) {
            EXPECT_EQ(c.Entities[k].Radius, 0) << what;
            EXPECT_GT(Length(c.Entities[k]), 1e-9) << what;
            if (k > 0) {
                EXPECT_EQ(c.Entities[k].X1, c.Entities[k - 1].X2) << what;
                EXPECT_EQ(c.Entities[k].Y1, c.Entities[k - 1].Y2) << what;
            }
        }
    }
}

// Toolpaths of the contours: one per stroke, open, plunged from the clearance plane, with
// the stroke's segments (possibly run from its other end), never closed.
void ExpectOneToolpathPerStroke(TRegionArrayX contours, const std::string& what) {
    for (std::size_t i = 1; i < contours.size(); ++i) {
        contours[i].Pending = 1;
        contours[i].Depth = 0.5;
    }
    TMachiningParameters params;
    params.Depth = 0.5;
    params.RapidHeight = 2;
    TOutRegionArray toolpaths;
    const std::int32_t run = 1;
    BuildToolpaths(contours, params, toolpaths, run);
    ASSERT_EQ(toolpaths.size(), contours.size()) << what;
    for (std::size_t i = 1; i < contours.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        const TVKRegionX& c = contours[i];
        EXPECT_EQ(t.IsOpen, 1) << what;
        EXPECT_EQ(t.RapidStart, 1) << what;
        ASSERT_EQ(t.Entities.size(), c.Entities.size()) << what;
        const auto [cs, ce] = ContourEnds(c);
        const TPoint2 ts = ToolpathStart(t), te = ToolpathEnd(t);
        EXPECT_TRUE((ts == cs && te == ce) || (ts == ce && te == cs)) << what;
    }
}

} // namespace

TEST(StrokeFonts, EveryPrintableCharacterOfEveryFaceIsOpenStrokesInTheFaceBox) {
    // The Hershey faces keep every glyph within these bounds, in capital heights.
    constexpr double Left = -0.4, Right = 1.65, Bottom = -0.6, Top = 1.25;
    for (const TStrokeFace& face : StrokeFaces()) {
        TTTFToVectorConverter converter;
        converter.SetFont({face.Name, false, false});
        for (char32_t c = 33; c < 127; ++c) {
            const std::string what = std::string(face.Name) + " '" + static_cast<char>(c) + "'";
            TRegionArrayX contours(1);
            // Size 1024: outline units as they are.
            LayoutLinear(std::u32string(1, c), contours, converter, 1024, 0, 0);
            ExpectOpenStrokes(contours, what);
            const TViewBox b = Box(contours);
            EXPECT_GE(b.MinX, Left * StrokeCapHeight) << what;
            EXPECT_LE(b.MaxX, Right * StrokeCapHeight) << what;
            EXPECT_GE(b.MinY, Bottom * StrokeCapHeight) << what;
            EXPECT_LE(b.MaxY, Top * StrokeCapHeight) << what;
            EXPECT_GT(converter.GetCharAdvance(c), 0) << what;
            ExpectOneToolpathPerStroke(contours, what);
        }
        // The missing-glyph note names exactly what the face cannot draw.
        EXPECT_EQ(MissingCharacters(U"Az~ \u00C4\u20AC\u00C4", converter), U"\u00C4\u20AC")
            << face.Name;
    }
}

TEST(StrokeFonts, CapitalsAreAsHighAsAnOutlineFontsAndStick40IsRomanSimplex) {
    TTTFToVectorConverter converter;
    converter.SetFont({"Arial", false, false});
    TRegionArrayX outline(1);
    LayoutLinear(U"H", outline, converter, 10, 0, 0);

    converter.SetFont({"Hershey Roman Simplex", false, false});
    TRegionArrayX stroke(1);
    LayoutLinear(U"H H", stroke, converter, 10, 0, 0);
    EXPECT_NEAR(Box(stroke).MaxY, Box(outline).MaxY, Box(outline).MaxY * 0.005);
    EXPECT_EQ(Box(stroke).MinY, 0);
    // "H H": three strokes each, the second H one H and half an H further on.
    ASSERT_EQ(stroke.size(), 7u);
    const double advance = converter.GetCharAdvance('H');
    EXPECT_DOUBLE_EQ(stroke[4].MinX - stroke[1].MinX,
                     (advance + std::floor(advance / 2)) * 10 / 1024);

    converter.SetFont({"Stick40", false, false});
    TRegionArrayX stick(1);
    LayoutLinear(U"H H", stick, converter, 10, 0, 0);
    ASSERT_EQ(stick.size(), stroke.size());
    for (std::size_t i = 1; i < stick.size(); ++i)
        EXPECT_EQ(stick[i].Entities.size(), stroke[i].Entities.size());
    EXPECT_EQ(Box(stick).MaxX, Box(stroke).MaxX);
}

TEST(StrokeFonts, OnTheArcEveryStrokeStaysOpenAndOutsideTheCircle) {
    TTTFToVectorConverter converter;
    converter.SetFont({"Hershey Roman Simplex", false, false});
    std::u32string text;
    for (char32_t c = 32; c < 127; ++c)
        text += c;
    TRegionArrayX contours(1);
    const double H = 2, R = 200, CX = 5, CY = -3;
    LayoutArc(text, contours, converter, H, 0, R, CX, CY, TAlignment::Cent);
    ExpectOpenStrokes(contours, "arc");
    // Baselines lie on the circle; descenders reach below it, nothing reaches past the
    // tallest glyph's top at the glyph's far corner.
    const double cap = StrokeCapHeight * H / 1024;
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const TMyEntity& e : contours[i].Entities) {
            const double r = std::hypot(e.X1 - CX, e.Y1 - CY);
            EXPECT_GE(r, R - 0.6 * cap);
            EXPECT_LE(r, std::hypot(R + 1.25 * cap, 1.65 * cap));
        }
    ExpectOneToolpathPerStroke(contours, "arc");
}
