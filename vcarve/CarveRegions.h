// Glyph regions for V-carving: the closed contours of a text turned into clean regions
// (an outer boundary minus its holes) on an integer grid, ready for the medial axis.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <cstdint>
#include <vector>

namespace orlenta {

struct TGridPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const TGridPoint&) const = default;
};
using TGridRing = std::vector<TGridPoint>; // closed implicitly: the last point joins the first

// One region: Rings[0] is its outer boundary, counter-clockwise, the others its holes,
// clockwise, so the region always lies to the left of every edge. No two edges cross; rings
// may touch at a point. A grid point (x, y) stands for (OriginX + x * Grid, OriginY + y * Grid).
struct TCarveRegion {
    double OriginX = 0;
    double OriginY = 0;
    double Grid = 1;
    std::vector<TGridRing> Rings;
};

// A grid finer than this many steps across one group of touching contours could overflow
// the 32-bit coordinates of the Voronoi builder and the polygon operations (which need
// headroom for their own products); such a group gets a coarser grid instead.
constexpr double MaxGridSpan = 268435456.0; // 2^28

// The regions of the closed contours (index 1 on; open contours have no region). Contours
// whose boxes overlap or touch are taken together: a contour inside an odd number of others
// is a hole, and overlapping regions join (each letter keeps its holes even where it
// overlaps its neighbour). Coordinates are snapped to grid (> 0), coarser only where a group
// would span more than MaxGridSpan steps. Regions thinner than the grid vanish.
// Throws EOverflow / EInvalidOp for a coordinate that is not finite.
std::vector<TCarveRegion> CarveRegions(const TRegionArrayX& contours, double grid);

} // namespace orlenta
