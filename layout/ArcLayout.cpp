// Arc text layout; see ArcLayout.h.
#include "layout/ArcLayout.h"

#include "kernel/ContourBuilder.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {
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

TArcFit LayoutArc(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                  double CY, TAlignment alignment, std::uint8_t orientation) {
    if (text.empty())
        return TArcFit::Fits;
    // Widths are asked once per character; the converter answers the same each time.
    const double wH = converter.GetCharAdvance(LetterH) / double(OutlineFontPoints) * H / 2;
    std::vector<double> w(text.size());
    for (std::size_t j = 0; j < text.size(); ++j) {
        w[j] = converter.GetCharAdvance(text[j]) * H / OutlineFontPoints;
        if (w[j] == 0)
            w[j] = wH;
    }

    // The angle the layout turns from character j to the next: from centre to centre, and
    // past the last one to its end. The alignment measures the text by the same steps, so
    // that Cent centres it on A and Right ends it there.
    auto step = [&](std::size_t j) {
        const double wn = j + 1 < text.size() ? w[j + 1] : 0;
        return ArcSin((w[j] / 2 + wn / 2) / R);
    };
    for (double wc : w) {
        if (wc / R > 1)
            return TArcFit::RadiusTooSmall;
        if (!(wc / R >= -1)) // a negative radius or height
            throw EInvalidOp();
    }
    // From the start of the first character to the end of the last.
    const double h0 = ArcSin(w[0] / 2 / R);
    double total = h0;
    for (std::size_t j = 0; j < text.size(); ++j)
        total += step(j);

    if (alignment == TAlignment::Cent)
        A = h0 + (A - total / 2);
    else if (alignment == TAlignment::Right)
        A = h0 + (A - total);

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
        T += step(j);
        CharToSegments(text[j], segments, converter);
        if (segments.empty())
            continue;
        ScaleSegments(segments, H / OutlineFontPoints);
        RotateSegments(segments, -theta);
        TranslateSegments(segments, px, py);
        CheckSegmentsFinite(segments);
        NormaliseLineDirection(segments);
        SortSegmentsByMinX(segments, 0, static_cast<std::int64_t>(segments.size()) - 1);
        BuildContours(segments, local, orientation, 0);
        AppendContours(std::move(local), contours);
    }
    return TArcFit::Fits;
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
