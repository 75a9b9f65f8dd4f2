// Several lines, spacing and mirror, checked against Liberation Sans ("Arial") read with
// FreeType here, not against the layout's own output.
#include "layout/TextLines.h"

#include "glyph/FreeTypeFontService.h"
#include "kernel/QuorvelKernel.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include <cmath>
#include <memory>
#include <numbers>

using namespace orlenta;

namespace {

// Glyph metrics straight from the font file, in outline units (1365 to the em).
class Reference {
  public:
    Reference() {
        const auto file = TFreeTypeFontService().Resolve({"Arial", false, false});
        FT_Library lib = nullptr;
        EXPECT_EQ(FT_Init_FreeType(&lib), 0);
        lib_.reset(lib);
        FT_Face face = nullptr;
        EXPECT_EQ(FT_New_Face(lib, file.File.c_str(), file.Index, &face), 0);
        face_.reset(face);
    }
    struct Metrics {
        double Advance, XMin, XMax, YMin, YMax;
    };
    Metrics Of(char32_t c) const {
        FT_Load_Char(face_.get(), c, FT_LOAD_NO_SCALE);
        const double k = static_cast<double>(OutlineEmUnits) / face_->units_per_EM;
        FT_BBox box;
        FT_Outline_Get_CBox(&face_->glyph->outline, &box);
        // The advance is rounded to whole units as the font service does.
        return {std::round(face_->glyph->metrics.horiAdvance * k), box.xMin * k, box.xMax * k,
                box.yMin * k, box.yMax * k};
    }
    // How far the pen goes past a character, outline units: a space (no outline) half
    // the advance of H, in whole units.
    double Pen(char32_t c) const {
        return c == U' ' ? std::floor(Of(U'H').Advance / 2) : Of(c).Advance;
    }
    // The width of a line at height 1.
    double Extent(const std::u32string& line) const {
        double e = 0;
        for (char32_t c : line)
            e += Pen(c) / 1024;
        return e;
    }
    // The exact box of the character's outline (curve extremes) drawn at s drawing units per
    // outline unit, its pen at (dx, dy) from the origin, then turned counter-clockwise by a
    // radians about the origin.
    struct Box {
        double MinX, MaxX, MinY, MaxY;
    };
    Box TurnedBox(char32_t c, double s, double dx, double dy, double a) const {
        FT_Load_Char(face_.get(), c, FT_LOAD_NO_SCALE);
        FT_Outline& o = face_->glyph->outline;
        // FreeType transforms in whole numbers: work in 1/Fine drawing units.
        constexpr double Fine = 4096;
        const double k = s * OutlineEmUnits / face_->units_per_EM * Fine;
        const auto fixed = [](double v) { return static_cast<FT_Fixed>(std::lround(v * 65536)); };
        // Scale and pen offset, then the turn.
        FT_Matrix m{fixed(k), 0, 0, fixed(k)};
        FT_Outline_Transform(&o, &m);
        FT_Outline_Translate(&o, std::lround(dx * Fine), std::lround(dy * Fine));
        FT_Matrix turn{fixed(std::cos(a)), fixed(-std::sin(a)), fixed(std::sin(a)),
                       fixed(std::cos(a))};
        FT_Outline_Transform(&o, &turn);
        FT_BBox b;
        FT_Outline_Get_BBox(&o, &b);
        return {b.xMin / Fine, b.xMax / Fine, b.yMin / Fine, b.yMax / Fine};
    }

  private:
    struct LibraryDone {
        void operator()(FT_Library l) const { FT_Done_FreeType(l); }
    };
    struct FaceDone {
        void operator()(FT_Face f) const { FT_Done_Face(f); }
    };
    std::unique_ptr<FT_LibraryRec_, LibraryDone> lib_;
    std::unique_ptr<FT_FaceRec_, FaceDone> face_;
};

struct TBox {
    double MinX = 1e300, MaxX = -1e300, MinY = 1e300, MaxY = -1e300;
};

// The ink of the contours whose boxes lie between y0 and y1.
TBox Ink(const TRegionArrayX& contours, double y0, double y1) {
    TBox b;
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const TMyEntity& e : contours[i].Entities) {
            if (e.MinY < y0 || e.MaxY > y1)
                continue;
            b.MinX = std::min(b.MinX, e.MinX);
            b.MaxX = std::max(b.MaxX, e.MaxX);
            b.MinY = std::min(b.MinY, e.MinY);
            b.MaxY = std::max(b.MaxY, e.MaxY);
        }
    return b;
}

class TextLines : public testing::Test {
  protected:
    TextLines() { converter.SetFont({"Arial", false, false}); }
    TTTFToVectorConverter converter;
    Reference font;
    TRegionArrayX contours = TRegionArrayX(1);
    // One outline unit at height H, doubled: the outlines are rounded to whole units.
    double Tolerance(double H) const { return 2 * H / 1024; }
};

} // namespace

// A three-line plate, each line aligned about X0 on its own (centred, or left or right) and
// one line spacing below the last; mirrored, every x the negative of the plain one.
TEST_F(TextLines, ThreeLineCentredPlateHasEachLineCentredAndSpacedByTheLineSpacing) {
    const std::u32string lines[] = {U"ACME", U"PUMP 3", U"HI"};
    const double H = 5, X0 = 40, Y0 = 20;
    for (TAlignment alignment : {TAlignment::Cent, TAlignment::Left, TAlignment::Right})
        for (bool mirror : {false, true}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(alignment) << " " << mirror);
            TTextStyle style;
            style.Mirror = mirror;
            TRegionArrayX plate(1);
            LayoutLinearLines(U"ACME\nPUMP 3\r\nHI", plate, converter, H, 0, X0, Y0, alignment, 1,
                              style);
            for (int k = 0; k < 3; ++k) {
                SCOPED_TRACE(k);
                const double baseline = Y0 - k * 1.5 * H;
                const TBox ink = Ink(plate, baseline - 0.5 * H, baseline + 1.2 * H);
                const std::u32string& line = lines[k];
                const double extent = font.Extent(line) * H;
                const double left = alignment == TAlignment::Cent    ? X0 - extent / 2
                                    : alignment == TAlignment::Right ? X0 - extent
                                                                     : X0;
                double pen = 0, yMin = 1e300, yMax = -1e300;
                for (char32_t c : line) {
                    if (c != U' ') {
                        yMin = std::min(yMin, font.Of(c).YMin);
                        yMax = std::max(yMax, font.Of(c).YMax);
                    }
                    pen += font.Pen(c);
                }
                const auto last = font.Of(line.back());
                const double minX = left + font.Of(line.front()).XMin * H / 1024;
                const double maxX = left + (pen - last.Advance + last.XMax) * H / 1024;
                EXPECT_NEAR(ink.MinX, mirror ? -maxX : minX, Tolerance(H));
                EXPECT_NEAR(ink.MaxX, mirror ? -minX : maxX, Tolerance(H));
                EXPECT_NEAR(ink.MinY, baseline + yMin * H / 1024, Tolerance(H));
                EXPECT_NEAR(ink.MaxY, baseline + yMax * H / 1024, Tolerance(H));
            }
        }
}

TEST_F(TextLines, CharAndWordSpacingAddFractionsOfTheHeightToTheAdvances) {
    const double H = 4;
    TTextStyle style;
    style.Spacing = {0.25, 0.5};
    LayoutLinearLines(U"HH H", contours, converter, H, 0, 0, 0, TAlignment::Left, 1, style);
    const auto h = font.Of(U'H');
    const double first = h.XMin * H / 1024;
    // Left edges of the three H: each advance grows by 0.25 H, the space by 0.75 H.
    const double second = first + (h.Advance / 1024 + 0.25) * H;
    const double third = second + (h.Advance + std::floor(h.Advance / 2)) / 1024 * H + 1.0 * H;
    std::vector<double> lefts;
    for (std::size_t i = 1; i < contours.size(); ++i)
        if (!contours[i].Entities.empty())
            lefts.push_back(contours[i].MinX);
    std::sort(lefts.begin(), lefts.end());
    ASSERT_FALSE(lefts.empty());
    EXPECT_NEAR(lefts.front(), first, Tolerance(H));
    const auto near = [&](double x) {
        return std::ranges::any_of(lefts,
                                   [&](double v) { return std::fabs(v - x) < Tolerance(H); });
    };
    EXPECT_TRUE(near(second));
    EXPECT_TRUE(near(third));
    // The estimate that aligns and sizes the text counts the spacing too.
    double unit = 1;
    EXPECT_NEAR(TextExtent(U"HH H", converter, unit, style.Spacing),
                font.Extent(U"HH H") + 4 * 0.25 + 0.5, 1e-12);
}

TEST_F(TextLines, MirrorFlipsAboutXZeroAndKeepsContoursClockwise) {
    const double H = 10, X0 = 15;
    TTextStyle style;
    style.Mirror = true;
    LayoutLinearLines(U"AB", contours, converter, H, 0, X0, 0, TAlignment::Left, 1, style);
    const TBox ink = Ink(contours, -1e9, 1e9);
    const auto a = font.Of(U'A'), b = font.Of(U'B');
    EXPECT_NEAR(ink.MaxX, -(X0 + a.XMin * H / 1024), Tolerance(H));
    EXPECT_NEAR(ink.MinX, -(X0 + (a.Advance + b.XMax) * H / 1024), Tolerance(H));
    std::size_t closed = 0;
    for (std::size_t i = 1; i < contours.size(); ++i) {
        const TVKRegionX& c = contours[i];
        if (c.Entities.empty())
            continue;
        ++closed;
        EXPECT_TRUE(IsClockwise(c)) << i;
        EXPECT_LE(c.MaxX, 0);
        EXPECT_EQ(SegmentEnd(c.Entities.back()), SegmentStart(c.Entities.front()));
        for (std::size_t k = 1; k < c.Entities.size(); ++k)
            EXPECT_EQ(SegmentStart(c.Entities[k]), SegmentEnd(c.Entities[k - 1]));
    }
    EXPECT_GE(closed, 4u); // A's outside and counter, B's outside and two counters
}

TEST_F(TextLines, EachFurtherArcLineIsOnASmallerCircleAndTooManyLinesAreReported) {
    const double H = 3, R = 20;
    TTextStyle style;
    LayoutArcLines(U"AB\nCD", contours, converter, H, 0, R, 0, 0, TAlignment::Cent, 1, style);
    // Distances from the centre: the first line's ink lies on [R, R + H], the second's on
    // [R - 1.5 H, R - 0.5 H]; nothing between.
    std::size_t outer = 0, inner = 0;
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const TMyEntity& e : contours[i].Entities) {
            const double r = std::hypot(e.X1, e.Y1);
            if (r > R - 0.1 * H && r < R + H)
                ++outer;
            else if (r > R - 1.5 * H - 0.1 * H && r < R - 0.5 * H)
                ++inner;
            else
                ADD_FAILURE() << "ink at radius " << r;
        }
    EXPECT_GT(outer, 0u);
    EXPECT_GT(inner, 0u);

    // Lines 3 heights apart: the second circle would be on the far side of the centre.
    style.LineSpacing = 3;
    TRegionArrayX few(1);
    EXPECT_EQ(LayoutArcLines(U"A\nB", few, converter, 2, 0, 4, 0, 0, TAlignment::Left, 1, style),
              TArcFit::RadiusTooSmall);
}

// A quarter turn about the origin: the text's x along the line becomes y, its height
// points to -x. Every turn keeps closed contours clockwise and the boxes true.
TEST_F(TextLines, RotationTurnsTheTextAboutItsOrigin) {
    const double H = 10, X0 = 15, Y0 = -4;
    TTextStyle style;
    style.Rotation = 90;
    LayoutLinearLines(U"HI", contours, converter, H, 0, X0, Y0, TAlignment::Left, 1, style);
    const TBox ink = Ink(contours, -1e9, 1e9);
    const auto h = font.Of(U'H'), i = font.Of(U'I');
    EXPECT_NEAR(ink.MinY, Y0 + h.XMin * H / 1024, Tolerance(H));
    EXPECT_NEAR(ink.MaxY, Y0 + (h.Advance + i.XMax) * H / 1024, Tolerance(H));
    EXPECT_NEAR(ink.MinX, X0 - std::max(h.YMax, i.YMax) * H / 1024, Tolerance(H));
    EXPECT_NEAR(ink.MaxX, X0 - std::min(h.YMin, i.YMin) * H / 1024, Tolerance(H));

    // Turning keeps each contour's signed area (so its direction) and its box true.
    const auto area = [](const TVKRegionX& c) {
        double a = 0;
        for (const TMyEntity& e : c.Entities)
            a += e.X1 * e.Y2 - e.X2 * e.Y1;
        return a / 2;
    };
    TRegionArrayX plain(1);
    style.Rotation = 0;
    LayoutLinearLines(U"AB", plain, converter, H, 0, X0, Y0, TAlignment::Cent, 1, style);
    for (double degrees : {-33.0, 90.0, 181.5}) {
        style.Rotation = degrees;
        TRegionArrayX turned(1);
        LayoutLinearLines(U"AB", turned, converter, H, 0, X0, Y0, TAlignment::Cent, 1, style);
        ASSERT_EQ(turned.size(), plain.size());
        for (std::size_t k = 1; k < turned.size(); ++k) {
            const TVKRegionX& c = turned[k];
            EXPECT_NEAR(area(c), area(plain[k]), 1e-9 * std::fabs(area(plain[k]))) << degrees;
            for (const TMyEntity& e : c.Entities) {
                ASSERT_EQ(e.Radius, 0);
                EXPECT_GE(e.MinX, c.MinX);
                EXPECT_LE(e.MaxX, c.MaxX);
                EXPECT_GE(e.MinY, c.MinY);
                EXPECT_LE(e.MaxY, c.MaxY);
            }
        }
    }
}

// Reading at the bottom: a centred letter stands upright below the centre, its baseline
// chord's ends on the circle, and the text reads left to right.
TEST_F(TextLines, ArcAtTheBottomReadsUprightLeftToRight) {
    const double H = 3, R = 20, CY = 5;
    TTextStyle style;
    style.ArcReading = TArcReading::Bottom;
    LayoutArcLines(U"H", contours, converter, H, 0, R, 0, CY, TAlignment::Cent, 1, style);
    const auto h = font.Of(U'H');
    const double s = H / 1024, w = h.Advance * s;
    const double baseline = CY - R * std::cos(std::asin(w / 2 / R));
    const TBox ink = Ink(contours, -1e9, 1e9);
    EXPECT_NEAR(ink.MinX, -w / 2 + h.XMin * s, Tolerance(H));
    EXPECT_NEAR(ink.MaxX, -w / 2 + h.XMax * s, Tolerance(H));
    EXPECT_NEAR(ink.MinY, baseline + h.YMin * s, Tolerance(H));
    EXPECT_NEAR(ink.MaxY, baseline + h.YMax * s, Tolerance(H));
    for (std::size_t i = 1; i < contours.size(); ++i) {
        if (!contours[i].Entities.empty()) {
            EXPECT_TRUE(IsClockwise(contours[i])) << i;
        }
    }

    // "LI": the L, then the I to its right; the second line below, on a larger circle.
    TRegionArrayX all(1);
    LayoutArcLines(U"LI\nL", all, converter, H, 0, R, 0, CY, TAlignment::Cent, 1, style);
    TRegionArrayX two(1);
    for (TVKRegionX& c : all)
        if (!c.Entities.empty())
            two.push_back(c);
    ASSERT_EQ(two.size(), 4u); // one contour per letter
    EXPECT_LT(two[1].MaxX, two[2].MinX);
    EXPECT_LT(two[3].MaxY, std::min(two[1].MinY, two[2].MinY));
    for (std::size_t i = 1; i < two.size(); ++i)
        for (const TMyEntity& e : two[i].Entities)
            EXPECT_GT(std::hypot(e.X1, e.Y1 - CY), R - H - 1.5 * H);
}

// One letter on the arc, either reading, any angle, centred: its ink box is FreeType's exact
// box of the letter placed by the arc rule. The letter's baseline is the chord of its advance
// w, at R cos(asin(w / 2R)) from the centre; at the top it stands outside, turned clockwise
// by the angle from the top; at the bottom it stands inside, upright towards the centre,
// turned counter-clockwise from the bottom.
TEST_F(TextLines, ArcLettersSitOnTheirChordAtEveryAngleAndReading) {
    const double CX = 3, CY = -2, H = 4;
    for (TArcReading reading : {TArcReading::Top, TArcReading::Bottom})
        for (double R : {15.0, 40.0})
            for (double degrees : {-70.0, 0.0, 25.0, 160.0})
                for (char32_t c : {U'H', U'A', U'g', U'Q'}) {
                    SCOPED_TRACE(testing::Message()
                                 << (reading == TArcReading::Top ? "top " : "bottom ") << R << " "
                                 << degrees << " " << static_cast<char>(c));
                    TTextStyle style;
                    style.ArcReading = reading;
                    TRegionArrayX placed(1);
                    const double a = degrees * std::numbers::pi / 180;
                    ASSERT_EQ(LayoutArcLines(std::u32string(1, c), placed, converter, H, a, R, CX,
                                             CY, TAlignment::Cent, 1, style),
                              TArcFit::Fits);
                    const double s = H / 1024, w = font.Of(c).Advance * s;
                    const double chord = R * std::cos(std::asin(w / 2 / R));
                    const bool top = reading == TArcReading::Top;
                    // Upright at the top (a = 0) or the bottom, then turned about the centre.
                    const auto box = top ? font.TurnedBox(c, s, -w / 2, chord, -a)
                                         : font.TurnedBox(c, s, -w / 2, -chord, a);
                    const TBox ink = Ink(placed, -1e9, 1e9);
                    // Curves are cut into chords: their extremes may fall a little short.
                    const double tolerance = 3 * Tolerance(H);
                    EXPECT_NEAR(ink.MinX, CX + box.MinX, tolerance);
                    EXPECT_NEAR(ink.MaxX, CX + box.MaxX, tolerance);
                    EXPECT_NEAR(ink.MinY, CY + box.MinY, tolerance);
                    EXPECT_NEAR(ink.MaxY, CY + box.MaxY, tolerance);
                }
}
