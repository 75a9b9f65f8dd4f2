// Arc text layout; see ArcLayout.h.
#include "layout/ArcLayout.h"

#include "layout/StrokeLayout.h"

#include "kernel/Errors.h"
#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {
constexpr char32_t LetterH = 72;
constexpr double TwoPi = 2 * std::numbers::pi;

// arcsin, raising for arguments outside [-1, 1] (a negative radius or height can give
// them) instead of returning a NaN.
double ArcSin(double v) {
    if (!(v >= -1 && v <= 1))
        throw EInvalidOp();
    return std::asin(v);
}

double NormaliseOnce(double angle) {
    if (angle > TwoPi)
        return angle - TwoPi;
    if (angle < 0)
        return angle + TwoPi;
    return angle;
}
} // namespace

void LayoutArc(const std::u32string& text, TRegionArrayX& contours,
               TTTFToVectorConverter& converter, double H, double A, double R, double CX, double CY,
               int alignment, std::uint8_t orientation, const TSpacing& spacing) {
    if (text.empty())
        return;
    // Widths are asked once per character; the converter answers the same each time.
    const double wH = converter.GetCharAdvance(LetterH) / 1024.0 * H / 2;
    std::vector<double> w(text.size());
    for (std::size_t j = 0; j < text.size(); ++j) {
        w[j] = converter.GetCharAdvance(text[j]) * H / 1024;
        if (w[j] == 0)
            w[j] = wH;
        // The spacing widens the character's share of the arc after the character.
        w[j] += (spacing.Char + (text[j] == 32 ? spacing.Word : 0)) * H;
    }

    double total = 0;
    for (double wc : w) {
        if (wc / R > 1) {
            ShowMessage("Radius is too small");
            return;
        }
        total += ArcSin(wc / R);
    }

    const double w0 = w[0];
    if (alignment == AlignCent)
        A = ArcSin(w0 / 2 / R) + (A - total / 2);
    else if (alignment == AlignRight)
        A = ArcSin(w0 / 2 / R) + (A - total);

    TMyEntityArray segments;
    TRegionArrayX local;
    double T = 0;
    for (std::size_t j = 0; j < text.size(); ++j) {
        segments.clear();
        const double h = ArcSin(w[j] / 2 / R);
        const double theta = T + A;
        const double phi = theta - std::numbers::pi / 2;
        const double px = std::cos(phi - h) * R + CX;
        const double py = -std::sin(phi - h) * R + CY;
        const double wn = j + 1 < text.size() ? w[j + 1] : 0;
        T += ArcSin((w[j] / 2 + wn / 2) / R);
        if (PlaceOpenStrokes(text[j], converter, contours, [&](TMyEntityArray& e) {
                ScaleSegments(e, H / 1024);
                RotateSegments(e, -theta);
                TranslateSegments(e, px, py);
            }))
            continue;
        CharToSegments(text[j], segments, converter);
        if (segments.empty())
            continue;
        ScaleSegments(segments, H / 1024);
        RotateSegments(segments, -theta);
        TranslateSegments(segments, px, py);
        CheckSegmentsFinite(segments);
        NormaliseLineDirection(segments);
        SortSegmentsByMinX(segments, 0, static_cast<std::int64_t>(segments.size()) - 1);
        BuildContours(segments, local, orientation, 0);
        AppendContours(std::move(local), contours);
    }
}

void RotateSegments(TMyEntityArray& segments, double a) {
    if (a == 0)
        return;
    const double c = std::cos(a), s = std::sin(a);
    for (auto& e : segments) {
        const double x1 = e.X1, y1 = e.Y1;
        e.X1 = x1 * c - y1 * s;
        e.Y1 = y1 * c + x1 * s;
        if (e.Radius == 0) {
            const double x2 = e.X2, y2 = e.Y2;
            e.X2 = x2 * c - y2 * s;
            e.Y2 = y2 * c + x2 * s;
        } else {
            e.X2 = NormaliseOnce(e.X2 + a);
            e.Y2 = NormaliseOnce(e.Y2 + a);
        }
        SegmentBounds(e);
    }
}
