// Fitting circular arcs to the straight strokes of a flattened outline, so that a
// controller gets one G2/G3 move where it would get dozens of short lines.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <vector>

namespace orlenta {

// One move of a fitted toolpath. End is always one of the original vertices, bit for bit,
// so the toolpath keeps its closure and its direction.
struct TFitMove {
    TPoint2 End;
    bool Arc = false;
    bool Clockwise = false; // G2 when true, G3 otherwise
    TPoint2 Centre;         // arcs only
};

// Arcs with a larger radius than this (in units) are left as lines: there a line is as
// good and the centre's coordinates would lose the digits the end-point check needs.
constexpr double MaxArcRadius = 1e4;
// Longest sweep of one arc. Well short of a full turn, so that rounding can never bring an
// arc's end onto its start (which a controller reads as a full circle).
constexpr double MaxArcSweep = 1.5 * 3.14159265358979323846;
// Fewest strokes worth one arc; two strokes always fit a circle and save little.
constexpr int MinArcStrokes = 3;

// The moves after start through points (the strokes' end points, in order), as arcs where
// a circle passes within tolerance of every vertex and of every stroke's midpoint, turning
// one way and sweeping at most MaxArcSweep; as lines elsewhere, with runs of collinear
// strokes (within tolerance) merged into one line. tolerance <= 0 gives the lines as they are.
std::vector<TFitMove> FitArcs(TPoint2 start, const std::vector<TPoint2>& points, double tolerance);

// The toolpaths with each one's strokes replaced by FitArcs' moves, as line and arc
// segments (for drawings: a DXF ARC per arc). Everything else of a toolpath is kept; its
// segments still join end to start within rounding, and the toolpath closes where it did.
TOutRegionArray FitToolpathArcs(const TOutRegionArray& toolpaths, double tolerance);

} // namespace orlenta
