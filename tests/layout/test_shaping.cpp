// Shaped text checked against HarfBuzz and FreeType called here, on the font file itself:
// kerning, a right-to-left word, a line of both directions, a combining accent, and every
// layout option with shaping on.
#include "layout/TextLines.h"

#include "glyph/FreeTypeFontService.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/QuorvelKernel.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace orlenta;

namespace {

constexpr const char* Face = "DejaVu Sans"; // kerning, Hebrew and marks in one font

struct TBox {
    double MinX = 1e300, MaxX = -1e300, MinY = 1e300, MaxY = -1e300;
    void Grow(const TBox& b) {
        MinX = std::min(MinX, b.MinX);
        MaxX = std::max(MaxX, b.MaxX);
        MinY = std::min(MinY, b.MinY);
        MaxY = std::max(MaxY, b.MaxY);
    }
    bool Empty() const { return MinX > MaxX; }
};

// Where each glyph of a text goes by HarfBuzz's own shaping of the font file at 1365 pixels
// to the em (outline units), and its exact outline box from FreeType.
class Reference {
  public:
    Reference() {
        const auto file = TFreeTypeFontService().Resolve({Face, false, false});
        FT_Library lib = nullptr;
        EXPECT_EQ(FT_Init_FreeType(&lib), 0);
        lib_.reset(lib);
        FT_Face face = nullptr;
        EXPECT_EQ(FT_New_Face(lib, file.File.c_str(), file.Index, &face), 0);
        face_.reset(face);
        EXPECT_EQ(FT_Set_Pixel_Sizes(face, OutlineEmUnits, OutlineEmUnits), 0);
        font_.reset(hb_ft_font_create_referenced(face));
        hb_ft_font_set_load_flags(font_.get(), FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    }

    struct Placed {
        unsigned Glyph;
        TBox Box; // outline units from the pen's start; empty for a glyph without outline
    };
    // The glyphs in drawing order, and the pen's end (the shaped width).
    std::vector<Placed> Shape(const std::u32string& text, double& width) const {
        std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(),
                                                                          hb_buffer_destroy);
        hb_buffer_add_utf32(buffer.get(), reinterpret_cast<const std::uint32_t*>(text.data()),
                            static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
        hb_buffer_guess_segment_properties(buffer.get());
        hb_shape(font_.get(), buffer.get(), nullptr, 0);
        unsigned n = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.get(), &n);
        const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer.get(), &n);
        std::vector<Placed> out;
        double pen = 0;
        for (unsigned i = 0; i < n; ++i) {
            TBox b = Bounds(info[i].codepoint);
            if (!b.Empty()) {
                const double dx = pen + pos[i].x_offset / 64.0, dy = pos[i].y_offset / 64.0;
                b = {b.MinX + dx, b.MaxX + dx, b.MinY + dy, b.MaxY + dy};
            }
            out.push_back({info[i].codepoint, b});
            pen += pos[i].x_advance / 64.0;
        }
        width = pen;
        return out;
    }
    // The glyph's exact outline box (curve extremes, not control points), outline units.
    // Contours of fewer than three points enclose nothing and are left out: some fonts keep a
    // stray point in a mark's outline.
    TBox Bounds(unsigned glyph) const {
        EXPECT_EQ(FT_Load_Glyph(face_.get(), glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP), 0);
        const FT_Outline& o = face_->glyph->outline;
        std::vector<FT_Vector> points;
        std::vector<char> tags;
        std::vector<short> ends;
        for (int c = 0, first = 0; c < o.n_contours; first = o.contours[c++] + 1) {
            if (o.contours[c] - first + 1 < 3)
                continue;
            points.insert(points.end(), o.points + first, o.points + o.contours[c] + 1);
            tags.insert(tags.end(), o.tags + first, o.tags + o.contours[c] + 1);
            ends.push_back(static_cast<short>(points.size() - 1));
        }
        if (ends.empty())
            return {};
        FT_Outline kept = o;
        kept.n_points = static_cast<short>(points.size());
        kept.n_contours = static_cast<short>(ends.size());
        kept.points = points.data();
        kept.tags = tags.data();
        kept.contours = ends.data();
        FT_BBox b;
        FT_Outline_Get_BBox(&kept, &b);
        return {b.xMin / 64.0, b.xMax / 64.0, b.yMin / 64.0, b.yMax / 64.0};
    }
    unsigned GlyphOf(char32_t c) const { return FT_Get_Char_Index(face_.get(), c); }
    // The unshaped advance, whole units as the font service rounds it.
    double Advance(char32_t c) const {
        FT_Load_Char(face_.get(), c, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
        return std::round(face_->glyph->linearHoriAdvance / 65536.0);
    }

  private:
    struct LibraryDone {
        void operator()(FT_Library l) const { FT_Done_FreeType(l); }
    };
    struct FaceDone {
        void operator()(FT_Face f) const { FT_Done_Face(f); }
    };
    struct FontDone {
        void operator()(hb_font_t* f) const { hb_font_destroy(f); }
    };
    std::unique_ptr<FT_LibraryRec_, LibraryDone> lib_;
    std::unique_ptr<FT_FaceRec_, FaceDone> face_;
    std::unique_ptr<hb_font_t, FontDone> font_;
};

TBox BoxOf(const TVKRegionX& c) {
    return {c.MinX, c.MaxX, c.MinY, c.MaxY};
}

bool Inside(const TBox& inner, const TBox& outer, double tolerance) {
    return inner.MinX >= outer.MinX - tolerance && inner.MaxX <= outer.MaxX + tolerance &&
           inner.MinY >= outer.MinY - tolerance && inner.MaxY <= outer.MaxY + tolerance;
}

// Every closed contour runs clockwise, ends where it starts and holds only finite numbers.
void ExpectWellFormed(const TRegionArrayX& contours) {
    for (std::size_t i = 1; i < contours.size(); ++i) {
        const TVKRegionX& c = contours[i];
        if (c.Entities.empty())
            continue;
        EXPECT_EQ(c.IsOpen, 0) << i;
        EXPECT_TRUE(IsClockwise(c)) << i;
        EXPECT_EQ(SegmentEnd(c.Entities.back()), SegmentStart(c.Entities.front())) << i;
        for (const TMyEntity& e : c.Entities)
            for (double v : {e.X1, e.Y1, e.X2, e.Y2})
                ASSERT_TRUE(std::isfinite(v)) << i;
    }
}

class Shaping : public testing::Test {
  protected:
    Shaping() { converter.SetFont({Face, false, false}); }
    TTTFToVectorConverter converter;
    Reference font;
    TRegionArrayX contours = TRegionArrayX(1);
    // One outline unit at height H, doubled: the outlines are rounded to whole units.
    static double Tolerance(double H) { return 2 * H / 1024; }
    static TTextStyle Shaped() {
        TTextStyle s;
        s.Shape = true;
        return s;
    }

    // Lays out one shaped line at (X0, Y0), Left, height H, and checks that the ink of each
    // glyph fills exactly the box HarfBuzz and FreeType give it: the whole text shaped at
    // once, or, for a text of both directions, each of the runs (in the order they are drawn)
    // shaped on its own and set one after the other. Returns the placed glyphs in drawing
    // units.
    std::vector<Reference::Placed> ExpectPlacedAsShaped(const std::u32string& text, double H,
                                                        double X0, double Y0,
                                                        std::vector<std::u32string> runs = {}) {
        contours.assign(1, TVKRegionX{});
        LayoutLinearLines(text, contours, converter, H, 0, X0, Y0, TAlignment::Left, 1, Shaped());
        if (runs.empty())
            runs.push_back(text);
        std::vector<Reference::Placed> glyphs;
        double pen = 0;
        for (const std::u32string& run : runs) {
            double width = 0;
            for (Reference::Placed g : font.Shape(run, width)) {
                if (!g.Box.Empty())
                    g.Box = {g.Box.MinX + pen, g.Box.MaxX + pen, g.Box.MinY, g.Box.MaxY};
                glyphs.push_back(g);
            }
            pen += width;
        }
        const double s = H / 1024;
        for (Reference::Placed& g : glyphs) {
            if (g.Box.Empty())
                continue;
            g.Box = {X0 + g.Box.MinX * s, X0 + g.Box.MaxX * s, Y0 + g.Box.MinY * s,
                     Y0 + g.Box.MaxY * s};
            TBox ink;
            for (std::size_t i = 1; i < contours.size(); ++i)
                if (!contours[i].Entities.empty() &&
                    Inside(BoxOf(contours[i]), g.Box, Tolerance(H)))
                    ink.Grow(BoxOf(contours[i]));
            SCOPED_TRACE("glyph " + std::to_string(g.Glyph));
            EXPECT_FALSE(ink.Empty());
            EXPECT_NEAR(ink.MinX, g.Box.MinX, Tolerance(H));
            EXPECT_NEAR(ink.MaxX, g.Box.MaxX, Tolerance(H));
            EXPECT_NEAR(ink.MinY, g.Box.MinY, Tolerance(H));
            EXPECT_NEAR(ink.MaxY, g.Box.MaxY, Tolerance(H));
        }
        ExpectWellFormed(contours);
        return glyphs;
    }

    double InkWidth(const std::u32string& text, const TTextStyle& style) {
        TRegionArrayX c(1);
        LayoutLinearLines(text, c, converter, 10, 0, 0, 0, TAlignment::Left, 1, style);
        TBox ink;
        for (std::size_t i = 1; i < c.size(); ++i)
            if (!c[i].Entities.empty())
                ink.Grow(BoxOf(c[i]));
        return ink.MaxX - ink.MinX;
    }
};

} // namespace

TEST_F(Shaping, KernedPairsSitWhereHarfBuzzPutsThemAndAreNarrowerThanUnshaped) {
    ExpectPlacedAsShaped(U"AV Wa", 7, 3, -2);
    // "AV" is kerned in the font: closer than the plain advances put it, by the kerning.
    const double plain = InkWidth(U"AV", {}), shaped = InkWidth(U"AV", Shaped());
    double width = 0;
    font.Shape(U"AV", width);
    const double kerning = font.Advance(U'A') + font.Advance(U'V') - width;
    ASSERT_GT(kerning, 20); // outline units: a real kerning pair
    EXPECT_NEAR(plain - shaped, kerning * 10 / 1024, Tolerance(10));
}

TEST_F(Shaping, AHebrewWordReadsRightToLeft) {
    const std::u32string word = U"שלום";
    const auto glyphs = ExpectPlacedAsShaped(word, 5, 0, 0);
    ASSERT_EQ(glyphs.size(), word.size());
    // Its first letter is drawn rightmost, its last leftmost.
    const auto rightmost =
        std::ranges::max_element(glyphs, {}, [](const auto& g) { return g.Box.MaxX; });
    const auto leftmost =
        std::ranges::min_element(glyphs, {}, [](const auto& g) { return g.Box.MinX; });
    EXPECT_EQ(rightmost->Glyph, font.GlyphOf(word.front()));
    EXPECT_EQ(leftmost->Glyph, font.GlyphOf(word.back()));
    // Without shaping the same letters run left to right: the first one leftmost.
    TRegionArrayX plain(1);
    LayoutLinearLines(word, plain, converter, 5, 0, 0, 0, TAlignment::Left, 1, {});
    const TBox shin = font.Bounds(font.GlyphOf(word.front()));
    double minX = 1e300;
    for (std::size_t i = 1; i < plain.size(); ++i)
        if (!plain[i].Entities.empty())
            minX = std::min(minX, plain[i].MinX);
    EXPECT_NEAR(minX, shin.MinX * 5 / 1024, Tolerance(5));
}

// A Hebrew line with digits and Latin letters in it: the line reads right to left, the
// number and the Latin word inside it left to right (the bidirectional order), each run
// shaped as HarfBuzz shapes it alone.
TEST_F(Shaping, ALineOfBothDirectionsKeepsNumbersAndLatinLeftToRight) {
    const std::u32string line = U"שלום 123 AV";
    const auto glyphs = ExpectPlacedAsShaped(line, 6, 0, 0, {U"AV", U" ", U"123", U" ", U"שלום"});
    ASSERT_EQ(glyphs.size(), line.size());
    EXPECT_EQ(glyphs.front().Glyph, font.GlyphOf(U'A'));
    EXPECT_EQ(glyphs.back().Glyph, font.GlyphOf(U'ש'));
}

// A combining accent sits over its base: its ink above the base letter's top and its middle
// within the letter's width, whether the font composes the pair or places the mark.
TEST_F(Shaping, CombiningAccentsSitOverTheirBase) {
    for (char32_t base : {U'a', U'e', U'o', U'q', U'x', U'n', U'w'}) {
        SCOPED_TRACE(static_cast<unsigned>(base));
        const std::u32string text{base, U'\u0301'};
        ExpectPlacedAsShaped(text, 10, 0, 0);
        const TBox letter = font.Bounds(font.GlyphOf(base));
        const double s = 10.0 / 1024, top = letter.MaxY * s;
        TBox accent, body;
        for (std::size_t i = 1; i < contours.size(); ++i)
            if (!contours[i].Entities.empty())
                (contours[i].MinY > top ? accent : body).Grow(BoxOf(contours[i]));
        ASSERT_FALSE(accent.Empty());
        EXPECT_NEAR(body.MinX, letter.MinX * s, Tolerance(10));
        EXPECT_NEAR(body.MaxX, letter.MaxX * s, Tolerance(10));
        const double middle = (accent.MinX + accent.MaxX) / 2;
        EXPECT_GT(middle, letter.MinX * s);
        EXPECT_LT(middle, letter.MaxX * s);
    }
}

// Every option with shaping on, over texts that kern, read right to left and carry marks:
// well-formed clockwise contours; mirror flips in X; the arc carries the kerning (the shaped
// text takes less of the circle) and keeps its ink between the circles a line takes.
TEST_F(Shaping, EveryLayoutOptionTakesShapedText) {
    const double H = 4, R = 30;
    for (const std::u32string text : {U"AV Wa", U"שלום עולם", U"Cafe\u0301 AV\nTo Wa"}) {
        for (bool mirror : {false, true})
            for (double rotation : {0.0, 30.0})
                for (TAlignment align : {TAlignment::Left, TAlignment::Cent, TAlignment::Right}) {
                    TTextStyle style = Shaped();
                    style.Mirror = mirror;
                    style.Rotation = rotation;
                    style.Spacing = {0.05, 0.1};
                    TRegionArrayX shaped(1);
                    LayoutLinearLines(text, shaped, converter, H, 0, 5, 5, align, 1, style);
                    ExpectWellFormed(shaped);
                    style.Mirror = !mirror;
                    TRegionArrayX flipped(1);
                    LayoutLinearLines(text, flipped, converter, H, 0, 5, 5, align, 1, style);
                    ASSERT_EQ(flipped.size(), shaped.size());
                    for (std::size_t i = 1; i < shaped.size(); ++i) {
                        EXPECT_NEAR(flipped[i].MinX, -shaped[i].MaxX, 1e-9);
                        EXPECT_NEAR(flipped[i].MaxY, shaped[i].MaxY, 1e-9);
                    }
                }
        for (TArcReading reading : {TArcReading::Top, TArcReading::Bottom}) {
            TTextStyle style = Shaped();
            style.ArcReading = reading;
            TRegionArrayX arc(1);
            ASSERT_EQ(
                LayoutArcLines(text, arc, converter, H, 0.3, R, 0, 0, TAlignment::Cent, 1, style),
                TArcFit::Fits);
            ExpectWellFormed(arc);
            const double lines = static_cast<double>(SplitLines(text).size());
            const double inner = reading == TArcReading::Top ? R - (lines - 1) * 1.5 * H : R - H;
            const double outer = reading == TArcReading::Top ? R + H : R + (lines - 1) * 1.5 * H;
            for (std::size_t i = 1; i < arc.size(); ++i)
                for (const TMyEntity& e : arc[i].Entities) {
                    const double r = std::hypot(e.X1, e.Y1);
                    EXPECT_GT(r, inner - 0.4 * H);
                    EXPECT_LT(r, outer + 0.4 * H);
                }
        }
    }
    // On the arc as on the line, "AV" is closer kerned: the pair spans a smaller angle.
    const auto span = [&](const TTextStyle& style) {
        TRegionArrayX arc(1);
        LayoutArcLines(U"AV", arc, converter, H, 0, R, 0, 0, TAlignment::Cent, 1, style);
        double lo = 1e300, hi = -1e300;
        for (std::size_t i = 1; i < arc.size(); ++i)
            for (const TMyEntity& e : arc[i].Entities) {
                lo = std::min(lo, std::atan2(e.X1, e.Y1));
                hi = std::max(hi, std::atan2(e.X1, e.Y1));
            }
        return hi - lo;
    };
    double width = 0;
    font.Shape(U"AV", width);
    const double kerning = font.Advance(U'A') + font.Advance(U'V') - width;
    EXPECT_NEAR(span({}) - span(Shaped()), kerning * H / 1024 / R, 0.2 * kerning * H / 1024 / R);
}

// A stroke font cannot be shaped: with the switch on, its layout is exactly the unshaped one.
// The switch is off by default (the golden files hold that output).
TEST_F(Shaping, StrokeFontsAndTheDefaultStyleLayOutUnshaped) {
    EXPECT_FALSE(TTextStyle{}.Shape);
    converter.SetFont({"Hershey Roman Simplex", false, false});
    TRegionArrayX plain(1), shaped(1);
    LayoutLinearLines(U"AV Wa\nTo", plain, converter, 5, 0, 0, 0, TAlignment::Cent, 1, {});
    LayoutLinearLines(U"AV Wa\nTo", shaped, converter, 5, 0, 0, 0, TAlignment::Cent, 1, Shaped());
    ASSERT_EQ(plain.size(), shaped.size());
    for (std::size_t i = 1; i < plain.size(); ++i) {
        ASSERT_EQ(plain[i].Entities.size(), shaped[i].Entities.size());
        for (std::size_t k = 0; k < plain[i].Entities.size(); ++k)
            EXPECT_EQ(SegmentStart(plain[i].Entities[k]), SegmentStart(shaped[i].Entities[k]));
    }
}
