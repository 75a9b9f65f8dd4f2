// What the preview draws around the toolpaths when asked: a marker on the work origin and
// the dashed box of everything cut with its size written beside it, in a light colour
// under the toolpaths. The digits come from a small built-in pixel font, so the picture is
// the same on every machine.
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/MachineSettings.h"
#include "kernel/QuorvelTypes.h"
#include "preview/PantoGraph.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace orlenta {

inline constexpr std::uint32_t OverlayColor = 0xB4B4B4;     // light grey, 0x00BBGGRR
inline constexpr std::uint32_t OverlayPattern = 0xF0F0F0F0; // the box: 4 on, 4 off

// The box of everything the tool cuts, in work units.
struct TExtent {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
    bool operator==(const TExtent&) const = default;
};

// Running bounds of the points a cut passes through, the rule the statistics' box follows:
// the start of every toolpath that cuts, the end of each line, the box of each arc.
struct TCutBounds {
    double MinX = std::numeric_limits<double>::infinity();
    double MinY = std::numeric_limits<double>::infinity();
    double MaxX = -std::numeric_limits<double>::infinity();
    double MaxY = -std::numeric_limits<double>::infinity();

    void Grow(double x, double y) {
        MinX = std::min(MinX, x);
        MinY = std::min(MinY, y);
        MaxX = std::max(MaxX, x);
        MaxY = std::max(MaxY, y);
    }
    void GrowBySegment(const TMyEntity& e) {
        if (e.Radius == 0)
            Grow(e.X2, e.Y2);
        else {
            Grow(e.MinX, e.MinY);
            Grow(e.MaxX, e.MaxY);
        }
    }
    // Nothing before the first point.
    std::optional<TExtent> Extent() const {
        if (!(MinX <= MaxX && MinY <= MaxY))
            return std::nullopt;
        return TExtent{MinX, MinY, MaxX, MaxY};
    }
};

// The box the statistics report (every toolpath's start, the ends of its lines, the boxes
// of its arcs; element 0 never counts), grown by the points of the V-carve paths. Nothing
// when nothing cuts.
std::optional<TExtent> CutExtent(const TOutRegionArray& toolpaths, const TCarvePathArray& carve);

// Decimals a size is shown with: inches need one more for the same resolution.
constexpr int SizeDecimals(TUnits units) {
    return units == TUnits::Inch ? 3 : 2;
}

// "52.30 × 10.00 mm" (UTF-8): the width and height of box in units.
std::string ExtentLabel(const TExtent& box, TUnits units);

// The width in pixels ExtentLabel's text takes at scale (pixels per font pixel).
std::int32_t LabelWidth(const std::string& label, std::int32_t scale);

// Draws the origin marker (a cross whose arms are 8 * scale pixels), box dashed at z = 0
// and label above its top-left corner (below the box when there is no room above), all in
// color. Leaves the surface's pen colour and pattern changed.
void DrawOriginAndExtent(TPantoGraph& graph, const TExtent& box, const std::string& label,
                         std::uint32_t color, std::int32_t scale);

} // namespace orlenta
