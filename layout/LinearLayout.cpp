// Linear text layout and the shared segment operations; see LinearLayout.h.
#include "layout/LinearLayout.h"

#include "layout/StrokeLayout.h"

#include "kernel/ContourBuilder.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace orlenta {

namespace {

// a / b, raising EZeroDivide (EInvalidOp for 0 / 0) or EOverflow instead of giving an
// infinity or a NaN.
double Divide(double a, double b) {
    if (b == 0) {
        if (a == 0 || std::isnan(a))
            throw EInvalidOp();
        throw EZeroDivide();
    }
    const double q = a / b;
    CheckFinite(q);
    return q;
}

// The sum of the advances over OutlineFontPoints (exact in a double for any text that fits in
// memory).
double AdvanceSum(const std::vector<std::int32_t>& advances) {
    std::int64_t sum = 0;
    for (std::int32_t a : advances)
        sum += a;
    return static_cast<double>(sum) / OutlineFontPoints;
}

} // namespace

TLinearPlacement PlaceByExtent(double E1, double H, double W, double X0, double Y0,
                               TAlignment alignment) {
    const double heightField = H;
    if (H == 0)
        H = 1;
    const double E = E1 * H;
    CheckFinite(E);
    TLinearPlacement r;
    if (W != 0)
        r.S = Divide(W, E);
    else if (heightField > 0)
        r.S = heightField;
    else
        r.S = Divide(W, E);
    // The width of the text at the size S, which is exactly how far the pen goes.
    const double D = W == 0 ? E : r.S * E / H;
    switch (alignment) {
    case TAlignment::Cent:
        r.X = X0 - D / 2;
        break;
    case TAlignment::Right:
        r.X = X0 - D;
        break;
    case TAlignment::Left:
        r.X = X0;
        break;
    }
    r.Y = Y0;
    CheckFinite(r.S);
    CheckFinite(r.X);
    CheckFinite(r.Y);
    return r;
}

namespace {

// Moves contours[first..] to the origin (X, Y) and checks them finite.
void MoveToOrigin(TRegionArrayX& contours, std::size_t first, double X, double Y) {
    for (std::size_t i = first; i < contours.size(); ++i) {
        auto& c = contours[i];
        TranslateSegments(c.Entities, X, Y);
        c.MinX += X;
        c.MaxX += X;
        c.MinY += Y;
        c.MaxY += Y;
        CheckSegmentsFinite(c.Entities);
    }
}

// flush, when given, receives each character's contours as soon as they are placed, and
// they leave contours; each contour is placed on its own, so the numbers are the same.
void LayoutWithAdvances(const std::u32string& text, const std::vector<std::int32_t>& advances,
                        TRegionArrayX& contours, TTTFToVectorConverter& converter, double S,
                        double X, double Y, std::uint8_t orientation, const TSpacing& spacing,
                        const TContourFlush& flush = {}) {
    const auto flushCharacter = [&](std::size_t first) {
        if (!flush || contours.size() == first)
            return;
        MoveToOrigin(contours, first, X, Y);
        flush(contours, first);
        contours.resize(first);
    };
    TMyEntityArray segments;
    TRegionArrayX local;
    // 64 bits, so that no text length can overflow the pen position.
    std::int64_t pen = 0;
    // The spacing's share of the pen position, outline units; kept apart so that no
    // spacing leaves the whole-unit pen exactly as it was.
    double spaced = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        const double before = spaced;
        spaced += (spacing.Char + (c == U' ' ? spacing.Word : 0)) * OutlineFontPoints;
        const std::size_t first = contours.size();
        if (PlaceOpenStrokes(c, converter, contours, [&](TMyEntityArray& e) {
                TranslateSegments(e, static_cast<double>(pen) + before, 0);
                ScaleSegments(e, S / OutlineFontPoints);
            })) {
            pen += advances[i];
            flushCharacter(first);
            continue;
        }
        CharToSegments(c, segments, converter);
        if (!segments.empty()) {
            NormaliseLineDirection(segments);
            TranslateSegments(segments, static_cast<double>(pen) + before, 0);
            ScaleSegments(segments, S / OutlineFontPoints);
            CheckSegmentsFinite(segments);
            SortSegmentsByMinX(segments, 0, static_cast<std::int64_t>(segments.size()) - 1);
            BuildContours(segments, local, orientation, 0);
            AppendContours(std::move(local), contours);
        }
        pen += advances[i];
        flushCharacter(first);
    }
    if (!flush)
        MoveToOrigin(contours, 1, X, Y);
}
} // namespace

std::vector<std::int32_t> PenAdvances(const std::u32string& text,
                                      TTTFToVectorConverter& converter) {
    std::vector<std::int32_t> advances;
    advances.reserve(text.size());
    std::optional<std::int32_t> halfH; // asked once, when the first blank needs it
    for (char32_t c : text) {
        if (const auto a = converter.OutlineAdvance(c)) {
            advances.push_back(*a);
            continue;
        }
        if (!halfH)
            halfH = converter.GetCharAdvance(LetterH) / 2;
        advances.push_back(*halfH);
    }
    return advances;
}

std::u32string MissingCharacters(const std::u32string& text, TTTFToVectorConverter& converter) {
    std::u32string missing;
    for (char32_t c : text) {
        const bool control = c <= 0x20 || (c >= 0x7F && c <= 0x9F);
        if (!control && missing.find(c) == std::u32string::npos && !converter.HasGlyph(c))
            missing.push_back(c);
    }
    return missing;
}

double SpacingSum(const std::u32string& text, const TSpacing& spacing) {
    if (spacing.Char == 0 && spacing.Word == 0)
        return 0;
    double sum = 0;
    for (char32_t c : text)
        sum += spacing.Char + (c == U' ' ? spacing.Word : 0);
    CheckFinite(sum);
    return sum;
}

double TextExtent(const std::u32string& text, TTTFToVectorConverter& converter, double& H,
                  const TSpacing& spacing) {
    if (H == 0)
        H = 1;
    return (AdvanceSum(PenAdvances(text, converter)) + SpacingSum(text, spacing)) * H;
}

TLinearPlacement LinearSizeAndOrigin(const std::u32string& text, TTTFToVectorConverter& converter,
                                     double H, double W, double X0, double Y0, TAlignment alignment,
                                     const TSpacing& spacing) {
    return PlaceByExtent(AdvanceSum(PenAdvances(text, converter)) + SpacingSum(text, spacing), H, W,
                         X0, Y0, alignment);
}

void LayoutLinear(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double S, double X, double Y,
                  std::uint8_t orientation, const TSpacing& spacing) {
    LayoutWithAdvances(text, PenAdvances(text, converter), contours, converter, S, X, Y,
                       orientation, spacing);
}

TLinearPlacement LayoutLinearText(const std::u32string& text, TRegionArrayX& contours,
                                  TTTFToVectorConverter& converter, double H, double W, double X0,
                                  double Y0, TAlignment alignment, std::uint8_t orientation,
                                  const TSpacing& spacing) {
    // One set of advances for the placement and the layout.
    const auto advances = PenAdvances(text, converter);
    const TLinearPlacement p =
        PlaceByExtent(AdvanceSum(advances) + SpacingSum(text, spacing), H, W, X0, Y0, alignment);
    LayoutWithAdvances(text, advances, contours, converter, p.S, p.X, p.Y, orientation, spacing);
    return p;
}

TLinearPlacement LayoutLinearTextFlushed(const std::u32string& text,
                                         TTTFToVectorConverter& converter, double H, double W,
                                         double X0, double Y0, TAlignment alignment,
                                         std::uint8_t orientation, const TSpacing& spacing,
                                         const TContourFlush& flush) {
    const auto advances = PenAdvances(text, converter);
    const TLinearPlacement p =
        PlaceByExtent(AdvanceSum(advances) + SpacingSum(text, spacing), H, W, X0, Y0, alignment);
    TRegionArrayX contours(1);
    LayoutWithAdvances(text, advances, contours, converter, p.S, p.X, p.Y, orientation, spacing,
                       flush);
    return p;
}

namespace {

// Rounding to whole outline units leaves two kinds of debris where samples lie less than
// a unit apart (common at high precision): strokes whose ends round to the same point,
// and a curve's tip that rounds back over itself (A-B followed by B-A). The duplicate
// removal would drop only the B-A of the latter and leave A-B as a spur. Either would end
// up as a contour of its own, and each such contour as a toolpath with a plunge of its
// own, so both are dropped before the duplicates are looked for; the outline stays closed.
// A contour is a cycle: its last stroke is followed by its first, so a pair can also
// stand across that seam.
void StrokesToSegments(std::unique_ptr<TStrokeCollection> strokes, TMyEntityArray& segments) {
    if (!strokes)
        return;
    const auto reverses = [](const TStroke& a, const TStroke& b) {
        return a.X1 == b.X2 && a.Y1 == b.Y2 && a.X2 == b.X1 && a.Y2 == b.Y1;
    };
    TStrokeCollection kept;
    std::vector<TStroke> stack;
    stack.reserve(strokes->Strokes().size());
    // The stack holds the strokes of one contour. When it ends: the pairs across its
    // seam go, the rest is kept.
    const auto closeContour = [&] {
        std::size_t from = 0;
        while (stack.size() - from >= 2 && reverses(stack[from], stack.back())) {
            ++from;
            stack.pop_back();
        }
        for (std::size_t i = from; i < stack.size(); ++i)
            kept.Append(stack[i]);
        stack.clear();
    };
    for (const TStroke& s : strokes->Strokes()) {
        if (s.X1 == s.X2 && s.Y1 == s.Y2)
            continue;
        if (!stack.empty() && stack.back().Contour != s.Contour)
            closeContour();
        if (!stack.empty() && reverses(stack.back(), s)) {
            stack.pop_back();
            continue;
        }
        stack.push_back(s);
    }
    closeContour();
    kept.RemoveDuplicates();
    segments.clear();
    segments.reserve(kept.Strokes().size());
    for (const TStroke& s : kept.Strokes())
        segments.push_back(MakeLine(s.X1, s.Y1, s.X2, s.Y2));
}
} // namespace

void CharToSegments(char32_t code, TMyEntityArray& segments, TTTFToVectorConverter& converter) {
    StrokesToSegments(converter.ConvertChar(code), segments);
}

void GlyphToSegments(std::uint32_t index, TMyEntityArray& segments,
                     TTTFToVectorConverter& converter) {
    StrokesToSegments(converter.ConvertGlyph(index), segments);
}

void NormaliseLineDirection(TMyEntityArray& segments) {
    for (auto& e : segments)
        if (e.Radius == 0 && e.X1 > e.X2)
            ReverseSegment(e);
}

void TranslateSegments(TMyEntityArray& segments, double DX, double DY) {
    for (auto& e : segments) {
        // A line's X1, Y1 is its start and an arc's its centre; both move.
        e.X1 += DX;
        e.Y1 += DY;
        if (e.Radius == 0) {
            e.X2 += DX;
            e.Y2 += DY;
        }
        e.MinX += DX;
        e.MaxX += DX;
        e.MinY += DY;
        e.MaxY += DY;
    }
}

void ScaleSegments(TMyEntityArray& segments, double F) {
    if (F <= 0 || F == 1)
        return;
    for (auto& e : segments) {
        e.X1 *= F;
        e.Y1 *= F;
        if (e.Radius == 0) {
            e.X2 *= F;
            e.Y2 *= F;
        } else {
            e.Radius *= F;
        }
        SegmentBounds(e);
    }
}

void SortSegmentsByMinX(TMyEntityArray& segments, std::int64_t lo, std::int64_t hi) {
    SortByMinX(segments, lo, hi);
}

void CheckSegmentsFinite(const TMyEntityArray& segments) {
    for (const auto& e : segments) {
        CheckFinite(e.X1);
        CheckFinite(e.Y1);
        CheckFinite(e.X2);
        CheckFinite(e.Y2);
        CheckFinite(e.Radius);
    }
}

void AppendContours(const TRegionArrayX& source, TRegionArrayX& destination) {
    destination.insert(destination.end(), source.begin(), source.end());
}

void AppendContours(TRegionArrayX&& source, TRegionArrayX& destination) {
    destination.insert(destination.end(), std::make_move_iterator(source.begin()),
                       std::make_move_iterator(source.end()));
    source.clear();
}

TViewBox ContourExtents(const TRegionArrayX& contours) {
    TViewBox box;
    if (contours.empty())
        return box;
    box.MinX = contours[0].MinX;
    box.MaxX = contours[0].MaxX;
    box.MinY = contours[0].MinY;
    box.MaxY = contours[0].MaxY;
    for (std::size_t i = 1; i < contours.size(); ++i)
        GrowBox(box, contours[i]);
    box.Width = box.MaxX - box.MinX;
    box.Height = box.MaxY - box.MinY;
    return box;
}

} // namespace orlenta
