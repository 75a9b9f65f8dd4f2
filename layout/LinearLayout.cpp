// Linear text layout and the shared segment operations; see LinearLayout.h.
#include "layout/LinearLayout.h"

#include "layout/StrokeLayout.h"

#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

namespace {
// The estimate's width of a space, as a fraction of the height.
constexpr double SpaceWidth = 0.29296875;
constexpr char32_t LetterH = 72;

// a / b with the platform's floating-point errors instead of an infinity or a NaN.
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
} // namespace

double TextExtent(const std::u32string& text, TTTFToVectorConverter& converter, double& H,
                  const TSpacing& spacing) {
    if (H == 0)
        H = 1;
    double e1 = 0;
    for (char32_t c : text)
        e1 += (c == 32 ? SpaceWidth + spacing.Word : converter.GetCharAdvance(c) / 1024.0) +
              spacing.Char;
    return e1 * H;
}

TLinearPlacement LinearSizeAndOrigin(const std::u32string& text, TTTFToVectorConverter& converter,
                                     double H, double W, double X0, double Y0, int alignment,
                                     const TSpacing& spacing) {
    const double heightField = H;
    const double E = TextExtent(text, converter, H, spacing);
    CheckFinite(E);
    TLinearPlacement r;
    if (W != 0)
        r.S = Divide(W, E);
    else if (heightField > 0)
        r.S = heightField;
    else
        r.S = Divide(W, E);
    const double D = W == 0 ? E : r.S * E / H;
    switch (alignment) {
    case AlignCent:
        r.X = X0 - D / 2;
        break;
    case AlignRight:
        r.X = X0 - D;
        break;
    default:
        r.X = X0;
        break;
    }
    r.Y = Y0;
    CheckFinite(r.S);
    CheckFinite(r.X);
    CheckFinite(r.Y);
    return r;
}

void LayoutLinear(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double S, double X, double Y,
                  std::uint8_t orientation, const TSpacing& spacing) {
    TMyEntityArray segments;
    TRegionArrayX local;
    // 64 bits, so that no text length can overflow the pen position.
    std::int64_t pen = 0;
    // The spacing's share of the pen position, outline units (1024 to the height); kept
    // apart so that no spacing leaves the whole-unit pen exactly as it was.
    double spaced = 0;
    for (char32_t c : text) {
        const double before = spaced;
        spaced += (spacing.Char + (c == 32 ? spacing.Word : 0)) * 1024;
        if (PlaceOpenStrokes(c, converter, contours, [&](TMyEntityArray& e) {
                TranslateSegments(e, static_cast<double>(pen) + before, 0);
                ScaleSegments(e, S / 1024);
            })) {
            pen += converter.Offset();
            continue;
        }
        CharToSegments(c, segments, converter);
        if (segments.empty()) {
            pen += converter.GetCharAdvance(LetterH) / 2;
            continue;
        }
        NormaliseLineDirection(segments);
        TranslateSegments(segments, static_cast<double>(pen) + before, 0);
        ScaleSegments(segments, S / 1024);
        CheckSegmentsFinite(segments);
        SortSegmentsByMinX(segments, 0, static_cast<std::int64_t>(segments.size()) - 1);
        BuildContours(segments, local, orientation, 0);
        AppendContours(std::move(local), contours);
        pen += converter.Offset();
    }
    for (std::size_t i = 1; i < contours.size(); ++i) {
        auto& c = contours[i];
        TranslateSegments(c.Entities, X, Y);
        c.MinX += X;
        c.MaxX += X;
        c.MinY += Y;
        c.MaxY += Y;
        CheckSegmentsFinite(c.Entities);
    }
}

TLinearPlacement LayoutLinearText(const std::u32string& text, TRegionArrayX& contours,
                                  TTTFToVectorConverter& converter, double H, double W, double X0,
                                  double Y0, int alignment, std::uint8_t orientation,
                                  const TSpacing& spacing) {
    const TLinearPlacement p =
        LinearSizeAndOrigin(text, converter, H, W, X0, Y0, alignment, spacing);
    LayoutLinear(text, contours, converter, p.S, p.X, p.Y, orientation, spacing);
    return p;
}

// Rounding to whole outline units leaves two kinds of debris where samples lie less than
// a unit apart (common at high precision): strokes whose ends round to the same point,
// and a curve's tip that rounds back over itself (A-B followed by B-A). The duplicate
// removal would drop only the B-A of the latter and leave A-B as a spur. Either would end
// up as a contour of its own, and each such contour as a toolpath with a plunge of its
// own, so both are dropped before the duplicates are looked for; the outline stays closed.
void CharToSegments(char32_t code, TMyEntityArray& segments, TTTFToVectorConverter& converter) {
    auto strokes = converter.ConvertChar(code);
    if (!strokes)
        return;
    TStrokeCollection kept;
    std::vector<TStroke> stack;
    stack.reserve(strokes->Strokes().size());
    for (const TStroke& s : strokes->Strokes()) {
        if (s.X1 == s.X2 && s.Y1 == s.Y2)
            continue;
        if (!stack.empty()) {
            const TStroke& top = stack.back();
            if (top.Contour == s.Contour && top.X1 == s.X2 && top.Y1 == s.Y2 && top.X2 == s.X1 &&
                top.Y2 == s.Y1) {
                stack.pop_back();
                continue;
            }
        }
        stack.push_back(s);
    }
    for (const TStroke& s : stack)
        kept.Append(s);
    kept.RemoveDuplicates();
    segments.clear();
    segments.reserve(kept.Strokes().size());
    for (const TStroke& s : kept.Strokes())
        segments.push_back(MakeLine(s.X1, s.Y1, s.X2, s.Y2));
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
    // Recursing into the smaller part and looping on the larger keeps the stack shallow;
    // the two parts are disjoint, so the order of sorting them changes nothing.
    while (!(lo + hi < 1 || lo > hi)) {
        const double pivot = segments[static_cast<std::size_t>((lo + hi) / 2)].MinX;
        std::int64_t i = lo, j = hi;
        do {
            while (segments[static_cast<std::size_t>(i)].MinX < pivot)
                ++i;
            while (pivot < segments[static_cast<std::size_t>(j)].MinX)
                --j;
            if (i <= j) {
                std::swap(segments[static_cast<std::size_t>(i)],
                          segments[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j)
                SortSegmentsByMinX(segments, lo, j);
            if (!(i < hi))
                return;
            lo = i;
        } else {
            if (i < hi)
                SortSegmentsByMinX(segments, i, hi);
            if (!(lo < j))
                return;
            hi = j;
        }
    }
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
