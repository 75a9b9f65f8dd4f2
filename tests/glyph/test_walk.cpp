// The outline walk and the converter on hand-made outline buffers.
#include "glyph/UTTF2Vct.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

using namespace orlenta;

namespace {
using Pts = std::vector<TOutlinePoint>;

std::vector<TStroke> Walk(const std::vector<std::uint8_t>& buffer, int precision) {
    TStrokeCollection strokes;
    WalkNativeOutline(buffer.data(), buffer.size(), precision, strokes);
    return strokes.Strokes();
}

// The parabola (0,0) - (300,600) - (600,0) and its flattening's closing stroke.
std::vector<std::uint8_t> Parabola() {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddQSpline({{300, 600}, {600, 0}});
    return w.Finish();
}

TEST(OutlineWalk, PrecisionOneCutsEachPieceIntoItsChord) {
    EXPECT_EQ(Walk(Parabola(), 1),
              (std::vector<TStroke>{{0, 0, 0, 600, 0}, /* closing */ {0, 600, 0, 0, 0}}));
}

TEST(OutlineWalk, PrecisionThreeSamplesAtThirdsAndEndsOnTheEndPoint) {
    // x = 600 t, y = 1200 t (1 - t): 266.67 rounds to 267.
    EXPECT_EQ(Walk(Parabola(), 3), (std::vector<TStroke>{{0, 0, 0, 200, 267},
                                                         {0, 200, 267, 400, 267},
                                                         {0, 400, 267, 600, 0},
                                                         {0, 600, 0, 0, 0}}));
}

// Summing 1/n n times overshoots 1 for many n (9, 11, ... 100); the last sample must
// still be taken and land exactly on the piece's end.
TEST(OutlineWalk, EveryPrecisionGivesItsStrokeCountAndEndsExactly) {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddQSpline({{1000, 2000}, {2000, 0}});
    w.AddLine({{2000, -50}});
    const auto buffer = w.Finish();
    for (int n = 1; n <= 100; ++n) {
        const auto s = Walk(buffer, n);
        ASSERT_EQ(s.size(), static_cast<std::size_t>(n) + 2) << "precision " << n;
        EXPECT_EQ(s[n - 1].X2, 2000) << "precision " << n;
        EXPECT_EQ(s[n - 1].Y2, 0) << "precision " << n;
        EXPECT_EQ(s[n], (TStroke{0, 2000, 0, 2000, -50})) << "precision " << n;
    }
}

TEST(OutlineWalk, ImpliedOnCurvePointsLieMidwayBetweenControls) {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddQSpline({{0, 100}, {100, 100}, {100, 0}});
    const auto s = Walk(w.Finish(), 1);
    // Pieces (0,0)-(0,100)-(50,100) and (50,100)-(100,100)-(100,0), then the closing.
    EXPECT_EQ(s,
              (std::vector<TStroke>{{0, 0, 0, 50, 100}, {0, 50, 100, 100, 0}, {0, 100, 0, 0, 0}}));
}

TEST(OutlineWalk, ClosingStrokeOnlyWhenTheContourEndsAwayFromItsStart) {
    TNativeOutlineWriter open, shut;
    open.BeginContour({0, 0});
    open.AddLine({{10, 0}, {10, 10}});
    shut.BeginContour({0, 0});
    shut.AddLine({{10, 0}, {10, 10}, {0, 0}});
    EXPECT_EQ(Walk(open.Finish(), 8).back(), (TStroke{0, 10, 10, 0, 0}));
    EXPECT_EQ(Walk(shut.Finish(), 8).size(), 3u);
}

TEST(OutlineWalk, RoundsHalvesToEven) {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddLine({{2.5, 3.5}, {-2.5, 0}});
    EXPECT_EQ(Walk(w.Finish(), 8),
              (std::vector<TStroke>{{0, 0, 0, 2, 4}, {0, 2, 4, -2, 0}, {0, -2, 0, 0, 0}}));
}

TEST(OutlineWalk, ZeroLengthTestIsMadeBeforeRounding) {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddLine({{0, 0}, {0.25, 0}, {10, 0}});
    const auto s = Walk(w.Finish(), 8);
    ASSERT_EQ(s.size(), 3u); // the repeated start point adds nothing; 0.25 is kept
    EXPECT_EQ(s[0], (TStroke{0, 0, 0, 0, 0}));
}

TEST(OutlineWalk, NumbersContoursAndSkipsOtherRecordTypes) {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddLine({{10, 0}});
    w.AddRecord(TT_PRIM_CSPLINE, {{20, 20}, {30, 30}, {40, 0}});
    w.AddQSpline({{50, 50}}); // a spline of one point adds nothing
    w.BeginContour({100, 100});
    w.AddLine({{110, 100}});
    const auto s = Walk(w.Finish(), 4);
    EXPECT_EQ(
        s,
        (std::vector<TStroke>{
            {0, 0, 0, 10, 0}, {0, 10, 0, 0, 0}, {1, 100, 100, 110, 100}, {1, 110, 100, 100, 100}}));
}

TEST(OutlineWalk, SecondContourOfOnlyItsHeaderEndsTheWalk) {
    TNativeOutlineWriter one, two;
    one.BeginContour({0, 0});
    one.AddLine({{10, 0}, {10, 10}});
    two.BeginContour({0, 0});
    two.AddLine({{10, 0}, {10, 10}});
    two.BeginContour({50, 50});
    EXPECT_EQ(Walk(two.Finish(), 8), Walk(one.Finish(), 8));
}

// Sizes inside the buffer that do not fit end the walk without reading outside it (the
// sanitizer build checks the reads); the strokes found before stay.
TEST(OutlineWalk, BadSizesEndTheWalkInsideTheBuffer) {
    TNativeOutlineWriter w;
    w.BeginContour({0, 0});
    w.AddLine({{10, 0}, {10, 10}});
    w.BeginContour({100, 0});
    w.AddLine({{110, 0}, {110, 10}});
    const auto good = w.Finish();
    const std::size_t second = good.size() / 2;
    auto setCb = [](std::vector<std::uint8_t> b, std::size_t at, std::uint32_t cb) {
        std::memcpy(b.data() + at, &cb, sizeof cb);
        return b;
    };
    auto setCpfx = [](std::vector<std::uint8_t> b, std::size_t at, std::uint16_t n) {
        std::memcpy(b.data() + at + 18, &n, sizeof n);
        return b;
    };
    const auto firstOnly = Walk(good, 8);
    ASSERT_EQ(firstOnly.size(), 6u);
    const std::vector<TStroke> first(firstOnly.begin(), firstOnly.begin() + 3);
    EXPECT_TRUE(Walk(setCb(good, 0, 0), 8).empty());
    EXPECT_TRUE(Walk(setCb(good, 0, 15), 8).empty());
    EXPECT_TRUE(Walk(setCb(good, 0, 0xFFFFFFF0u), 8).empty());
    EXPECT_EQ(Walk(setCb(good, second, 3), 8), first);
    EXPECT_EQ(Walk(setCb(good, second, 1000), 8), first);
    // A record longer than its contour, and one longer than the whole buffer.
    EXPECT_TRUE(Walk(setCpfx(good, 0, 3), 8).empty());
    EXPECT_EQ(Walk(setCpfx(good, second, 0xFFFF), 8), first);
    // Cut short in the middle of the second contour's record.
    const std::vector<std::uint8_t> cut(good.begin(), good.end() - 5);
    EXPECT_EQ(Walk(cut, 8), first);
    for (std::size_t n = 0; n < good.size(); ++n)
        Walk(std::vector<std::uint8_t>(good.begin(), good.begin() + n), 8);
}

TEST(StrokeCollection, RemoveDuplicatesMatchesReversedStrokesAcrossContours) {
    TStrokeCollection c;
    c.AddStroke(0, {0, 0}, {10, 0});
    c.AddStroke(1, {10, 0}, {0, 0});
    c.AddStroke(1, {10, 0}, {10, 10});
    c.RemoveDuplicates();
    EXPECT_EQ(c.Strokes(), (std::vector<TStroke>{{0, 0, 0, 10, 0}, {1, 10, 0, 10, 10}}));
}

// The list pass as written: pass i removes the first later stroke equal to stroke i.
std::vector<TStroke> ReferenceRemoveDuplicates(std::vector<TStroke> s) {
    for (std::size_t i = 0; i + 2 <= s.size(); ++i) {
        for (std::size_t j = i + 1; j < s.size(); ++j) {
            const auto& a = s[i];
            const auto& b = s[j];
            if ((a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2) ||
                (a.X1 == b.X2 && a.Y1 == b.Y2 && a.X2 == b.X1 && a.Y2 == b.Y1)) {
                s.erase(s.begin() + static_cast<std::ptrdiff_t>(j));
                break;
            }
        }
    }
    return s;
}

TEST(StrokeCollection, RemoveDuplicatesAgreesWithTheListPass) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> coord(0, 2), contour(0, 3), length(0, 40);
    for (int round = 0; round < 300; ++round) {
        TStrokeCollection c;
        // Now and then a long list, so the reused table must grow between calls.
        const int n = round % 100 == 99 ? 3000 : length(rng);
        for (int i = 0; i < n; ++i)
            c.AddStroke(contour(rng), {double(coord(rng)), double(coord(rng))},
                        {double(coord(rng)), double(coord(rng))});
        const auto expected = ReferenceRemoveDuplicates(c.Strokes());
        c.RemoveDuplicates();
        ASSERT_EQ(c.Strokes(), expected) << "round " << round;
    }
}

TEST(StrokeCollection, GetStrokeOutsideTheListRaisesError) {
    TStrokeCollection c;
    c.AddStroke(0, {1, 2}, {3, 4});
    TStroke s;
    c.GetStroke(0, s);
    EXPECT_EQ(s, (TStroke{0, 1, 2, 3, 4}));
    for (int bad : {-1, 1}) {
        TStroke untouched{7, 7, 7, 7, 7};
        try {
            c.GetStroke(bad, untouched);
            ADD_FAILURE() << "no error for index " << bad;
        } catch (const EListError& e) {
            EXPECT_STREQ(e.what(), "Error");
        }
        EXPECT_EQ(untouched, (TStroke{7, 7, 7, 7, 7}));
    }
}

// An outline source that serves fixed glyphs and records the codes it was asked for.
class FakeSource : public TOutlineSource {
  public:
    std::map<char32_t, TNativeGlyph> glyphs;
    std::vector<char32_t> asked;
    bool GetGlyphOutline(const TFontSpec&, char32_t code, bool withOutline,
                         TNativeGlyph& glyph) override {
        asked.push_back(code);
        auto it = glyphs.find(code);
        if (it == glyphs.end())
            return false;
        glyph.Metrics = it->second.Metrics;
        glyph.Outline = withOutline ? it->second.Outline : std::vector<std::uint8_t>{};
        return true;
    }
};

class ConverterTest : public testing::Test {
  protected:
    ConverterTest() {
        auto source = std::make_unique<FakeSource>();
        fake = source.get();
        TNativeGlyph square;
        square.Metrics.gmCellIncX = 700;
        TNativeOutlineWriter w;
        w.BeginContour({0, 0});
        w.AddLine({{0, 500}, {500, 500}, {500, 0}});
        square.Outline = w.Finish();
        fake->glyphs['A'] = square;
        fake->glyphs[0x20AC] = square;
        TNativeGlyph odd = square;
        odd.Outline[4] = 25; // first header of another type
        odd.Metrics.gmCellIncX = 900;
        fake->glyphs['Z'] = odd;
        converter = std::make_unique<TTTFToVectorConverter>(std::move(source));
    }
    FakeSource* fake = nullptr;
    std::unique_ptr<TTTFToVectorConverter> converter;
};

TEST_F(ConverterTest, PrecisionOutsideOneToHundredIsIgnored) {
    for (int v : {0, 101, -5}) {
        converter->SetPrecision(v);
        EXPECT_EQ(converter->Precision(), 8);
    }
    converter->SetPrecision(1);
    EXPECT_EQ(converter->Precision(), 1);
    converter->SetPrecision(100);
    EXPECT_EQ(converter->Precision(), 100);
}

TEST_F(ConverterTest, CharacterWithoutOutlineLeavesOffsetAlone) {
    auto a = converter->ConvertChar('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Count(), 4);
    EXPECT_EQ(converter->Offset(), 700);
    EXPECT_EQ(converter->ConvertChar(' '), nullptr);
    EXPECT_EQ(converter->GetCharAdvance(' '), 0);
    EXPECT_EQ(converter->Offset(), 700);
    EXPECT_EQ(converter->GetCharAdvance('A'), 700);
}

TEST_F(ConverterTest, FirstHeaderOfAnotherTypeGivesNone) {
    EXPECT_EQ(converter->ConvertChar('Z'), nullptr);
    EXPECT_EQ(converter->Offset(), 0);
}

TEST_F(ConverterTest, UnicodeSwitchChoosesHowTheCodeIsRead) {
    // 8-bit: 0x80 is the euro sign of Windows-1252; codes above 255 are code points.
    EXPECT_NE(converter->ConvertChar(0x80), nullptr);
    EXPECT_NE(converter->ConvertChar(0x20AC), nullptr);
    converter->ConvertChar(0x81); // no character in the code page: not even asked
    EXPECT_EQ(fake->asked, (std::vector<char32_t>{0x20AC, 0x20AC}));
    converter->SetUNICODE(true);
    fake->asked.clear();
    EXPECT_EQ(converter->ConvertChar(0x80), nullptr);
    converter->ConvertChar(0x1F600); // not a UTF-16 code unit
    converter->ConvertChar(0xD800);  // half a surrogate pair
    EXPECT_EQ(fake->asked, (std::vector<char32_t>{0x80}));
}
} // namespace
