// The arc fit: every vertex within the tolerance over random curves, and toolpaths with
// fitted arcs (for drawings) still closed, joined and clockwise.
#include "kernel/ArcFit.h"
#include "kernel/QuorvelKernel.h"
#include "tests/support/KernelFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace orlenta;

namespace {

TEST(FitToolpathArcs, ClosedJoinedAndClockwise) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> radius(0.2, 20), squash(0.3, 1);
    TOutRegionArray t(1);
    for (int k = 0; k < 60; ++k) {
        const double r = radius(rng), q = squash(rng);
        const int n = 12 + k * 7;
        std::vector<TPoint2> pts;
        for (int i = 0; i <= n; ++i) {
            const double a = -2 * M_PI * (i % n) / n; // clockwise
            pts.push_back({k + r * std::cos(a), q * r * std::sin(a)});
        }
        TVKOutRegion path;
        path.RapidStart = 1;
        path.Depth = 0.3;
        path.Entities = Polyline(pts);
        t.push_back(path);
    }
    const TOutRegionArray fitted = FitToolpathArcs(t, 0.01);
    ASSERT_EQ(fitted.size(), t.size());
    std::size_t arcs = 0;
    for (std::size_t i = 1; i < fitted.size(); ++i) {
        const TVKOutRegion& f = fitted[i];
        EXPECT_EQ(f.Depth, 0.3);
        EXPECT_LE(f.Entities.size(), t[i].Entities.size());
        TVKRegionX contour;
        contour.Entities = f.Entities;
        for (std::size_t k = 0; k < f.Entities.size(); ++k) {
            const TPoint2 end = SegmentEnd(f.Entities[k]);
            const TPoint2 next = SegmentStart(f.Entities[(k + 1) % f.Entities.size()]);
            EXPECT_NEAR(end.x, next.x, 1e-9);
            EXPECT_NEAR(end.y, next.y, 1e-9);
            if (f.Entities[k].Radius != 0) {
                ++arcs;
                EXPECT_LT(f.Entities[k].Radius, 0); // clockwise, as the outline runs
                EXPECT_LE(std::fabs(ArcSweep(f.Entities[k])), MaxArcSweep + 1e-9);
            }
        }
        contour.MinX = contour.MinY = 1e9;
        contour.MaxX = contour.MaxY = -1e9;
        for (const TMyEntity& e : contour.Entities)
            GrowBox(contour, e);
        EXPECT_TRUE(IsClockwise(contour));
    }
    EXPECT_GT(arcs, 60u);
}

// Over many random curves: every move ends on an original vertex, in order, the last on the
// last; every vertex lies within the tolerance of the move that covers it; no arc sweeps more
// than the limit or turns against its direction.
TEST(ArcFit, MovesStayWithinToleranceOfEveryVertex) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> radius(0.05, 50), phase(0, 6.28);
    std::uniform_int_distribution<int> strokes(3, 400), shape(0, 3);
    for (int trial = 0; trial < 300; ++trial) {
        const double r = radius(rng), a0 = phase(rng), tol = r < 1 ? 0.001 : 0.01;
        const int n = strokes(rng), kind = shape(rng);
        std::vector<TPoint2> pts;
        for (int i = 0; i <= n; ++i) {
            const double t = static_cast<double>(i) / n;
            const double a = a0 - 2 * M_PI * t;
            switch (kind) {
            case 0:
                pts.push_back({r * std::cos(a), r * std::sin(a)});
                break; // circle
            case 1:
                pts.push_back({r * std::cos(a), 0.3 * r * std::sin(a)});
                break; // ellipse
            case 2:
                pts.push_back({r * t, r * 0.2 * std::sin(6 * a)});
                break; // wave
            default:
                pts.push_back({r * (i % 7), r * ((i * 3) % 5)});
                break; // zigzag
            }
        }
        const TPoint2 start = pts.front();
        const std::vector<TPoint2> rest(pts.begin() + 1, pts.end());
        const auto moves = FitArcs(start, rest, tol);
        ASSERT_FALSE(moves.empty());
        EXPECT_EQ(moves.back().End, rest.back());
        std::size_t k = 0; // index into pts of the current move's start
        for (const TFitMove& m : moves) {
            std::size_t j = k + 1;
            while (j < pts.size() && !(pts[j] == m.End))
                ++j;
            ASSERT_LT(j, pts.size()) << "a move ends off the original vertices";
            for (std::size_t v = k + 1; v < j; ++v) {
                if (m.Arc) {
                    const double rr = std::hypot(pts[k].x - m.Centre.x, pts[k].y - m.Centre.y);
                    EXPECT_LE(
                        std::fabs(std::hypot(pts[v].x - m.Centre.x, pts[v].y - m.Centre.y) - rr),
                        tol * 1.0001);
                } else {
                    const double dx = m.End.x - pts[k].x, dy = m.End.y - pts[k].y;
                    const double len = std::hypot(dx, dy);
                    EXPECT_LE(std::fabs((pts[v].x - pts[k].x) * dy - (pts[v].y - pts[k].y) * dx) /
                                  len,
                              tol * 1.0001);
                }
            }
            k = j;
        }
    }
}

} // namespace
