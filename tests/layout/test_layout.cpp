// Linear and arc layout on a real font (Liberation Sans, answering "Arial").
#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace orlenta;

namespace {
bool IsEmptyRecord(const TVKRegionX& c) {
    return c.Entities.empty() && c.MinX == 0 && c.MaxX == 0 && c.MinY == 0 && c.MaxY == 0;
}

// The box of every contour that has segments.
TViewBox GlyphBox(const TRegionArrayX& contours) {
    TViewBox b{1e300, -1e300, 1e300, -1e300};
    for (std::size_t i = 1; i < contours.size(); ++i) {
        for (const auto& e : contours[i].Entities) {
            b.MinX = std::min({b.MinX, e.MinX});
            b.MaxX = std::max({b.MaxX, e.MaxX});
            b.MinY = std::min({b.MinY, e.MinY});
            b.MaxY = std::max({b.MaxY, e.MaxY});
        }
    }
    return b;
}

class LayoutTest : public testing::Test {
  protected:
    LayoutTest() { converter.SetFont({"Arial", false, false}); }
    TTTFToVectorConverter converter;
    TRegionArrayX contours = TRegionArrayX(1);
};

TEST_F(LayoutTest, SpaceAdvancesHalfAnHAndEachCharacterAppendsAnEmptyRecordFirst) {
    LayoutLinear(U"A A", contours, converter, 1024, 0, 0);
    ASSERT_GE(contours.size(), 5u);
    const std::size_t perA = (contours.size() - 1) / 2 - 1;
    ASSERT_EQ(contours.size(), 1 + 2 * (1 + perA));
    EXPECT_TRUE(IsEmptyRecord(contours[0]));
    EXPECT_TRUE(IsEmptyRecord(contours[1]));
    EXPECT_TRUE(IsEmptyRecord(contours[2 + perA]));
    const double shift = converter.GetCharAdvance('A') + converter.GetCharAdvance(LetterH) / 2;
    for (std::size_t k = 0; k < perA; ++k) {
        const auto& first = contours[2 + k];
        const auto& second = contours[3 + perA + k];
        ASSERT_FALSE(first.Entities.empty());
        EXPECT_EQ(first.IsOpen, 0);
        EXPECT_EQ(second.MinX - first.MinX, shift);
        EXPECT_EQ(second.MinY, first.MinY);
        EXPECT_EQ(second.Entities.size(), first.Entities.size());
    }
}

TEST_F(LayoutTest, CentredByHeightShiftsLeftByHalfTheEstimate) {
    double h = 10;
    const double E = TextExtent(U"AB", converter, h);
    EXPECT_DOUBLE_EQ(E,
                     (converter.GetCharAdvance('A') + converter.GetCharAdvance('B')) / 1024.0 * 10);
    const auto p = LinearSizeAndOrigin(U"AB", converter, 10, 0, 0, 3, TAlignment::Cent);
    EXPECT_EQ(p.S, 10);
    EXPECT_DOUBLE_EQ(p.X, -E / 2);
    EXPECT_EQ(p.Y, 3);
}

TEST_F(LayoutTest, RightAlignedByWidthEndsNearTheOrigin) {
    const auto p = LayoutLinearText(U"HH", contours, converter, 0, 50, 100, 0, TAlignment::Right);
    EXPECT_DOUBLE_EQ(p.X, 50);
    const TViewBox box = ContourExtents(contours);
    // The estimate counts whole advances; the last H stops short by its right bearing.
    EXPECT_LE(box.MaxX, 100);
    EXPECT_NEAR(box.MaxX, 100, 4);
}

TEST_F(LayoutTest, NoHeightAndNoWidthKeepOutlineUnits) {
    const auto p = LayoutLinearText(U"H", contours, converter, 0, 0, 20, 0, TAlignment::Left);
    EXPECT_EQ(p.S, 0);
    const TViewBox glyph = GlyphBox(contours);
    EXPECT_GT(glyph.MinX, 20);
    EXPECT_LT(glyph.MinX, 20 + 200);
    EXPECT_NEAR(glyph.MaxY, 939, 2); // cap height of an em of 1365
}

TEST_F(LayoutTest, ViewBoxContainsTheOriginWhereverTheTextIs) {
    LayoutLinearText(U"Hi", contours, converter, 10, 0, 500, 400, TAlignment::Left);
    const TViewBox box = ContourExtents(contours);
    EXPECT_EQ(box.MinX, 0);
    EXPECT_EQ(box.MinY, 0);
    EXPECT_GT(box.MaxX, 500);
    EXPECT_GT(box.MaxY, 400);
}

TEST_F(LayoutTest, TextWithoutOutlinesLeavesOnlyThePlaceholder) {
    LayoutLinearText(U"   ", contours, converter, 10, 0, 5, 5, TAlignment::Left);
    EXPECT_EQ(contours.size(), 1u);
    const TViewBox box = ContourExtents(contours);
    EXPECT_EQ(box.Width + box.Height, 0);
}

// A source with no glyphs at all: every character has zero advance.
class NoGlyphs : public TOutlineSource {
  public:
    bool GetGlyphOutline(const TFontSpec&, char32_t, bool, TNativeGlyph&) override { return false; }
};

TEST(LinearSize, ATextWithoutWidthRaisesTheDivisionErrors) {
    TTTFToVectorConverter blank(std::make_unique<NoGlyphs>());
    struct Case {
        double H, W;
        const char* message;
    };
    for (const Case& c : {Case{0, 5, "Floating point division by zero"},
                          Case{10, -5, "Floating point division by zero"},
                          Case{0, 0, "Invalid floating point operation"},
                          Case{-1, 0, "Invalid floating point operation"}}) {
        try {
            LinearSizeAndOrigin(U"xy", blank, c.H, c.W, 0, 0, TAlignment::Left);
            ADD_FAILURE() << "no error for H " << c.H << " W " << c.W;
        } catch (const OrlentaError& e) {
            EXPECT_STREQ(e.what(), c.message) << "H " << c.H << " W " << c.W;
        }
    }
    EXPECT_EQ(LinearSizeAndOrigin(U"xy", blank, 10, 0, 0, 0, TAlignment::Left).S, 10);
}

TEST_F(LayoutTest, HugeFieldsRaiseInsteadOfGivingInfinities) {
    EXPECT_THROW(LinearSizeAndOrigin(U"H", converter, 0, 1e308, -1e308, 0, TAlignment::Right),
                 EOverflow);
    EXPECT_THROW(LayoutLinearText(U"HH", contours, converter, 1e308, 0, 0, 0, TAlignment::Left),
                 EOverflow);
}

class ArcTest : public LayoutTest {
  protected:
    static constexpr double H = 10, R = 100, CX = 30, CY = -20;
    double HalfAngle(char32_t c) {
        return std::asin(converter.GetCharAdvance(c) * H / 1024 / 2 / R);
    }
};

TEST_F(ArcTest, OneCharacterAtTheTopIsUprightAndCentred) {
    LayoutArc(U"H", contours, converter, H, 0, R, CX, CY, TAlignment::Left);
    ASSERT_GT(contours.size(), 2u);
    const TViewBox g = GlyphBox(contours);
    EXPECT_NEAR((g.MinX + g.MaxX) / 2, CX, 0.3);
    EXPECT_NEAR(g.MinY, CY + R * std::cos(HalfAngle('H')), 1e-9); // the baseline
    EXPECT_NEAR(g.MinY, CY + R, 0.15);
    EXPECT_NEAR(g.MaxY - g.MinY, 939.0 / 1365 * H * 1365 / 1024, 0.05); // upright: cap height
}

TEST_F(ArcTest, NinetyDegreesPutsItAtThreeOclockTurnedClockwise) {
    LayoutArc(U"L", contours, converter, H, std::numbers::pi / 2, R, CX, CY, TAlignment::Left);
    const TViewBox g = GlyphBox(contours);
    EXPECT_NEAR(g.MinX, CX + R * std::cos(HalfAngle('L')), 1e-9); // baseline faces the centre
    EXPECT_NEAR((g.MinY + g.MaxY) / 2, CY, 1.5);
    // Turned clockwise, the foot of the L (to the right when upright) points down.
    double lowestX = 0, lowestY = 1e300;
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const auto& e : contours[i].Entities)
            for (auto [x, y] : {std::pair{e.X1, e.Y1}, std::pair{e.X2, e.Y2}})
                if (y < lowestY)
                    lowestX = x, lowestY = y;
    EXPECT_LT(lowestX - g.MinX, 1.5);
}

TEST_F(ArcTest, CentredTextHasItsAngularMiddleAtTheTop) {
    LayoutArc(U"HOH", contours, converter, H, 0, R, CX, CY, TAlignment::Cent);
    const TViewBox g = GlyphBox(contours);
    EXPECT_NEAR((g.MinX + g.MaxX) / 2, CX, 0.3);
}

TEST_F(ArcTest, RadiusSmallerThanACharacterPlacesNothing) {
    EXPECT_EQ(LayoutArc(U"HHH", contours, converter, H, 0, 5, CX, CY, TAlignment::Left),
              TArcFit::RadiusTooSmall);
    EXPECT_EQ(contours.size(), 1u);
    EXPECT_EQ(LayoutArc(U"HHH", contours, converter, H, 0, R, CX, CY, TAlignment::Left),
              TArcFit::Fits);
}

TEST_F(ArcTest, NegativeRadiusRaisesInsteadOfGivingNaN) {
    EXPECT_THROW(LayoutArc(U"H", contours, converter, H, 0, -5, CX, CY, TAlignment::Left),
                 EInvalidOp);
}

TEST_F(ArcTest, ViewBoxOfAnArcTextContainsTheOrigin) {
    LayoutArc(U"HI", contours, converter, H, 0, R, 500, 500, TAlignment::Left);
    const TViewBox box = ContourExtents(contours);
    EXPECT_EQ(box.MinX, 0);
    EXPECT_EQ(box.MinY, 0);
    EXPECT_GT(box.MaxY, 600);
}
} // namespace

namespace {
// One glyph: a square whose right edge pokes out by one unit and comes straight back,
// as rounding leaves it at a curve's tip, plus a stroke that rounds to a point.
class Retraced : public TOutlineSource {
  public:
    bool GetGlyphOutline(const TFontSpec&, char32_t, bool withOutline,
                         TNativeGlyph& glyph) override {
        glyph.Metrics.gmCellIncX = 200;
        TNativeOutlineWriter w;
        w.BeginContour({0, 0});
        w.AddLine({{0, 100}, {100, 100}, {100.2, 100}, {100, 50}, {101, 50}, {100, 50}, {100, 0}});
        glyph.Outline = withOutline ? w.Finish() : std::vector<std::uint8_t>{};
        return true;
    }
};

TEST(CharToSegments, DropsRoundingDebrisSoTheOutlineStaysOneClosedContour) {
    TTTFToVectorConverter converter(std::make_unique<Retraced>());
    TMyEntityArray segments;
    CharToSegments('x', segments, converter);
    ASSERT_EQ(segments.size(), 5u); // (100,100)-(100,100) and the spur to (101,50) are gone
    for (const auto& e : segments)
        EXPECT_FALSE(e.X1 == e.X2 && e.Y1 == e.Y2);
    TRegionArrayX contours(1);
    LayoutLinear(U"x", contours, converter, 1024, 0, 0);
    ASSERT_EQ(contours.size(), 3u);
    EXPECT_EQ(contours[2].IsOpen, 0);
}

// At every precision each printable character gives the contours it gives at the
// default precision, all closed: no stray pieces from rounding.
TEST(CharToSegments, HighPrecisionGivesNoStrayContours) {
    for (const char* font : {"Arial", "DejaVu Sans"}) {
        TTTFToVectorConverter converter;
        converter.SetFont({font, false, false});
        for (char32_t ch = 33; ch < 127; ++ch) {
            std::size_t expected = 0;
            for (int precision : {8, 37, 100}) {
                converter.SetPrecision(precision);
                TRegionArrayX contours(1);
                LayoutLinear(std::u32string(1, ch), contours, converter, 10, 0, 0);
                if (precision == 8)
                    expected = contours.size();
                EXPECT_EQ(contours.size(), expected)
                    << font << " '" << static_cast<char>(ch) << "' precision " << precision;
                for (std::size_t i = 2; i < contours.size(); ++i)
                    EXPECT_EQ(contours[i].IsOpen, 0)
                        << font << " '" << static_cast<char>(ch) << "' precision " << precision;
            }
        }
    }
}
} // namespace

namespace {
// Texts with runs of spaces, digits, punctuation, a combining mark and letters outside
// Latin-1, from a fixed seed.
std::vector<std::u32string> RandomTexts(int count) {
    const std::u32string alphabet = U"AaHhWwil.,!0123456789   \u00e9\u0301\u0436\u03a9-";
    std::mt19937 rng(42);
    std::uniform_int_distribution<std::size_t> length(1, 40), pick(0, alphabet.size() - 1);
    std::vector<std::u32string> texts;
    for (int i = 0; i < count; ++i) {
        std::u32string t(length(rng), U' ');
        for (char32_t& c : t)
            c = alphabet[pick(rng)];
        texts.push_back(std::move(t));
    }
    return texts;
}

// The left edge of the last character's contours (those after the last empty record).
double LastCharacterMinX(const TRegionArrayX& contours) {
    std::size_t k = contours.size();
    while (k > 0 && !contours[k - 1].Entities.empty())
        --k;
    double minX = 1e300;
    for (std::size_t i = k; i < contours.size(); ++i)
        minX = std::min(minX, contours[i].MinX);
    return minX;
}

// The extent is exactly how far the layout moves the pen: an H laid out after the text
// lands the extent further right than an H on its own, whatever the text holds.
TEST(TextExtent, EqualsThePenTravelOfTheLayout) {
    const auto texts = RandomTexts(60);
    for (const char* font : {"Arial", "DejaVu Serif", "FreeSans"}) {
        TTTFToVectorConverter converter;
        converter.SetFont({font, false, false});
        TRegionArrayX alone(1);
        LayoutLinear(U"H", alone, converter, 1024, 0, 0);
        const double hMinX = LastCharacterMinX(alone);
        for (const auto& text : texts) {
            double h = 1024; // drawing units are outline units
            const double extent = TextExtent(text, converter, h);
            TRegionArrayX contours(1);
            LayoutLinear(text + U"H", contours, converter, 1024, 0, 0);
            ASSERT_EQ(LastCharacterMinX(contours) - hMinX, extent)
                << font << " text of " << text.size() << " characters";
        }
    }
}

// Every glyph is a box from 0 to its advance, so the engraved box is exactly the
// stretch the pen covers; the space has no outline.
class AdvanceBoxes : public TOutlineSource {
  public:
    static std::int16_t Advance(char32_t c) {
        return static_cast<std::int16_t>(300 + c * 37 % 500);
    }
    bool GetGlyphOutline(const TFontSpec&, char32_t c, bool withOutline,
                         TNativeGlyph& glyph) override {
        if (c == U' ')
            return false;
        glyph.Metrics.gmCellIncX = Advance(c);
        TNativeOutlineWriter w;
        const double a = Advance(c);
        w.BeginContour({0, 0});
        w.AddLine({{0, 700}, {a, 700}, {a, 0}});
        glyph.Outline = withOutline ? w.Finish() : std::vector<std::uint8_t>{};
        return true;
    }
};

// Texts that start and end with a glyph, so that their ink spans the whole advance.
std::vector<std::u32string> InkedTexts() {
    std::vector<std::u32string> texts;
    for (auto t : RandomTexts(40))
        texts.push_back(U'H' + t + U'W');
    return texts;
}

TEST(LinearAlignment, CentCentresRightEndsOnTheOriginAndWidthIsTheWidth) {
    TTTFToVectorConverter converter(std::make_unique<AdvanceBoxes>());
    constexpr double X0 = 37.5, W = 120;
    for (const auto& text : InkedTexts()) {
        for (TAlignment alignment : {TAlignment::Left, TAlignment::Cent, TAlignment::Right}) {
            TRegionArrayX byHeight(1), byWidth(1);
            LayoutLinearText(text, byHeight, converter, 10, 0, X0, 0, alignment);
            LayoutLinearText(text, byWidth, converter, 0, W, X0, 0, alignment);
            for (const TViewBox& g : {GlyphBox(byHeight), GlyphBox(byWidth)}) {
                const double where[] = {g.MinX, (g.MinX + g.MaxX) / 2, g.MaxX};
                EXPECT_NEAR(where[static_cast<int>(alignment)], X0, 1e-9)
                    << "alignment " << static_cast<int>(alignment) << ", " << text.size()
                    << " characters";
            }
            const TViewBox g = GlyphBox(byWidth);
            EXPECT_NEAR(g.MaxX - g.MinX, W, 1e-9) << text.size() << " characters";
        }
    }
}

// On an arc the boxes' baseline corners lie on the circle; their angles (clockwise from
// the top) give where the text starts and ends.
TEST(ArcAlignment, CentCentresOnTheAngleAndRightEndsThere) {
    TTTFToVectorConverter converter(std::make_unique<AdvanceBoxes>());
    constexpr double H = 5, R = 40, CX = 5, CY = -7, A = 0.4;
    for (auto text : InkedTexts()) {
        // At most 22 characters of 4 mm: well within a half turn, so atan2 does not wrap.
        if (text.size() > 22)
            text.erase(1, text.size() - 22);
        for (TAlignment alignment : {TAlignment::Cent, TAlignment::Right}) {
            TRegionArrayX contours(1);
            LayoutArc(text, contours, converter, H, A, R, CX, CY, alignment);
            std::vector<double> angles;
            for (std::size_t i = 1; i < contours.size(); ++i)
                for (const auto& e : contours[i].Entities)
                    if (std::abs(std::hypot(e.X1 - CX, e.Y1 - CY) - R) < 1e-9)
                        angles.push_back(std::atan2(e.X1 - CX, e.Y1 - CY));
            ASSERT_FALSE(angles.empty());
            const auto [first, last] = std::minmax_element(angles.begin(), angles.end());
            const double at = alignment == TAlignment::Cent ? (*first + *last) / 2 : *last;
            EXPECT_NEAR(at, A, 1e-9) << "alignment " << static_cast<int>(alignment) << ", "
                                     << text.size() << " characters";
        }
    }
}
} // namespace
