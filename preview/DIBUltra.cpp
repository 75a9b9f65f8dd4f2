// Pixel surface and line rasteriser of the preview.
#include "preview/DIBUltra.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <new>

namespace orlenta {

const char* const DibCreateMessage =
    "DIB ERROR :\rCan NOT create DIB ? ? !\rImpossible de cr\xC3\xA9"
    "er une image tampon ? ? !";
const char* const DibClipMessage =
    "DIB ERROR :\rInternal error during segment clipping !\rErreur d'encadrement du segment !";

namespace {

// Largest picture we allocate: a 12000 x 12000 screen at 24 bits fits; 65535 x 65535 does not
// and raises instead of exhausting memory.
constexpr std::int64_t MaxImageBytes = std::int64_t{512} << 20;
constexpr std::int32_t MaxSide = 65535;

int BitsOfFormat(std::uint8_t format) {
    switch (format) {
    case 2:
        return 8;
    case 3:
    case 4:
        return 16;
    case 5:
        return 24;
    default:
        return 0; // formats this surface does not draw
    }
}

TLogPalette MakeDefaultPalette() {
    static constexpr std::uint8_t Static[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    TLogPalette p;
    p.NumEntries = 256;
    auto set = [&](int i, int r, int g, int b) {
        p.Entries[i] = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                        static_cast<std::uint8_t>(b), 0};
    };
    for (int i = 0; i < 10; ++i) {
        set(i, Static[i][0], Static[i][1], Static[i][2]);
        set(246 + i, Static[10 + i][0], Static[10 + i][1], Static[10 + i][2]);
    }
    int i = 10;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                set(i++, r * 51, g * 51, b * 51);
    // 20 greys that fall between the cube's levels.
    for (int k = 1; k <= 20; ++k) {
        const int v = (255 * k + 10) / 21;
        set(i++, v, v, v);
    }
    return p;
}

template <int Bpp> inline void Store(std::uint8_t* p, std::uint32_t pixel) {
    if constexpr (Bpp == 1) {
        *p = static_cast<std::uint8_t>(pixel);
    } else if constexpr (Bpp == 2) {
        const auto w = static_cast<std::uint16_t>(pixel);
        std::memcpy(p, &w, 2);
    } else {
        p[0] = static_cast<std::uint8_t>(pixel);
        p[1] = static_cast<std::uint8_t>(pixel >> 8);
        p[2] = static_cast<std::uint8_t>(pixel >> 16);
    }
}

// n >= 1 pixels from p, step bytes apart; returns the address of the last one (never steps
// past it, so the address stays inside the buffer). A dashed run advances the pattern at
// every pixel, drawn or not.
template <int Bpp, bool Dashed>
inline std::uint8_t* Run(std::uint8_t* p, std::ptrdiff_t step, std::int64_t n, std::uint32_t pixel,
                         std::uint32_t& pattern) {
    for (;;) {
        if constexpr (Dashed) {
            if (pattern & 0x80000000u)
                Store<Bpp>(p, pixel);
            pattern = std::rotl(pattern, 1);
        } else {
            Store<Bpp>(p, pixel);
        }
        if (--n <= 0)
            return p;
        p += step;
    }
}

// One run along the major axis per step of the minor axis; the run ends come from a 16.16
// fixed-point accumulator so that the runs share the error evenly. m1/m2 are the major
// coordinates of the ends, dMajor the signed pixel count along the major axis. Because the
// major count exceeds the number of runs, every run but the last holds at least one pixel.
template <int Bpp, bool Dashed>
void RunLength(std::uint8_t* p, std::ptrdiff_t majorStep, std::ptrdiff_t minorStep, std::int64_t m1,
               std::int64_t m2, std::int64_t mStep, std::int64_t dMajor, std::int64_t runs,
               bool exclude, std::uint32_t pixel, std::uint32_t& pattern) {
    const std::int64_t slope = dMajor * 65536 / runs;
    std::int64_t acc = (m1 - mStep) * 65536 + 32768;
    std::int64_t prev = m1 - mStep;
    for (std::int64_t i = 1; i < runs; ++i) {
        acc += slope;
        const std::int64_t cur = acc >> 16;
        p = Run<Bpp, Dashed>(p, majorStep, cur > prev ? cur - prev : prev - cur, pixel, pattern);
        p += majorStep + minorStep;
        prev = cur;
    }
    const std::int64_t last = (m2 > prev ? m2 - prev : prev - m2) - (exclude ? 1 : 0);
    if (last > 0)
        Run<Bpp, Dashed>(p, majorStep, last, pixel, pattern);
}

// Draws the already clipped line (x1, y1)-(x2, y2) starting at pixel address p.
template <int Bpp, bool Dashed>
void Rasterise(std::uint8_t* p, std::ptrdiff_t rowBytes, std::int64_t x1, std::int64_t y1,
               std::int64_t x2, std::int64_t y2, std::int64_t xStep, std::int64_t yStep,
               bool exclude, std::uint32_t pixel, std::uint32_t& pattern) {
    const std::int64_t dx = (x2 - x1) + xStep;
    const std::int64_t dy = (y2 - y1) + yStep;
    const std::int64_t adx = dx < 0 ? -dx : dx;
    const std::int64_t ady = dy < 0 ? -dy : dy;
    const std::ptrdiff_t stepX = xStep * Bpp;
    const std::ptrdiff_t stepY = yStep * rowBytes;
    if (adx == ady) {
        if (adx - (exclude ? 1 : 0) > 0)
            Run<Bpp, Dashed>(p, stepX + stepY, adx - (exclude ? 1 : 0), pixel, pattern);
    } else if (adx > ady) {
        RunLength<Bpp, Dashed>(p, stepX, stepY, x1, x2, xStep, dx, ady, exclude, pixel, pattern);
    } else {
        RunLength<Bpp, Dashed>(p, stepY, stepX, y1, y2, yStep, dy, adx, exclude, pixel, pattern);
    }
}

// n pixels of bpp bytes from p. A colour whose bytes are all alike is one memset; any
// other is one pixel copied onto itself in doubling blocks, which keeps the byte order.
void FillPixels(std::uint8_t* p, std::int64_t n, int bpp, std::uint32_t pixel) {
    if (n <= 0)
        return;
    const auto bytes = static_cast<std::size_t>(n * bpp);
    const auto b0 = static_cast<std::uint8_t>(pixel);
    const bool uniform = bpp == 1 || (static_cast<std::uint8_t>(pixel >> 8) == b0 &&
                                      (bpp == 2 || static_cast<std::uint8_t>(pixel >> 16) == b0));
    if (uniform) {
        std::memset(p, b0, bytes);
        return;
    }
    if (bpp == 2)
        Store<2>(p, pixel);
    else
        Store<3>(p, pixel);
    for (std::size_t done = static_cast<std::size_t>(bpp); done < bytes;) {
        const std::size_t k = std::min(done, bytes - done);
        std::memcpy(p + done, p, k);
        done += k;
    }
}

bool IsEmpty(const TRect& r) {
    return r.Left > r.Right || r.Top > r.Bottom;
}

// Grows r (possibly empty) to take in the box (x1, y1)-(x2, y2), given in any order.
void Include(TRect& r, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    const auto left = static_cast<std::int32_t>(std::min(x1, x2));
    const auto right = static_cast<std::int32_t>(std::max(x1, x2));
    const auto top = static_cast<std::int32_t>(std::min(y1, y2));
    const auto bottom = static_cast<std::int32_t>(std::max(y1, y2));
    if (IsEmpty(r)) {
        r = {left, top, right, bottom};
        return;
    }
    r.Left = std::min(r.Left, left);
    r.Right = std::max(r.Right, right);
    r.Top = std::min(r.Top, top);
    r.Bottom = std::max(r.Bottom, bottom);
}

constexpr TRect NoBox{0, 0, -1, -1};

// Numbers of the blocks handed to sinks, shared by all surfaces so that a sink never
// mistakes one surface's block for another's.
std::atomic<std::uint64_t> blockCount{0};

// Regions of the clipping table: T/I/B by y, L/I/R by x; index = 3 * vertical + horizontal.
enum Region { TL, TI, TR, IL, II, IR, BL, BI, BR };

// Case per pair (P1 row, P2 column); 0 marks pairs that cannot occur while P1 has the
// smaller x.
constexpr std::int8_t ClipCases[9][9] = {{2, 2, 2, 2, 15, 15, 2, 7, 7},    // TL
                                         {0, 2, 2, 0, 9, 15, 0, 6, 7},     // TI
                                         {0, 0, 2, 0, 0, 2, 0, 0, 2},      // TR
                                         {2, 17, 17, 2, 10, 3, 2, 16, 16}, // IL
                                         {0, 12, 17, 0, 1, 13, 0, 11, 16}, // II
                                         {0, 0, 2, 0, 0, 2, 0, 0, 2},      // IR
                                         {2, 5, 5, 2, 14, 14, 2, 2, 2},    // BL
                                         {0, 4, 5, 0, 8, 14, 0, 2, 2},     // BI
                                         {0, 0, 2, 0, 0, 2, 0, 0, 2}};     // BR

} // namespace

const TLogPalette& DefaultPalette256() {
    static const TLogPalette palette = MakeDefaultPalette();
    return palette;
}

TDIBUltra::TDIBUltra(std::int32_t w, std::int32_t h, std::uint8_t fmt, const TLogPalette* palette) {
    if (BitsOfFormat(fmt) == 0)
        throw DIB_ERROR(DibCreateMessage);
    format = fmt;
    bitsPerPixel = BitsOfFormat(fmt);
    if (format == 2) {
        const bool usable = palette && palette->NumEntries >= 1 && palette->NumEntries <= 256;
        logPalette = usable ? *palette : DefaultPalette256();
    } else {
        logPalette = TLogPalette{};
    }
    Build(w, h);
    clipRect = {0, 0, w - 1, h - 1};
    SetPenColor(0);
    SetBrushColor(0xFFFFFF);
}

void TDIBUltra::Build(std::int32_t w, std::int32_t h) {
    if (w < 0 || h < 0 || w > MaxSide || h > MaxSide)
        throw DIB_ERROR(DibCreateMessage);
    const std::int64_t rowLength = ((std::int64_t{w} * bitsPerPixel + 31) & ~std::int64_t{31}) / 8;
    const std::int64_t size = rowLength * h;
    if (size > MaxImageBytes)
        throw DIB_ERROR(DibCreateMessage);
    std::vector<std::uint8_t> fresh;
    try {
        fresh.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        throw DIB_ERROR(DibCreateMessage);
    }
    ready = false;
    pixels = std::move(fresh);
    width = w;
    height = h;
    rowBytes = -static_cast<std::int32_t>(rowLength);
    imageSize = static_cast<std::int32_t>(size);
    topRow = h > 0 ? pixels.data() + (h - 1) * rowLength : pixels.data();
    ready = true;
    clearKnown = false;
    inked = NoBox;
    changed = {0, 0, w - 1, h - 1};
    lastBlock = 0;
}

void TDIBUltra::forgetContents() {
    clearKnown = false;
    changed = {0, 0, width - 1, height - 1};
}

// The pixels of box (never the row padding) become pixel.
void TDIBUltra::fillBox(const TRect& box, std::uint32_t pixel) {
    if (IsEmpty(box))
        return;
    const int bpp = bitsPerPixel / 8;
    const std::int64_t n = std::int64_t{box.Right} - box.Left + 1;
    std::uint8_t* first = topRow + std::int64_t{box.Top} * rowBytes + std::int64_t{box.Left} * bpp;
    FillPixels(first, n, bpp, pixel);
    for (std::int32_t y = box.Top + 1; y <= box.Bottom; ++y)
        std::memcpy(first + std::int64_t{y - box.Top} * rowBytes, first,
                    static_cast<std::size_t>(n * bpp));
}

void TDIBUltra::SetSize(std::int32_t w, std::int32_t h) {
    if (w < 0 || h < 0 || w > MaxSide || h > MaxSide)
        throw DIB_ERROR(DibCreateMessage);
    if (w > width || h > height)
        Build(w, h);
    clipRect = {0, 0, w - 1, h - 1};
}

void TDIBUltra::Clear() {
    const std::uint32_t pixel = ColorToPixel(brushColor);
    if (clearKnown && pixel == clearPixel) {
        if (!IsEmpty(inked)) {
            fillBox(inked, pixel);
            Include(changed, inked.Left, inked.Top, inked.Right, inked.Bottom);
        }
    } else {
        fillBox({0, 0, width - 1, height - 1}, pixel);
        changed = {0, 0, width - 1, height - 1};
    }
    clearKnown = true;
    clearPixel = pixel;
    inked = NoBox;
}

TSurfaceImage TDIBUltra::Image() const {
    TSurfaceImage image;
    image.Bits = pixels.data();
    image.TopRow = topRow;
    image.Width = width;
    image.Height = height;
    image.RowBytes = rowBytes;
    image.BytesPerLine = -rowBytes;
    image.Format = format;
    image.BitsPerPixel = bitsPerPixel;
    image.Palette = format == 2 ? &logPalette : nullptr;
    return image;
}

void TDIBUltra::Draw(const TRect& r, TSurfaceSink& sink, std::int32_t sx, std::int32_t sy) const {
    if (!ready)
        return;
    std::int64_t right = r.Right;
    std::int64_t bottom = r.Bottom;
    std::int64_t x = sx;
    std::int64_t y = sy;
    if (x < 0) {
        right += x;
        x = 0;
    }
    if (y < 0) {
        bottom += y;
        y = 0;
    }
    // Copy only the part of the block that lies on the bitmap.
    const std::int64_t w = std::min<std::int64_t>(right, width - x);
    const std::int64_t h = std::min<std::int64_t>(bottom, height - y);
    if (w <= 0 || h <= 0)
        return;
    TSurfaceImage image = Image();
    image.Number = ++blockCount;
    image.Previous = lastBlock;
    image.Changed = changed;
    lastBlock = image.Number;
    changed = NoBox;
    sink.CopyBlock(image, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                   static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
}

std::uint32_t TDIBUltra::ColorToPixel(std::uint32_t c) const {
    switch (format) {
    case 3:
        return ((c << 7) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 19) & 0x001F);
    case 4:
        return ((c << 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 19) & 0x001F);
    case 5:
        return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); // 0x00RRGGBB
    default: {
        // Nearest palette entry; the first of equally near entries wins.
        const int r = static_cast<int>(c & 0xFF);
        const int g = static_cast<int>((c >> 8) & 0xFF);
        const int b = static_cast<int>((c >> 16) & 0xFF);
        std::uint32_t best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < logPalette.NumEntries; ++i) {
            const TPaletteEntry& e = logPalette.Entries[i];
            const int d = (e.Red - r) * (e.Red - r) + (e.Green - g) * (e.Green - g) +
                          (e.Blue - b) * (e.Blue - b);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<std::uint32_t>(i);
            }
        }
        return best;
    }
    }
}

void TDIBUltra::SetPenColor(std::uint32_t color) {
    if (color == penColor)
        return;
    penPixel = ColorToPixel(color);
    penColor = color;
}

void TDIBUltra::SetBrushColor(std::uint32_t color) {
    brushColor = color;
}

void TDIBUltra::SetLinePattern(std::uint32_t pattern) {
    linePattern = pattern;
    suppressed = pattern == 0;
}

void TDIBUltra::MoveTo(std::int32_t x, std::int32_t y) {
    if (x != Keep)
        penX = x;
    if (y != Keep)
        penY = y;
}

void TDIBUltra::LineTo(std::int32_t x, std::int32_t y) {
    if (x == Keep)
        x = penX;
    if (y == Keep)
        y = penY;
    if (!suppressed)
        DrawLine(penX, penY, x, y);
    penX = x;
    penY = y;
}

std::uint32_t TDIBUltra::PixelAt(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    const std::uint8_t* p =
        topRow + std::int64_t{y} * rowBytes + std::int64_t{x} * (bitsPerPixel / 8);
    switch (bitsPerPixel) {
    case 8:
        return p[0];
    case 16: {
        std::uint16_t w;
        std::memcpy(&w, p, 2);
        return w;
    }
    default:
        return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
}

// Cuts the segment to ClipRect with the case table; false when nothing of it is inside.
// x1 <= x2 on entry and stays so. The intersections are computed in 128 bits, so end points
// anywhere in the 32-bit range cannot overflow, and every result lies between the ends.
bool TDIBUltra::ClipSegment(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2,
                            std::int64_t& y2) const {
    const std::int64_t L = clipRect.Left, T = clipRect.Top;
    const std::int64_t R = clipRect.Right, B = clipRect.Bottom;
    if (R < L || B < T)
        return false;
    auto region = [&](std::int64_t x, std::int64_t y) {
        const int v = y < T ? 0 : (y > B ? 2 : 1);
        const int h = x < L ? 0 : (x > R ? 2 : 1);
        return 3 * v + h;
    };
    // Two passes settle every case; a third only follows integer rounding the table does
    // not expect.
    for (int pass = 0; pass < 3; ++pass) {
        const std::int64_t ox = x1, oy = y1, dx = x2 - x1, dy = y2 - y1;
        auto xAtY = [&](std::int64_t y) {
            return ox + static_cast<std::int64_t>(static_cast<__int128>(y - oy) * dx / dy);
        };
        auto yAtX = [&](std::int64_t x) {
            return oy + static_cast<std::int64_t>(static_cast<__int128>(x - ox) * dy / dx);
        };
        bool again = false;
        switch (ClipCases[region(x1, y1)][region(x2, y2)]) {
        case 1:
            break;
        case 2:
            return false;
        case 3:
            y2 = yAtX(R), x2 = R;
            y1 = yAtX(L), x1 = L;
            break;
        case 5:
            again = true;
            [[fallthrough]];
        case 4:
            x2 = xAtY(T), y2 = T;
            x1 = xAtY(B), y1 = B;
            break;
        case 7:
            again = true;
            [[fallthrough]];
        case 6:
            x2 = xAtY(B), y2 = B;
            x1 = xAtY(T), y1 = T;
            break;
        case 14:
            again = true;
            [[fallthrough]];
        case 8:
            x1 = xAtY(B), y1 = B;
            break;
        case 15:
            again = true;
            [[fallthrough]];
        case 9:
            x1 = xAtY(T), y1 = T;
            break;
        case 10:
            y1 = yAtX(L), x1 = L;
            break;
        case 16:
            again = true;
            [[fallthrough]];
        case 11:
            x2 = xAtY(B), y2 = B;
            break;
        case 17:
            again = true;
            [[fallthrough]];
        case 12:
            x2 = xAtY(T), y2 = T;
            break;
        case 13:
            y2 = yAtX(R), x2 = R;
            break;
        default:
            throw DIB_ERROR(DibClipMessage);
        }
        if (!again) {
            // The pixel loops trust these ends without further checks.
            if (x1 < L || x1 > R || x2 < L || x2 > R || y1 < T || y1 > B || y2 < T || y2 > B)
                throw DIB_ERROR(DibClipMessage);
            return true;
        }
    }
    throw DIB_ERROR(DibClipMessage);
}

void TDIBUltra::DrawLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    // The steps follow the caller's direction, fixed before clipping.
    const std::int64_t yStep = y2 < y1 ? -1 : 1;
    const bool exchanged = x2 < x1;
    const std::int64_t xStep = exchanged ? -1 : 1;
    if (exchanged) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (!ClipSegment(x1, y1, x2, y2))
        return; // nothing drawn, the pattern stays where it was
    if (exchanged) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    Include(inked, x1, y1, x2, y2);
    Include(changed, x1, y1, x2, y2);
    const int bpp = bitsPerPixel / 8;
    std::uint8_t* p = topRow + y1 * std::int64_t{rowBytes} + x1 * bpp;
    std::uint32_t pattern = linePattern;
    const bool dashed = pattern != 0xFFFFFFFFu;
    const bool exclude = ExcludeLastPixel;
    switch (bpp) {
    case 1:
        if (dashed)
            Rasterise<1, true>(p, rowBytes, x1, y1, x2, y2, xStep, yStep, exclude, penPixel,
                               pattern);
        else
            Rasterise<1, false>(p, rowBytes, x1, y1, x2, y2, xStep, yStep, exclude, penPixel,
                                pattern);
        break;
    case 2:
        if (dashed)
            Rasterise<2, true>(p, rowBytes, x1, y1, x2, y2, xStep, yStep, exclude, penPixel,
                               pattern);
        else
            Rasterise<2, false>(p, rowBytes, x1, y1, x2, y2, xStep, yStep, exclude, penPixel,
                                pattern);
        break;
    default:
        if (dashed)
            Rasterise<3, true>(p, rowBytes, x1, y1, x2, y2, xStep, yStep, exclude, penPixel,
                               pattern);
        else
            Rasterise<3, false>(p, rowBytes, x1, y1, x2, y2, xStep, yStep, exclude, penPixel,
                                pattern);
        break;
    }
    linePattern = pattern;
}

} // namespace orlenta
