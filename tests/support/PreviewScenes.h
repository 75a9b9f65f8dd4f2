// Fixed toolpaths for the preview's golden pictures: the word "HOTEL" in block letters laid
// out on a line and round an arc, each outline a closed toolpath with a dashed rapid move
// before it (the hole of the O is joined by a solid link instead). Built from kernel
// records only, so the pictures do not change with the fonts installed.
#pragma once

#include "tests/support/KernelFixtures.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace orlenta {

struct TPreviewScene {
    TOutRegionArray Toolpaths; // element 0 empty, as the program keeps it
    // Extents of the toolpaths, as the layout reports the text's.
    double MinX = std::numeric_limits<double>::max();
    double MaxX = std::numeric_limits<double>::lowest();
    double MinY = std::numeric_limits<double>::max();
    double MaxY = std::numeric_limits<double>::lowest();
};

// Outlines of a block letter in a 6 x 10 cell: outer ones clockwise, holes anticlockwise.
inline std::vector<std::vector<TPoint2>> BlockLetter(char c) {
    switch (c) {
    case 'H':
        return {{{0, 0},
                 {0, 10},
                 {1.5, 10},
                 {1.5, 5.75},
                 {4.5, 5.75},
                 {4.5, 10},
                 {6, 10},
                 {6, 0},
                 {4.5, 0},
                 {4.5, 4.25},
                 {1.5, 4.25},
                 {1.5, 0},
                 {0, 0}}};
    case 'O':
        return {{{0, 2}, {0, 8}, {2, 10}, {4, 10}, {6, 8}, {6, 2}, {4, 0}, {2, 0}, {0, 2}},
                {{1.5, 1.5}, {4.5, 1.5}, {4.5, 8.5}, {1.5, 8.5}, {1.5, 1.5}}};
    case 'T':
        return {{{0, 10},
                 {6, 10},
                 {6, 8.5},
                 {3.75, 8.5},
                 {3.75, 0},
                 {2.25, 0},
                 {2.25, 8.5},
                 {0, 8.5},
                 {0, 10}}};
    case 'E':
        return {{{0, 0},
                 {0, 10},
                 {6, 10},
                 {6, 8.5},
                 {1.5, 8.5},
                 {1.5, 5.75},
                 {4.5, 5.75},
                 {4.5, 4.25},
                 {1.5, 4.25},
                 {1.5, 1.5},
                 {6, 1.5},
                 {6, 0},
                 {0, 0}}};
    case 'L':
        return {{{0, 0}, {0, 10}, {1.5, 10}, {1.5, 1.5}, {6, 1.5}, {6, 0}, {0, 0}}};
    default:
        return {};
    }
}

constexpr const char* SceneWord = "HOTEL";
constexpr double SceneAdvance = 7.5; // letter width 6 plus a gap of 1.5

// place maps a point of letter i's cell to the world.
template <class Place> TPreviewScene BuildScene(Place place) {
    TPreviewScene scene;
    scene.Toolpaths.resize(1);
    for (int i = 0; SceneWord[i]; ++i) {
        const auto outlines = BlockLetter(SceneWord[i]);
        for (std::size_t k = 0; k < outlines.size(); ++k) {
            std::vector<TPoint2> pts;
            for (const TPoint2& p : outlines[k]) {
                const TPoint2 w = place(i, p);
                pts.push_back(w);
                scene.MinX = std::min(scene.MinX, w.x);
                scene.MaxX = std::max(scene.MaxX, w.x);
                scene.MinY = std::min(scene.MinY, w.y);
                scene.MaxY = std::max(scene.MaxY, w.y);
            }
            TVKOutRegion t;
            t.Depth = 0.5;
            t.Clearance = -5;
            t.RapidStart = k == 0 ? 1 : 0; // a hole follows its letter without lifting
            t.Entities = Polyline(pts);
            scene.Toolpaths.push_back(std::move(t));
        }
    }
    return scene;
}

// "HOTEL" on the base line y = 1 from x = 2: the first rapid move leaves the origin.
inline TPreviewScene LinearTextScene() {
    return BuildScene([](int i, TPoint2 p) {
        return TPoint2{2 + i * SceneAdvance + p.x, 1 + p.y};
    });
}

// "HOTEL" centred on top of a circle of radius 20 round the origin, read clockwise, each
// letter turned to stand on the circle.
inline TPreviewScene ArcTextScene() {
    constexpr double Radius = 20;
    const int n = 5;
    return BuildScene([=](int i, TPoint2 p) {
        const double angle = M_PI / 2 - (i - (n - 1) / 2.0) * SceneAdvance / Radius;
        const TPoint2 up{std::cos(angle), std::sin(angle)};
        const TPoint2 along{up.y, -up.x};
        const double a = p.x - 3, r = Radius + p.y;
        return TPoint2{up.x * r + along.x * a, up.y * r + along.y * a};
    });
}

} // namespace orlenta
