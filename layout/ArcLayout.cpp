// Arc text layout; see ArcLayout.h.
#include "layout/ArcLayout.h"

#include "layout/StrokeLayout.h"

#include "kernel/ContourBuilder.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

namespace orlenta {

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
// y -> 2 cy - y of every segment. An arc's angles a become -a, which also turns it the
// other way round, so its Radius changes sign.
void FlipSegmentsY(TMyEntityArray& segments, double cy) {
    for (TMyEntity& e : segments) {
        e.Y1 = 2 * cy - e.Y1;
        if (e.Radius == 0) {
            e.Y2 = 2 * cy - e.Y2;
        } else {
            e.X2 = e.X2 == 0 ? 0 : TwoPi - e.X2;
            e.Y2 = e.Y2 == 0 ? 0 : TwoPi - e.Y2;
            e.Radius = -e.Radius;
        }
        SegmentBounds(e);
    }
}

// Moves a unit's segments from outline units, its pen at (0, 0), onto the circle.
using TArcPlace = std::function<void(TMyEntityArray&)>;

// The arc rule on units (characters, or clusters of shaped text): unit j is w[j] wide with
// gap[j] after it, drawing units, and draw(j, place) appends its contours, each segment
// moved by place, which also scales by the height H. See LayoutArc.
TArcFit LayoutArcUnits(const std::vector<double>& w, const std::vector<double>& gap,
                       TRegionArrayX& contours, double H, double A, double R, double CX, double CY,
                       TAlignment alignment, TArcReading reading,
                       const std::function<void(std::size_t, const TArcPlace&)>& draw) {
    const std::size_t n = w.size();
    if (n == 0)
        return TArcFit::Fits;
    // At the bottom: the text is laid out as on top with each glyph upside down, then the
    // whole reflected about the centre's horizontal line, which turns it upright again and
    // makes it read left to right, tops towards the centre.
    const bool bottom = reading == TArcReading::Bottom;
    const std::size_t first = contours.size();

    // The angle the layout turns from unit j to the next: from centre to centre, and past
    // the last one to its end. The alignment measures the text by the same steps, so that
    // Cent centres it on A and Right ends it there.
    auto step = [&](std::size_t j) {
        const double wn = j + 1 < n ? w[j + 1] : 0;
        return ArcSin((w[j] / 2 + gap[j] + wn / 2) / R);
    };
    for (double wc : w) {
        if (wc / R > 1)
            return TArcFit::RadiusTooSmall;
        if (!(wc / R >= -1)) // a negative radius or height
            throw EInvalidOp();
    }
    // From the start of the first unit to the end of the last.
    const double h0 = ArcSin(w[0] / 2 / R);
    double total = h0;
    for (std::size_t j = 0; j < n; ++j)
        total += step(j);

    if (alignment == TAlignment::Cent)
        A = h0 + (A - total / 2);
    else if (alignment == TAlignment::Right)
        A = h0 + (A - total);

    double T = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const double h = ArcSin(w[j] / 2 / R);
        const double theta = T + A;
        const double phi = theta - std::numbers::pi / 2;
        const double px = std::cos(phi - h) * R + CX;
        const double py = -std::sin(phi - h) * R + CY;
        T += step(j);
        draw(j, [&](TMyEntityArray& e) {
            if (bottom)
                FlipSegmentsY(e, 0);
            ScaleSegments(e, H / OutlineFontPoints);
            RotateSegments(e, -theta);
            TranslateSegments(e, px, py);
        });
    }
    if (bottom)
        for (std::size_t i = first; i < contours.size(); ++i) {
            TVKRegionX& c = contours[i];
            if (c.Entities.empty())
                continue;
            FlipSegmentsY(c.Entities, CY);
            // Reflected, a closed contour runs the other way: back to the orientation asked for.
            if (c.IsOpen == 0) {
                std::reverse(c.Entities.begin(), c.Entities.end());
                for (TMyEntity& e : c.Entities)
                    ReverseSegment(e);
            }
            const double minY = c.MinY;
            c.MinY = 2 * CY - c.MaxY;
            c.MaxY = 2 * CY - minY;
            CheckSegmentsFinite(c.Entities);
        }
    return TArcFit::Fits;
}
} // namespace

TArcFit LayoutArc(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                  double CY, TAlignment alignment, std::uint8_t orientation,
                  const TSpacing& spacing, TArcReading reading) {
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
    // The spacing after each character, drawing units; all 0 without spacing.
    std::vector<double> gap(text.size());
    for (std::size_t j = 0; j < text.size(); ++j)
        gap[j] = (spacing.Char + (text[j] == U' ' ? spacing.Word : 0)) * H;

    TMyEntityArray segments;
    TRegionArrayX local;
    return LayoutArcUnits(w, gap, contours, H, A, R, CX, CY, alignment, reading,
                          [&](std::size_t j, const TArcPlace& place) {
                              segments.clear();
                              if (PlaceOpenStrokes(text[j], converter, contours, place))
                                  return;
                              CharToSegments(text[j], segments, converter);
                              if (segments.empty())
                                  return;
                              place(segments);
                              CheckSegmentsFinite(segments);
                              NormaliseLineDirection(segments);
                              SortSegmentsByMinX(segments, 0,
                                                 static_cast<std::int64_t>(segments.size()) - 1);
                              BuildContours(segments, local, orientation, 0);
                              AppendContours(std::move(local), contours);
                          });
}

TArcFit LayoutShapedArc(const TShapedLine& line, TRegionArrayX& contours,
                        TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                        double CY, TAlignment alignment, std::uint8_t orientation,
                        TArcReading reading) {
    std::vector<double> w(line.size()), gap(line.size());
    for (std::size_t j = 0; j < line.size(); ++j) {
        w[j] = line[j].Advance * H / OutlineFontPoints;
        gap[j] = line[j].Spacing * H;
    }
    return LayoutArcUnits(w, gap, contours, H, A, R, CX, CY, alignment, reading,
                          [&](std::size_t j, const TArcPlace& place) {
                              PlaceCluster(line[j], converter, contours, orientation, place);
                          });
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

} // namespace orlenta
