#include "preview/DIBUltra.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace orlenta;

namespace {

constexpr std::uint32_t Blue = 0xFF0000;
constexpr std::uint32_t White = 0xFFFFFF;

// A cleared surface of the given format whose pen is blue.
TDIBUltra MakeSurface(std::int32_t w, std::int32_t h, std::uint8_t format = 5) {
    TDIBUltra s(w, h, format);
    s.Clear();
    s.SetPenColor(Blue);
    return s;
}

// Pixels of row y that hold the pen value, as x coordinates.
std::vector<int> SetInRow(const TDIBUltra& s, int y) {
    std::vector<int> xs;
    for (int x = 0; x < s.Width(); ++x)
        if (s.PixelAt(x, y) == s.PenPixel())
            xs.push_back(x);
    return xs;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

// Writes a pixel value straight into the buffer.
void Poke(TDIBUltra& s, int x, int y, std::uint32_t value) {
    const int bytes = s.BitsPerPixel() / 8;
    std::uint8_t* p = s.TopRow() + y * s.RowBytes() + x * bytes;
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string CreateMessage() {
    return std::string("DIB ERROR :\rCan NOT create DIB ? ? !\rImpossible de cr\xC3\xA9") +
           "er une image tampon ? ? !";
}

} // namespace

TEST(DIBUltraLine, RunsOfTheWorkedExample) {
    for (bool exclude : {false, true}) {
        TDIBUltra s = MakeSurface(16, 4);
        s.ExcludeLastPixel = exclude;
        s.MoveTo(0, 0);
        s.LineTo(9, 2);
        EXPECT_EQ(SetInRow(s, 0), Range(0, 2));
        EXPECT_EQ(SetInRow(s, 1), Range(3, 6));
        EXPECT_EQ(SetInRow(s, 2), Range(7, exclude ? 8 : 9));
        EXPECT_EQ(s.PenX(), 9);
        EXPECT_EQ(s.PenY(), 2);
    }
}

TEST(DIBUltraLine, SteepAndDiagonalLinesSetEveryStepOnce) {
    TDIBUltra s = MakeSurface(8, 12);
    s.MoveTo(1, 0);
    s.LineTo(3, 10); // mostly vertical: one pixel per row
    for (int y = 0; y <= 10; ++y)
        EXPECT_EQ(SetInRow(s, y).size(), 1u) << "row " << y;
    EXPECT_EQ(SetInRow(s, 0), std::vector<int>{1});
    EXPECT_EQ(SetInRow(s, 10), std::vector<int>{3});

    TDIBUltra d = MakeSurface(8, 8);
    d.MoveTo(6, 6);
    d.LineTo(0, 0);
    for (int k = 0; k <= 6; ++k)
        EXPECT_EQ(SetInRow(d, k), std::vector<int>{k});
}

TEST(DIBUltraLine, DashPatternContinuesAcrossLines) {
    const std::vector<int> expected = {0, 1, 2, 4, 6, 8, 9, 10, 12, 14}; // from 0 here
    TDIBUltra s = MakeSurface(20, 2);
    s.SetLinePattern(0xEAEAEAEA);
    s.MoveTo(0, 0);
    s.LineTo(15, 0);
    EXPECT_EQ(SetInRow(s, 0), expected);
    EXPECT_EQ(s.LinePattern(), std::rotl(0xEAEAEAEAu, 16));

    // The same 16 pixels drawn as two joined lines with the shared pixel excluded.
    TDIBUltra j = MakeSurface(20, 2);
    j.ExcludeLastPixel = true;
    j.SetLinePattern(0xEAEAEAEA);
    j.MoveTo(0, 0);
    j.LineTo(5, 0);
    j.LineTo(16, 0);
    EXPECT_EQ(SetInRow(j, 0), expected);

    // A pattern that does not repeat every byte shows the rotation itself.
    TDIBUltra r = MakeSurface(8, 1);
    r.SetLinePattern(0x80000001);
    r.MoveTo(0, 0);
    r.LineTo(2, 0);
    EXPECT_EQ(r.LinePattern(), std::rotl(0x80000001u, 3));
}

TEST(DIBUltraLine, SinglePointAdvancesThePatternByOneOrNone) {
    for (bool exclude : {false, true}) {
        TDIBUltra s = MakeSurface(4, 4);
        s.ExcludeLastPixel = exclude;
        s.SetLinePattern(0xC0000000);
        s.MoveTo(2, 1);
        s.LineTo(2, 1);
        EXPECT_EQ(s.PixelAt(2, 1) == s.PenPixel(), !exclude);
        EXPECT_EQ(s.LinePattern(), exclude ? 0xC0000000u : 0x80000001u);
    }
}

TEST(DIBUltraLine, RejectedLineKeepsThePattern) {
    TDIBUltra s = MakeSurface(10, 10);
    s.SetLinePattern(0xEAEAEAEA);
    const std::uint32_t pattern = 0xEAEAEAEAu;
    const int lines[][4] = {{-5, 0, -1, 9},
                            {0, -3, 9, -1},
                            {10, 0, 20, 9},
                            {0, 10, 9, 12},
                            {-5, 4, 4, -5}}; // the last one passes the corner outside
    for (const auto& l : lines) {
        s.MoveTo(l[0], l[1]);
        s.LineTo(l[2], l[3]);
        EXPECT_EQ(s.LinePattern(), pattern);
    }
    for (int y = 0; y < 10; ++y)
        EXPECT_TRUE(SetInRow(s, y).empty()) << "row " << y;
}

TEST(DIBUltraLine, LineCutAtTheBottomKeepsItsSlope) {
    // The same line on a tall surface and on one cut at row 39.
    TDIBUltra tall = MakeSurface(100, 400);
    TDIBUltra cut = MakeSurface(100, 40);
    for (TDIBUltra* s : {&tall, &cut}) {
        s->MoveTo(10, 5);
        s->LineTo(73, 370);
    }
    for (int y = 5; y < 40; ++y) {
        const auto a = SetInRow(tall, y);
        const auto b = SetInRow(cut, y);
        ASSERT_EQ(b.size(), 1u) << "row " << y;
        EXPECT_NEAR(a.front(), b.front(), 1) << "row " << y;
    }
    EXPECT_EQ(SetInRow(cut, 39).front(), 10 + (39 - 5) * 63 / 365);
    EXPECT_EQ(cut.PenY(), 370);
}

TEST(DIBUltraLine, EndsNearTheIntegerLimitsAreClipped) {
    TDIBUltra s = MakeSurface(40, 30, 2);
    s.MoveTo(INT_MIN, INT_MIN);
    s.LineTo(INT_MAX - 1, INT_MAX - 1); // slope exactly 1 through the origin
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(SetInRow(s, k), std::vector<int>{k});

    // 2147483647 keeps the pen's coordinate in both calls.
    s.MoveTo(5, 7);
    s.MoveTo(TDIBUltra::Keep, 9);
    EXPECT_EQ(s.PenX(), 5);
    EXPECT_EQ(s.PenY(), 9);
    s.LineTo(12, TDIBUltra::Keep);
    EXPECT_EQ(s.PenY(), 9);
    EXPECT_EQ(s.PixelAt(12, 9), s.PenPixel());
}

TEST(DIBUltraLine, EmptyPatternOnlyMovesThePen) {
    TDIBUltra s = MakeSurface(10, 10);
    s.SetLinePattern(0);
    EXPECT_TRUE(s.Suppressed());
    s.MoveTo(0, 0);
    s.LineTo(9, 9);
    EXPECT_EQ(s.PenX(), 9);
    EXPECT_NE(s.PixelAt(0, 0), s.PenPixel());
}

TEST(DIBUltraPixels, FormatsStoreTheirPixelValues) {
    TDIBUltra s24 = MakeSurface(4, 2, 5);
    s24.MoveTo(1, 1);
    s24.LineTo(1, 1);
    const std::uint8_t* p = s24.TopRow() + s24.RowBytes() + 3;
    EXPECT_EQ(p[0], 0xFF);
    EXPECT_EQ(p[1], 0x00);
    EXPECT_EQ(p[2], 0x00);

    struct Case {
        std::uint8_t format;
        std::uint32_t color, pixel;
    } cases[] = {{3, 0x0000FF, 0x7C00},  {3, 0x00FF00, 0x03E0}, {3, White, 0x7FFF},
                 {4, 0x0000FF, 0xF800},  {4, 0x00FF00, 0x07E0}, {4, Blue, 0x001F},
                 {5, 0x123456, 0x563412}};
    for (const Case& c : cases)
        EXPECT_EQ(TDIBUltra(1, 1, c.format).ColorToPixel(c.color), c.pixel)
            << int(c.format) << " " << std::hex << c.color;
}

TEST(DIBUltraPixels, DefaultPaletteKeepsTheStaticColours) {
    TDIBUltra s(4, 4, 2);
    const TLogPalette& pal = s.LogPalette();
    EXPECT_EQ(pal.NumEntries, 256);
    auto rgb = [&](int i) {
        return std::vector<int>{pal.Entries[i].Red, pal.Entries[i].Green, pal.Entries[i].Blue};
    };
    EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(8), (std::vector<int>{192, 220, 192}));
    EXPECT_EQ(rgb(9), (std::vector<int>{166, 202, 240}));
    EXPECT_EQ(rgb(246), (std::vector<int>{255, 251, 240}));
    EXPECT_EQ(rgb(249), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(rgb(255), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(s.ColorToPixel(0), 0u);
    EXPECT_EQ(rgb(s.ColorToPixel(Blue)), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(rgb(s.ColorToPixel(White)), (std::vector<int>{255, 255, 255}));
}

TEST(DIBUltraBuffer, SetSizeNarrowsOrRebuilds) {
    TDIBUltra s(100, 50, 5);
    std::uint8_t* bits = s.Bits();
    s.SetSize(60, 20);
    EXPECT_EQ(s.Bits(), bits);
    EXPECT_EQ(s.Width(), 100);
    EXPECT_EQ(s.ClipRect().Right, 59);
    EXPECT_EQ(s.ClipRect().Bottom, 19);
    s.SetSize(120, 20);
    EXPECT_EQ(s.Width(), 120);
    EXPECT_EQ(s.Height(), 20);
    EXPECT_EQ(s.ImageSize(), 120 * 3 * 20);

    // Sizes that cannot be held raise instead of wrapping or exhausting memory.
    for (auto wh : {std::pair{65535, 65535}, std::pair{-1, 10}, std::pair{10, 70000}}) {
        try {
            s.SetSize(wh.first, wh.second);
            ADD_FAILURE() << "no DIB_ERROR for " << wh.first << " x " << wh.second;
        } catch (const DIB_ERROR& e) {
            EXPECT_EQ(e.what(), CreateMessage());
        }
    }
    EXPECT_EQ(s.Width(), 120);
    EXPECT_THROW(TDIBUltra(10, 10, 6), DIB_ERROR);

    // An empty clip area draws nothing.
    s.SetSize(0, 0);
    s.MoveTo(0, 0);
    s.LineTo(5, 5);
    EXPECT_EQ(s.PixelAt(0, 0), 0u);
}

namespace {
struct RecordingSink : TSurfaceSink {
    int calls = 0;
    TSurfaceImage image;
    std::int32_t x = -1, y = -1, w = -1, h = -1;
    void CopyBlock(const TSurfaceImage& i, std::int32_t sx, std::int32_t sy, std::int32_t bw,
                   std::int32_t bh) override {
        ++calls;
        image = i;
        x = sx, y = sy, w = bw, h = bh;
    }
};
} // namespace

TEST(DIBUltraDraw, HandsTheClippedBlockToTheSink) {
    TDIBUltra s(200, 100, 2);
    RecordingSink sink;
    s.Draw({0, 0, 150, 80}, sink, 0, 0);
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.w, 150);
    EXPECT_EQ(sink.h, 80);
    EXPECT_EQ(sink.image.BytesPerLine, 200);
    EXPECT_EQ(sink.image.TopRow, sink.image.Bits + 99 * 200);
    ASSERT_NE(sink.image.Palette, nullptr);
    EXPECT_EQ(sink.image.Palette->NumEntries, 256);

    s.Draw({0, 0, 300, 300}, sink, -20, 30); // negative source x shortens the block
    EXPECT_EQ(sink.x, 0);
    EXPECT_EQ(sink.y, 30);
    EXPECT_EQ(sink.w, 200);
    EXPECT_EQ(sink.h, 70);

    s.Draw({0, 0, 10, 10}, sink, 500, 0); // nothing of the surface there
    EXPECT_EQ(sink.calls, 2);
}

// Seeded random lines, many with ends far outside or at the integer limits, on every format:
// no pixel outside ClipRect may change, and a line inside sets its end pixels. The buffer is
// larger than ClipRect on the right and at the bottom so stray writes land in checked memory;
// the sanitizer build catches anything beyond the buffer.
TEST(DIBUltraProperty, RandomLinesStayInsideTheClipArea) {
    constexpr int W = 45, H = 37, ClipW = 33, ClipH = 29;
    for (std::uint8_t format = 2; format <= 5; ++format) {
        SCOPED_TRACE(int(format));
        TDIBUltra s(W, H, format);
        s.SetBrushColor(White);
        s.Clear();
        const std::uint32_t background = s.ColorToPixel(White);
        s.SetSize(ClipW, ClipH);
        std::mt19937 rng(42 + format);
        auto coordinate = [&](int size) -> std::int32_t {
            switch (rng() % 8) {
            case 0:
                return static_cast<std::int32_t>(rng()); // anywhere in 32 bits
            case 1:
                return (rng() & 1) ? INT_MAX - static_cast<std::int32_t>(rng() % 3)
                                   : INT_MIN + static_cast<std::int32_t>(rng() % 3);
            case 2:
                return static_cast<std::int32_t>(rng() % 2001) - 1000;
            default:
                return static_cast<std::int32_t>(rng() % (3 * size)) - size;
            }
        };
        const std::uint32_t colours[] = {0x000000, Blue, 0x0000FF, 0x00FF00, 0x808080};
        for (int i = 0; i < 100000; ++i) {
            s.SetPenColor(colours[rng() % 5]);
            s.ExcludeLastPixel = rng() & 1;
            const bool inside = rng() % 4 == 0;
            std::int32_t x1, y1, x2, y2;
            if (inside) {
                x1 = rng() % ClipW, y1 = rng() % ClipH, x2 = rng() % ClipW, y2 = rng() % ClipH;
                s.SetLinePattern(0xFFFFFFFF);
            } else {
                x1 = coordinate(ClipW), y1 = coordinate(ClipH);
                x2 = coordinate(ClipW), y2 = coordinate(ClipH);
                s.SetLinePattern(rng() % 3 ? 0xFFFFFFFF : static_cast<std::uint32_t>(rng()));
            }
            if (inside) {
                Poke(s, x1, y1, background);
                Poke(s, x2, y2, background);
            }
            s.MoveTo(x1, y1);
            s.LineTo(x2, y2);
            if (inside) {
                const bool point = x1 == x2 && y1 == y2;
                const bool exclude = s.ExcludeLastPixel;
                ASSERT_EQ(s.PixelAt(x1, y1), exclude && point ? background : s.PenPixel())
                    << x1 << "," << y1 << " to " << x2 << "," << y2;
                ASSERT_EQ(s.PixelAt(x2, y2), exclude ? background : s.PenPixel())
                    << x1 << "," << y1 << " to " << x2 << "," << y2;
            }
        }
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                if (x >= ClipW || y >= ClipH) {
                    ASSERT_EQ(s.PixelAt(x, y), background) << x << "," << y;
                }
            }
        // Row padding stays untouched too (the buffer starts zeroed).
        const int used = W * s.BitsPerPixel() / 8;
        for (int y = 0; y < H; ++y)
            for (int b = used; b < -s.RowBytes(); ++b)
                ASSERT_EQ(s.Bits()[y * -s.RowBytes() + b], 0);
    }
}

namespace {
// Keeps a copy of the blocks it is handed, refreshing only Changed when it still holds the
// previous block from the same place, as the window's frame does.
struct MirrorSink : TSurfaceSink {
    int calls = 0;
    std::uint64_t held = 0;
    std::int32_t x = -1, y = -1, w = 0, h = 0;
    std::vector<std::uint32_t> pixels; // w x h, y down
    static std::uint32_t Read(const TSurfaceImage& i, std::int32_t px, std::int32_t py) {
        const int bytes = i.BitsPerPixel / 8;
        const std::uint8_t* p = i.TopRow + std::ptrdiff_t(py) * i.RowBytes + px * bytes;
        std::uint32_t v = 0;
        for (int b = 0; b < bytes; ++b)
            v |= std::uint32_t{p[b]} << (8 * b);
        return v;
    }
    void CopyBlock(const TSurfaceImage& i, std::int32_t sx, std::int32_t sy, std::int32_t bw,
                   std::int32_t bh) override {
        const bool same =
            held != 0 && held == i.Previous && sx == x && sy == y && bw == w && bh == h;
        if (!same)
            pixels.assign(std::size_t(bw) * bh, 0xDEADBEEF);
        for (std::int32_t py = 0; py < bh; ++py)
            for (std::int32_t px = 0; px < bw; ++px) {
                const bool changed = sx + px >= i.Changed.Left && sx + px <= i.Changed.Right &&
                                     sy + py >= i.Changed.Top && sy + py <= i.Changed.Bottom;
                if (!same || changed)
                    pixels[std::size_t(py) * bw + px] = Read(i, sx + px, sy + py);
            }
        held = i.Number, x = sx, y = sy, w = bw, h = bh;
        ++calls;
    }
};
} // namespace

// A clear that fills only what was drawn since the last one, and a sink that refreshes only
// what changed, against a twin surface that always fills everything: seeded random clears,
// lines, pokes, resizes and blocks on every format must leave both buffers byte for byte
// alike (padding included) and the kept copy equal to the surface.
TEST(DIBUltraProperty, PartialClearsAndBlocksMatchFullOnes) {
    constexpr int W = 41, H = 23;
    for (std::uint8_t format = 2; format <= 5; ++format) {
        SCOPED_TRACE(int(format));
        TDIBUltra s(W, H, format), twin(W, H, format);
        MirrorSink mirror;
        std::mt19937 rng(7 + format);
        auto both = [&](auto&& op) {
            op(s);
            op(twin);
        };
        const std::uint32_t colours[] = {White, White, Blue, 0x102030, 0x000000};
        for (int step = 0; step < 20000; ++step) {
            const unsigned kind = rng() % 20;
            if (kind < 5) {
                const std::uint32_t c = colours[rng() % 5];
                both([&](TDIBUltra& d) { d.SetBrushColor(c); });
                s.Clear();
                twin.TopRow(); // forgets what it knows: the next clear fills everything
                twin.Clear();
            } else if (kind < 14) {
                const std::uint32_t pen = colours[rng() % 5];
                const bool exclude = rng() & 1;
                const std::uint32_t pattern = rng() % 3 ? 0xFFFFFFFF : std::uint32_t(rng());
                const std::int32_t x1 = int(rng() % (W + 20)) - 10, y1 = int(rng() % (H + 20)) - 10;
                const std::int32_t x2 = int(rng() % (W + 20)) - 10, y2 = int(rng() % (H + 20)) - 10;
                both([&](TDIBUltra& d) {
                    d.SetPenColor(pen);
                    d.SetLinePattern(pattern);
                    d.ExcludeLastPixel = exclude;
                    d.MoveTo(x1, y1);
                    d.LineTo(x2, y2);
                });
            } else if (kind == 14) {
                const int px = int(rng() % s.Width()), py = int(rng() % s.Height());
                both([&](TDIBUltra& d) { Poke(d, px, py, 0x55); });
            } else if (kind == 15) {
                const int w = 1 + int(rng() % (W + 4)), h = 1 + int(rng() % (H + 4));
                both([&](TDIBUltra& d) { d.SetSize(w, h); });
            } else {
                // Mostly the same block, as repaints are.
                const bool moved = rng() % 4 == 0;
                const std::int32_t sx = moved ? int(rng() % 7) - 2 : 0;
                const std::int32_t sy = moved ? int(rng() % 7) - 2 : 0;
                const int before = mirror.calls;
                s.Draw({0, 0, s.ClipRect().Right + 1, s.ClipRect().Bottom + 1}, mirror, sx, sy);
                if (mirror.calls == before)
                    continue; // a block off the surface reaches no sink
                for (std::int32_t py = 0; py < mirror.h; ++py)
                    for (std::int32_t px = 0; px < mirror.w; ++px)
                        ASSERT_EQ(mirror.pixels[std::size_t(py) * mirror.w + px],
                                  s.PixelAt(mirror.x + px, mirror.y + py))
                            << "step " << step << " at " << px << "," << py;
            }
            const TSurfaceImage a = s.Image(), b = twin.Image();
            ASSERT_EQ(a.Width, b.Width);
            ASSERT_EQ(a.Height, b.Height);
            ASSERT_EQ(std::memcmp(a.Bits, b.Bits, std::size_t(s.ImageSize())), 0)
                << "step " << step;
        }
    }
}
