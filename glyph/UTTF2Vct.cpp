// The outline converter and its stroke collection; see UTTF2Vct.h.
#include "glyph/UTTF2Vct.h"

#include "glyph/FontSources.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace orlenta {

void TStrokeCollection::GetStroke(int index, TStroke& stroke) const {
    if (index < 0 || index >= Count())
        throw EListError();
    stroke = strokes_[static_cast<std::size_t>(index)];
}

namespace {
std::int64_t Pack(std::int32_t x, std::int32_t y) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(x))
                                         << 32 |
                                     static_cast<std::uint32_t>(y));
}

// The count of each stroke seen so far, in a flat open-addressing table that each thread
// keeps from call to call: no allocation per stroke, and none at all once it is large
// enough. A slot is in use only when its stamp is the current call's, so nothing needs
// clearing between calls.
class StrokeCounts {
  public:
    // Starts a new count for up to n strokes.
    void Begin(std::size_t n) {
        std::size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        if (size > slots_.size() || ++stamp_ == 0) {
            slots_.assign(std::max(size, slots_.size()), Slot{});
            stamp_ = 1;
        }
        mask_ = slots_.size() - 1;
    }

    // How often the stroke a-b (a < b) was seen before; counts this one.
    std::uint32_t Count(std::int64_t a, std::int64_t b) {
        auto h = static_cast<std::uint64_t>(a) * 0x9E3779B97F4A7C15ull ^
                 (static_cast<std::uint64_t>(b) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
        h ^= h >> 29;
        for (std::size_t i = static_cast<std::size_t>(h) & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.Stamp != stamp_) {
                slot = {a, b, 1, stamp_};
                return 0;
            }
            if (slot.A == a && slot.B == b)
                return slot.Seen++;
        }
    }

  private:
    struct Slot {
        std::int64_t A = 0, B = 0;
        std::uint32_t Seen = 0;
        std::uint32_t Stamp = 0; // 0: never used
    };
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::uint32_t stamp_ = 0;
};
} // namespace

// Pass i removes the first later stroke equal to stroke i, so within each group of equal
// strokes, taken in list order, the first survives and removes the second, the third
// removes the fourth, and so on. Counting the group members gives that in one pass
// instead of the quadratic scan.
void TStrokeCollection::RemoveDuplicates() {
    thread_local StrokeCounts counts;
    counts.Begin(strokes_.size());
    std::size_t kept = 0;
    for (const TStroke& s : strokes_) {
        std::int64_t a = Pack(s.X1, s.Y1), b = Pack(s.X2, s.Y2);
        if (b < a)
            std::swap(a, b);
        if (counts.Count(a, b) % 2 == 0)
            strokes_[kept++] = s;
    }
    strokes_.resize(kept);
}

namespace {
constexpr std::size_t HeaderBytes = sizeof(TTPOLYGONHEADER);
constexpr std::size_t CurveHeadBytes = sizeof(TTPOLYCURVEHEAD);
constexpr std::size_t PointBytes = sizeof(POINTFX);

TOutlinePoint ReadPoint(const std::uint8_t* at) {
    POINTFX p;
    std::memcpy(&p, at, sizeof p);
    return {FixedToDouble(p.x), FixedToDouble(p.y)};
}

// Flattens the quadratic Bezier a-b-c into precision strokes and returns the last sample,
// which is c exactly.
TOutlinePoint QuadraticPiece(TStrokeCollection& strokes, std::int32_t k, int precision,
                             TOutlinePoint a, TOutlinePoint b, TOutlinePoint c) {
    const double h = 1.0 / precision;
    const double ax = a.x - 2 * b.x + c.x, bx = 2 * b.x - 2 * a.x;
    const double ay = a.y - 2 * b.y + c.y, by = 2 * b.y - 2 * a.y;
    TOutlinePoint q = a;
    // Each sample is rounded once and serves as the start of the next stroke.
    std::int32_t qx = RoundHalfEven(q.x), qy = RoundHalfEven(q.y);
    double t = h;
    // The step is accumulated, so after n steps t may lie a hair above 1; the bound
    // 1 + h/2 keeps that last sample, which is then snapped to 1 exactly.
    while (t < 1 + h / 2) {
        if (t - h / 2 > 1 - h)
            t = 1;
        const TOutlinePoint previous = q;
        q.x = a.x + (t * t * ax + t * bx);
        q.y = a.y + (t * t * ay + t * by);
        if (!(previous == q)) {
            const std::int32_t x = RoundHalfEven(q.x), y = RoundHalfEven(q.y);
            strokes.Append({k, qx, qy, x, y});
            qx = x;
            qy = y;
        }
        t += h;
    }
    return q;
}
} // namespace

void WalkNativeOutline(const std::uint8_t* data, std::size_t size, int precision,
                       TStrokeCollection& strokes) {
    if (precision < MinPrecision)
        precision = MinPrecision;
    // A glyph has a few dozen points; room for that many curve pieces saves the first
    // regrowths without reserving a large block for every glyph.
    strokes.Reserve(strokes.Strokes().size() + std::min<std::size_t>(size / PointBytes, 256) *
                                                   static_cast<std::size_t>(precision));
    std::size_t pos = 0; // start of the current contour's header
    std::size_t total = 0;
    for (std::int32_t k = 0;; ++k) {
        if (size < HeaderBytes || pos > size - HeaderBytes)
            return;
        TTPOLYGONHEADER header;
        std::memcpy(&header, data + pos, sizeof header);
        if (header.cb < HeaderBytes || header.cb > size - pos)
            return;
        const TOutlinePoint s{FixedToDouble(header.pfxStart.x), FixedToDouble(header.pfxStart.y)};
        TOutlinePoint p = s;
        const std::size_t contourBytes = header.cb - HeaderBytes;
        const std::uint8_t* record = data + pos + HeaderBytes;
        std::size_t used = 0;
        while (used < contourBytes) {
            if (contourBytes - used < CurveHeadBytes)
                return;
            TTPOLYCURVEHEAD head;
            std::memcpy(&head, record, sizeof head);
            const std::size_t recordBytes = CurveHeadBytes + PointBytes * head.cpfx;
            if (recordBytes > contourBytes - used)
                return;
            const std::uint8_t* points = record + CurveHeadBytes;
            if (head.wType == TT_PRIM_LINE) {
                for (std::size_t i = 0; i < head.cpfx; ++i) {
                    const TOutlinePoint previous = p;
                    p = ReadPoint(points + i * PointBytes);
                    if (!(previous == p))
                        strokes.AddStroke(k, previous, p);
                }
            } else if (head.wType == TT_PRIM_QSPLINE && head.cpfx >= 2) {
                TOutlinePoint a = p, c;
                for (std::size_t i = 0; i + 1 < head.cpfx; ++i) {
                    const TOutlinePoint b = ReadPoint(points + i * PointBytes);
                    const TOutlinePoint next = ReadPoint(points + (i + 1) * PointBytes);
                    if (i + 2 < head.cpfx)
                        c = {(next.x + b.x) / 2, (next.y + b.y) / 2};
                    else
                        c = next;
                    c = QuadraticPiece(strokes, k, precision, a, b, c);
                    a = c;
                }
                p = c;
            }
            used += recordBytes;
            record += recordBytes;
        }
        if (!(p == s))
            strokes.AddStroke(k, p, s);
        total += header.cb;
        if (total + HeaderBytes >= size)
            return;
        pos += header.cb;
    }
}

TTTFToVectorConverter::TTTFToVectorConverter()
    : TTTFToVectorConverter(std::make_unique<TFontSources>()) {}

TTTFToVectorConverter::TTTFToVectorConverter(std::unique_ptr<TOutlineSource> source)
    : source_(std::move(source)) {}

TTTFToVectorConverter::~TTTFToVectorConverter() = default;

void TTTFToVectorConverter::SetPrecision(std::int32_t value) {
    if (value >= MinPrecision && value <= MaxPrecision)
        precision_ = value;
}

namespace {
// Windows-1252 at 0x80..0x9F; 0 where the code page has no character.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Unicode code point the query asks for, or 0 for a code that names no character.
char32_t ToCodePoint(char32_t code, bool unicode) {
    if (unicode)
        return code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF) ? 0 : code;
    if (code >= 0x80 && code <= 0x9F)
        return Cp1252High[code - 0x80];
    return code > 0x10FFFF ? 0 : code;
}
} // namespace

bool TTTFToVectorConverter::Query(char32_t code, bool withOutline, TNativeGlyph& glyph) {
    const char32_t cp = ToCodePoint(code, unicode_);
    if (cp == 0)
        return false;
    return source_->GetGlyphOutline(font_, cp, withOutline, glyph);
}

std::unique_ptr<TStrokeCollection> TTTFToVectorConverter::ConvertChar(char32_t code) {
    if (!Query(code, true, glyph_))
        return nullptr;
    return WalkGlyph();
}

std::unique_ptr<TStrokeCollection> TTTFToVectorConverter::ConvertGlyph(std::uint32_t index) {
    if (!source_->GetGlyphOutlineByIndex(font_, index, true, glyph_))
        return nullptr;
    return WalkGlyph();
}

std::optional<std::vector<TShapedGlyph>> TTTFToVectorConverter::Shape(const std::u32string& text) {
    std::u32string points;
    points.reserve(text.size());
    // A code that names no character is drawn as nothing, as ConvertChar draws it: a space
    // keeps its place in the text, so the clusters still index it.
    for (char32_t c : text) {
        const char32_t cp = ToCodePoint(c, unicode_);
        points.push_back(cp == 0 ? U' ' : cp);
    }
    std::vector<TShapedGlyph> glyphs;
    if (!source_->Shape(font_, points, glyphs))
        return std::nullopt;
    return glyphs;
}

std::unique_ptr<TStrokeCollection> TTTFToVectorConverter::WalkGlyph() {
    const auto& buffer = glyph_.Outline;
    if (buffer.size() < HeaderBytes)
        return nullptr;
    TTPOLYGONHEADER first;
    std::memcpy(&first, buffer.data(), sizeof first);
    if (first.dwType != TT_POLYGON_TYPE)
        return nullptr;
    auto strokes = std::make_unique<TStrokeCollection>();
    offset_ = glyph_.Metrics.gmCellIncX;
    WalkNativeOutline(buffer.data(), buffer.size(), precision_, *strokes);
    return strokes;
}

std::int32_t TTTFToVectorConverter::GetCharAdvance(char32_t code) {
    return OutlineAdvance(code).value_or(0);
}

std::optional<std::int32_t> TTTFToVectorConverter::OutlineAdvance(char32_t code) {
    TNativeGlyph glyph;
    if (!Query(code, false, glyph))
        return std::nullopt;
    return glyph.Metrics.gmCellIncX;
}

bool TTTFToVectorConverter::HasGlyph(char32_t code) {
    const char32_t cp = ToCodePoint(code, unicode_);
    return cp == 0 || source_->HasGlyph(font_, cp);
}

} // namespace orlenta
