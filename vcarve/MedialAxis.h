// The medial axis of a glyph region: the centre lines that a V-bit follows, from the
// Voronoi diagram of the region's edges, with the distance to the outline at every point.
#pragma once

#include "vcarve/CarveRegions.h"

#include <cstddef>
#include <vector>

namespace orlenta {

// A point of the axis and its distance r to the nearest point of the outline.
struct TAxisPoint {
    double x = 0;
    double y = 0;
    double r = 0;
};

// One branch between two nodes; Points run from node From to node To, both included.
struct TAxisEdge {
    std::size_t From = 0;
    std::size_t To = 0;
    std::vector<TAxisPoint> Points;
};

struct TMedialAxis {
    std::vector<TAxisPoint> Nodes;
    std::vector<TAxisEdge> Edges;
};

// The inner medial axis of one region in drawing units. Only branches inside the region are
// kept; the lines from each corner to the foot of its neighbouring edges (which mark where
// the nearest point changes, not a centre) are left out. Curved branches (between a corner
// and an edge) and branches between two corners are cut into straight pieces that stay
// within tolerance of the true branch both in the plane and in r. Every r is computed from
// the region's own (grid) outline.
TMedialAxis MedialAxis(const TCarveRegion& region, double tolerance);

// Drops the branches that run from a convex corner of the outline to the rest of the axis
// when the corner would come out within accuracy without them: a bit at the branch's inner
// end, cutting a circle of radius min(r, maxRadius) there, misses the corner by no more than
// accuracy. This removes the hair-like branches of every corner of a flattened curve and of
// corners smaller than the accuracy, and keeps those of real corners. Nodes stay; edges go.
// A node whose every branch goes (the centre of a dot) stays as a branch of one point.
void PruneCornerBranches(TMedialAxis& axis, double accuracy, double maxRadius);

} // namespace orlenta
