// Small geometry shared by the tests: polylines, the unit square, toolpaths and the
// parameters of the worked G-code example.
#pragma once

#include "kernel/QuorvelKernel.h"

#include <vector>

namespace orlenta {

// Lines joining the points in order, each with its box.
inline TMyEntityArray Polyline(const std::vector<TPoint2>& pts) {
    TMyEntityArray lines;
    for (std::size_t i = 1; i < pts.size(); ++i)
        lines.push_back(MakeLine(pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y));
    return lines;
}

// The corners of a square from o, clockwise and closed: o, up, across, down, back to o.
inline std::vector<TPoint2> ClockwiseSquare(TPoint2 o = {0, 0}, double size = 1) {
    return {o, {o.x, o.y + size}, {o.x + size, o.y + size}, {o.x + size, o.y}, o};
}

// A toolpath through the points, starting with a rapid move when rapidStart is 1.
inline TVKOutRegion Toolpath(std::int32_t rapidStart, const std::vector<TPoint2>& pts) {
    TVKOutRegion t;
    t.RapidStart = rapidStart;
    t.Entities = Polyline(pts);
    return t;
}

// The worked example's parameters: lines from N100 in steps of 5, three decimals.
inline TMachiningParameters ExampleParams() {
    TMachiningParameters p;
    p.Start = 100;
    p.Increment = 5;
    p.Decimal = 3;
    p.Depth = 0.5;
    p.RapidHeight = 1;
    p.RoughPlunge = 5;
    p.RoughFeed = 10;
    return p;
}

} // namespace orlenta
