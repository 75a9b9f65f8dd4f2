// Small geometry shared by the tests: polylines and the unit square.
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

} // namespace orlenta
