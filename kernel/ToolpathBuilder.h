// The toolpath builder: one engraving toolpath per contour, depth pass and loop, following
// the contour line exactly (no tool-radius offset).
#pragma once

#include "kernel/Errors.h"
#include "kernel/QuorvelTypes.h"

#include <cstdint>

namespace orlenta {

// More depth passes than this for one contour means the step down is far too small for
// the depth; planning them would only exhaust memory (every pass copies the contour).
constexpr int MaxPassesPerContour = 1000;

class ETooManyPasses : public OrlentaError {
  public:
    ETooManyPasses() : OrlentaError("Too many depth passes: the step down is too small") {}
};

// Replaces toolpaths (element 0 empty) with the toolpaths of every pending contour of
// positive depth, in the order contour, pass, loop. Does nothing while runFlag is 0.
// Raises params.Increment from 0 to 1.
//
// runFlag is read again after every pass's message pump (ProcessMessages), so a command
// handled there that clears it stops further toolpaths; those already built stay. Nothing
// of contours is held across the pump, which may even let another command replace it.
void BuildToolpaths(const TRegionArrayX& contours, TMachiningParameters& params,
                    TOutRegionArray& toolpaths, const std::int32_t& runFlag);

// The same, for a caller that reads the contours no more (a command-line job): each
// contour's segments move out on its last pass instead of being copied, so every segment
// is held once, not twice, at the peak. The contours keep their boxes, with no segments.
void BuildToolpathsConsuming(TRegionArrayX& contours, TMachiningParameters& params,
                             TOutRegionArray& toolpaths, const std::int32_t& runFlag);

// BuildToolpathsConsuming for a job whose contours come in slices, in order (each slice with
// an element 0 that is skipped): appends the slice's toolpaths to toolpaths instead of
// replacing them. The slices' toolpaths together are those of the whole contour array, as
// long as toolpaths still ends with the last toolpath built before (an open stroke starts
// from its end); earlier ones may be dropped in between.
void AppendToolpathsConsuming(TRegionArrayX& contours, TMachiningParameters& params,
                              TOutRegionArray& toolpaths, const std::int32_t& runFlag);

// Steps of BuildToolpaths, public for testing and for other front ends.

// One master region per pending contour (index 1 on) whose Depth is > 0, each with its
// passes (element 0 empty) in increasing depth, the last exactly at the contour's Depth.
// A step of 0 (or below, or NaN) becomes the first such contour's Depth for all of them.
// Throws ETooManyPasses beyond MaxPassesPerContour and EOverflow for an infinite Depth.
void PlanPasses(const TRegionArrayX& contours, double step, TMasterRegionArray& plan);

// Chains the segments of one pass (their Mark is used and changed) into loops appended
// to loops (element 0 empty), following each segment's own direction. A chain that runs
// into a dead end backs off once, so a spur is dropped; an open chain keeps all its
// segments. Does nothing when runFlag is 0.
void BuildLoops(TMyEntityArray& segments, TRegionArrayX& loops, double depth,
                const std::int32_t& runFlag);

// An open contour (a stroke of a single-line font) is engraved once along its length as it
// is: never chained, closed or turned round a loop. Appends it as one open loop that runs
// from whichever end lies nearer to from (where the tool was), so the rapid move is the
// shorter. Its pass plunges and retracts at its ends.
void AppendOpenLoop(TMyEntityArray segments, TRegionArrayX& loops, double depth, TPoint2 from);

// Every loop (1 on) begins with a rapid move from the clearance plane, except one that
// starts within RapidJoinDistance of the previous loop's start.
void SetRapidFlags(TRegionArrayX& loops, double rapidHeight);

// Appends one toolpath per loop (1 on) with the given feed; the loops' segments move into
// the toolpaths.
void AppendToolpaths(TRegionArrayX& loops, TOutRegionArray& toolpaths, double roughFeed);

} // namespace orlenta
