// The record of a V-carve path: a polyline in three dimensions that a V-bit follows with
// one plunge at its start. It sits beside the flat toolpath records, which it leaves alone.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <vector>

namespace orlenta {

// One V-carve path. Points run in cutting order; each carries its own depth (positive
// downward, like the contour and toolpath depths), so a writer moves in X, Y and Z at once
// from one point to the next. The tool plunges at the first point and retracts after the last.
struct TCarvePath {
    double Feed = 0;
    double Clearance = 0; // clearance plane as a depth: -RapidHeight
    std::vector<TPoint3> Points;
};
// Unlike the toolpath array, this one has no placeholder: paths are at 0 to the last, in
// cutting order.
using TCarvePathArray = std::vector<TCarvePath>;

} // namespace orlenta
