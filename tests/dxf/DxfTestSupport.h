// Helpers shared by the DXF tests: small toolpath arrays. Folders and files come from
// TestFiles.h.
#pragma once

#include "kernel/QuorvelKernel.h"
#include "tests/support/TestFiles.h"

#include <cmath>
#include <random>
#include <utility>

namespace orlenta {

// A toolpath array with element 0 empty and one toolpath per entry of paths.
inline TOutRegionArray Toolpaths(std::initializer_list<std::pair<double, TMyEntityArray>> paths) {
    TOutRegionArray result(1);
    for (const auto& [depth, segments] : paths) {
        TVKOutRegion t;
        t.Depth = depth;
        t.RapidStart = 1;
        t.Entities = segments;
        result.push_back(t);
    }
    return result;
}

// Many small closed polygons, as the outlines of a line of text give: count toolpaths of
// 3 to 9 sides each, seeded so every run sees the same drawing.
inline TOutRegionArray PolygonToolpaths(int count, double depth, unsigned seed = 42) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> size(0.2, 3.0);
    std::uniform_int_distribution<int> sides(3, 9);
    TOutRegionArray result(1);
    for (int i = 0; i < count; ++i) {
        TVKOutRegion t;
        t.Depth = depth;
        const double cx = (i % 50) * 7.25 - 3.5;
        const double cy = (i / 50) * -6.125 + 0.3;
        const double r = size(rng);
        const int n = sides(rng);
        for (int k = 0; k < n; ++k) {
            // Clockwise, as the contours come from the layout.
            const double a0 = -2 * 3.14159265358979323846 * k / n;
            const double a1 = -2 * 3.14159265358979323846 * (k + 1) / n;
            t.Entities.push_back(MakeLine(cx + r * std::cos(a0), cy + r * std::sin(a0),
                                          cx + r * std::cos(a1), cy + r * std::sin(a1)));
        }
        result.push_back(std::move(t));
    }
    return result;
}

} // namespace orlenta
