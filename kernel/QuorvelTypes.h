// Records that carry geometry through the whole program: the contour segment, the
// contour, the toolpath and the pass records of the toolpath builder.
#pragma once

#include "kernel/EngraveSettings.h"
#include "kernel/MachineSettings.h"

#include <cstdint>
#include <vector>

namespace orlenta {

// One contour segment. A line when Radius is exactly 0; otherwise a circular arc whose
// centre is (X1, Y1), start angle X2 and end angle Y2 (radians), counter-clockwise
// when Radius > 0 and clockwise when Radius < 0.
struct TMyEntity {
    double X1 = 0;
    double Y1 = 0;
    double Radius = 0;
    double X2 = 0;
    double Y2 = 0;
    std::uint8_t Mark = 0; // chaining mark; each algorithm defines its values
    double MinX = 0;       // box in the order min X, min Y, max Y, max X
    double MinY = 0;
    double MaxY = 0;
    double MaxX = 0;
    std::int32_t Tag = 0; // owner tag; non-zero never starts a toolpath loop
};
using TMyEntityArray = std::vector<TMyEntity>;

// One contour: a chain of segments in travel order.
struct TVKRegionX {
    double Depth = 0; // positive downward
    std::uint8_t Pending = 0;
    std::uint8_t IsOpen = 0;
    std::uint8_t HasLeads = 0;
    std::int32_t Parent = 0;
    double MinX = 0;
    double MinY = 0;
    double MaxY = 0;
    double MaxX = 0;
    double Clearance = 0; // clearance plane as a depth: -RapidHeight
    std::int32_t RapidStart = 0;
    TMyEntityArray Entities;
};
// The process-wide contour array keeps element 0 as an empty placeholder.
using TRegionArrayX = std::vector<TVKRegionX>;
using TSuperRegionArray = std::vector<TRegionArrayX>;

// One toolpath.
struct TVKOutRegion {
    double Feed = 0;
    double Depth = 0;
    std::uint8_t Pending = 0;
    std::uint8_t IsOpen = 0;
    std::uint8_t HasLeads = 0;
    TMyEntity LeadIn;
    TMyEntity LeadOut;
    double Clearance = 0;
    std::int32_t RapidStart = 0;
    TMyEntityArray Entities;
};
// Element 0 holds no toolpath; toolpaths are at 1 to the last, in cutting order.
using TOutRegionArray = std::vector<TVKOutRegion>;

// Islands are never filled in this program; the record only keeps the pass layout whole.
struct TIsland {
    std::int32_t Region = 0;
};
using TIslandArray = std::vector<TIsland>;

// One depth pass of one contour.
struct TMachineRegion {
    std::int32_t Region = 0;
    double PassOffset = 0;
    double PassDepth = 0;
    TIslandArray Islands;
};
using TMachineRegionArray = std::vector<TMachineRegion>; // element 0 empty

// The passes of one contour.
struct TMasterRegion {
    std::int32_t Region = 0;
    TMachineRegionArray Passes;
};
using TMasterRegionArray = std::vector<TMasterRegion>; // element 0 empty

// Machining parameters; the parameter file and dialog fill it, the toolpath builder and
// the G-code writer read it.
struct TMachiningParameters {
    double Depth = 0;
    double StepDown = 0;
    double RoughPlunge = 0;
    double RoughFeed = 0;
    std::int32_t Start = 0;
    std::int32_t Increment = 0;
    double RapidHeight = 0;
    std::int32_t Precision = 0;
    std::int32_t Decimal = 0;
    TMachineSettings Machine; // units, dialect, spindle...: defaults change no output
    TEngraveSettings Engrave; // outline (the default) or V-carve, and the V-bit
};

// No setting of its own sets StepDown: each contour is cut in one pass at the full depth,
// so wherever Depth is set, StepDown follows it.
inline void StepDownFollowsDepth(TMachiningParameters& p) {
    p.StepDown = p.Depth;
}

// A point of the plane.
struct TPoint2 {
    double x = 0;
    double y = 0;
    bool operator==(const TPoint2&) const = default;
};

// A point of the plane with a depth.
struct TPoint3 {
    double x = 0;
    double y = 0;
    double depth = 0;
};

} // namespace orlenta
