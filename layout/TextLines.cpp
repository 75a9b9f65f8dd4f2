// Several lines, spacing and mirror; see TextLines.h.
#include "layout/TextLines.h"

#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

namespace orlenta {

std::vector<std::u32string> SplitLines(const std::u32string& text) {
    std::vector<std::u32string> lines(1);
    for (char32_t c : text) {
        if (c == U'\n') {
            if (!lines.back().empty() && lines.back().back() == U'\r')
                lines.back().pop_back();
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

namespace {
// Each line shaped when the style asks for it and the font can be; nothing for the others.
std::vector<std::optional<TShapedLine>> ShapeLines(const std::vector<std::u32string>& lines,
                                                   TTTFToVectorConverter& converter,
                                                   const TTextStyle& style) {
    std::vector<std::optional<TShapedLine>> shaped(lines.size());
    if (style.Shape)
        for (std::size_t k = 0; k < lines.size(); ++k)
            shaped[k] = ShapeLine(lines[k], converter, style.Spacing);
    return shaped;
}
} // namespace

TLinearPlacement LayoutLinearLines(const std::u32string& text, TRegionArrayX& contours,
                                   TTTFToVectorConverter& converter, double H, double W, double X0,
                                   double Y0, TAlignment alignment, std::uint8_t orientation,
                                   const TTextStyle& style) {
    const std::size_t first = contours.size();
    const std::vector<std::u32string> lines = SplitLines(text);
    const auto shaped = ShapeLines(lines, converter, style);
    TLinearPlacement placement;
    if (lines.size() == 1) {
        if (shaped[0])
            placement = LayoutShapedLinearText(*shaped[0], contours, converter, H, W, X0, Y0,
                                               alignment, orientation);
        else
            placement = LayoutLinearText(text, contours, converter, H, W, X0, Y0, alignment,
                                         orientation, style.Spacing);
    } else {
        // The widest line decides the size; the others are laid out at that height.
        std::size_t widest = 0;
        double widestExtent = -1;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            double h = 1;
            const double e = shaped[k] ? ShapedExtent(*shaped[k])
                                       : TextExtent(lines[k], converter, h, style.Spacing);
            if (e > widestExtent) {
                widestExtent = e;
                widest = k;
            }
        }
        const double S =
            shaped[widest] ? PlaceByExtent(ShapedExtent(*shaped[widest]), H, W, X0, Y0, alignment).S
                           : LinearSizeAndOrigin(lines[widest], converter, H, W, X0, Y0, alignment,
                                                 style.Spacing)
                                 .S;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const double y = Y0 - static_cast<double>(k) * style.LineSpacing * S;
            TRegionArrayX line(1);
            const TLinearPlacement p =
                shaped[k] ? LayoutShapedLinearText(*shaped[k], line, converter, S, 0, X0, y,
                                                   alignment, orientation)
                          : LayoutLinearText(lines[k], line, converter, S, 0, X0, y, alignment,
                                             orientation, style.Spacing);
            if (k == 0)
                placement = p;
            // Element 0 of each line is its placeholder; the caller's stays the only one.
            line.erase(line.begin());
            AppendContours(std::move(line), contours);
        }
    }
    if (style.Rotation != 0)
        RotateContours(contours, first, style.Rotation * std::numbers::pi / 180, X0, Y0);
    if (style.Mirror)
        MirrorContours(contours, first);
    return placement;
}

TArcFit LayoutArcLines(const std::u32string& text, TRegionArrayX& contours,
                       TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                       double CY, TAlignment alignment, std::uint8_t orientation,
                       const TTextStyle& style) {
    const std::size_t first = contours.size();
    const std::vector<std::u32string> lines = SplitLines(text);
    const auto shaped = ShapeLines(lines, converter, style);
    TArcFit fit = TArcFit::Fits;
    for (std::size_t k = 0; k < lines.size() && fit == TArcFit::Fits; ++k) {
        // A further line reads below the previous: inside it at the top, outside at the bottom.
        const double towardsCentre = style.ArcReading == TArcReading::Bottom ? -1 : 1;
        const double r = R - towardsCentre * static_cast<double>(k) * style.LineSpacing * H;
        // Inside the previous circle means towards the centre, whichever the radius's sign.
        if (k > 0 && !(r * R > 0))
            fit = TArcFit::RadiusTooSmall;
        else if (shaped[k])
            fit = LayoutShapedArc(*shaped[k], contours, converter, H, A, r, CX, CY, alignment,
                                  orientation, style.ArcReading);
        else
            fit = LayoutArc(lines[k], contours, converter, H, A, r, CX, CY, alignment, orientation,
                            style.Spacing, style.ArcReading);
    }
    if (style.Mirror)
        MirrorContours(contours, first);
    return fit;
}

namespace {
// x -> -x of one segment. An arc's angles a become pi - a, which also turns it the other
// way round, so its Radius changes sign.
void MirrorSegment(TMyEntity& e) {
    e.X1 = -e.X1;
    if (e.Radius == 0) {
        e.X2 = -e.X2;
    } else {
        auto flip = [](double a) {
            double m = std::numbers::pi - a;
            return m < 0 ? m + 2 * std::numbers::pi : m;
        };
        e.X2 = flip(e.X2);
        e.Y2 = flip(e.Y2);
        e.Radius = -e.Radius;
    }
    SegmentBounds(e);
}
} // namespace

void MirrorContours(TRegionArrayX& contours, std::size_t first) {
    for (std::size_t i = std::max<std::size_t>(first, 1); i < contours.size(); ++i) {
        TVKRegionX& c = contours[i];
        for (TMyEntity& e : c.Entities)
            MirrorSegment(e);
        if (c.IsOpen == 0) {
            std::reverse(c.Entities.begin(), c.Entities.end());
            for (TMyEntity& e : c.Entities)
                ReverseSegment(e);
        }
        const double minX = c.MinX;
        c.MinX = -c.MaxX;
        c.MaxX = -minX;
    }
}

void RotateContours(TRegionArrayX& contours, std::size_t first, double a, double X0, double Y0) {
    if (!std::isfinite(a))
        throw EInvalidOp();
    for (std::size_t i = std::max<std::size_t>(first, 1); i < contours.size(); ++i) {
        TVKRegionX& c = contours[i];
        TranslateSegments(c.Entities, -X0, -Y0);
        RotateSegments(c.Entities, a);
        TranslateSegments(c.Entities, X0, Y0);
        CheckSegmentsFinite(c.Entities);
        if (c.Entities.empty())
            continue;
        c.MinX = c.MinY = std::numeric_limits<double>::infinity();
        c.MaxX = c.MaxY = -std::numeric_limits<double>::infinity();
        for (const TMyEntity& e : c.Entities) {
            c.MinX = std::min(c.MinX, e.MinX);
            c.MaxX = std::max(c.MaxX, e.MaxX);
            c.MinY = std::min(c.MinY, e.MinY);
            c.MaxY = std::max(c.MaxY, e.MaxY);
        }
    }
}

} // namespace orlenta
