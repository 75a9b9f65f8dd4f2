// The segment operations that both layouts share, and the view box.
#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"

#include "kernel/QuorvelKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <random>

using namespace orlenta;

namespace {

TEST(Segments, NormaliseLineDirectionMakesLinesRunRightwards) {
    TMyEntityArray s{MakeLine(5, 0, 1, 0), MakeLine(1, 1, 5, 2), MakeLine(3, 0, 3, 9)};
    NormaliseLineDirection(s);
    EXPECT_EQ(std::make_pair(s[0].X1, s[0].X2), std::make_pair(1.0, 5.0));
    EXPECT_EQ(std::make_pair(s[1].X1, s[1].Y2), std::make_pair(1.0, 2.0));
    EXPECT_EQ(std::make_pair(s[2].Y1, s[2].Y2), std::make_pair(0.0, 9.0));
}

TEST(Segments, TranslateMovesLinesArcsAndBoxes) {
    TMyEntity arc;
    arc.X1 = 1;
    arc.Y1 = 1;
    arc.Radius = 1;
    arc.X2 = 0;
    arc.Y2 = std::numbers::pi;
    SegmentBounds(arc);
    TMyEntityArray s{MakeLine(0, 0, 2, 1), arc};
    TranslateSegments(s, 10, -5);
    EXPECT_EQ(s[0].X1, 10);
    EXPECT_EQ(s[0].Y2, -4);
    EXPECT_EQ(s[0].MaxX, 12);
    EXPECT_EQ(s[1].X1, 11);
    EXPECT_EQ(s[1].Y1, -4);
    EXPECT_EQ(s[1].X2, 0); // angles stay
    EXPECT_EQ(s[1].MinY, -4);
}

TEST(Segments, ScaleIgnoresFactorsOfOneAndBelowZero) {
    for (double f : {1.0, 0.0, -2.0}) {
        TMyEntityArray s{MakeLine(1, 2, 3, 4)};
        ScaleSegments(s, f);
        EXPECT_EQ(s[0].X2, 3) << f;
    }
    TMyEntityArray s{MakeLine(1, 2, 3, 4)};
    ScaleSegments(s, 0.5);
    EXPECT_EQ(s[0].Y1, 1);
    EXPECT_EQ(s[0].MaxX, 1.5);
}

TEST(Segments, SortOrdersByMinX) {
    TMyEntityArray s{MakeLine(3, 0, 4, 0), MakeLine(1, 0, 2, 0), MakeLine(2, 5, 3, 5)};
    SortSegmentsByMinX(s, 0, 2);
    EXPECT_EQ(s[0].MinX, 1);
    EXPECT_EQ(s[1].MinX, 2);
    EXPECT_EQ(s[2].MinX, 3);
    TMyEntityArray one{MakeLine(7, 0, 8, 0)};
    SortSegmentsByMinX(one, 0, 0);
    EXPECT_EQ(one[0].MinX, 7);
    TMyEntityArray none;
    SortSegmentsByMinX(none, 0, -1);

    std::mt19937 rng(42);
    std::uniform_int_distribution<int> x(0, 50);
    for (int n : {2, 3, 17, 1000}) {
        TMyEntityArray r;
        for (int i = 0; i < n; ++i)
            r.push_back(MakeLine(x(rng), i, x(rng) + 60, i));
        SortSegmentsByMinX(r, 0, n - 1);
        EXPECT_TRUE(
            std::is_sorted(r.begin(), r.end(), [](auto& a, auto& b) { return a.MinX < b.MinX; }));
    }
}

TEST(Segments, RotateTurnsCounterClockwiseAboutTheOrigin) {
    TMyEntityArray s{MakeLine(1, 0, 2, 0)};
    RotateSegments(s, std::numbers::pi / 2);
    EXPECT_NEAR(s[0].X1, 0, 1e-12);
    EXPECT_NEAR(s[0].Y1, 1, 1e-12);
    EXPECT_NEAR(s[0].X2, 0, 1e-12);
    EXPECT_NEAR(s[0].Y2, 2, 1e-12);
    EXPECT_NEAR(s[0].MaxY, 2, 1e-12);

    TMyEntity arc;
    arc.X1 = 1;
    arc.Radius = 1;
    arc.X2 = 0.5;
    arc.Y2 = 6;
    TMyEntityArray a{arc};
    RotateSegments(a, 1);
    EXPECT_NEAR(a[0].X2, 1.5, 1e-12);
    EXPECT_NEAR(a[0].Y2, 7 - 2 * std::numbers::pi, 1e-12);
    RotateSegments(a, -2);
    EXPECT_NEAR(a[0].X2, 2 * std::numbers::pi - 0.5, 1e-12);
}

TEST(Segments, ViewBoxAlwaysHoldsTheOrigin) {
    TRegionArrayX c(3);
    c[1].MinX = 10, c[1].MaxX = 15, c[1].MinY = 5, c[1].MaxY = 8;
    c[2].MinX = 12, c[2].MaxX = 20, c[2].MinY = 6, c[2].MaxY = 7;
    const TViewBox b = ContourExtents(c);
    EXPECT_EQ(b.MinX, 0);
    EXPECT_EQ(b.MaxX, 20);
    EXPECT_EQ(b.MinY, 0);
    EXPECT_EQ(b.MaxY, 8);
    EXPECT_EQ(b.Width, 20);
    EXPECT_EQ(b.Height, 8);
    EXPECT_EQ(b.Reserved1 + b.Reserved2 + b.Reserved3, 0);
    const TViewBox empty = ContourExtents(TRegionArrayX{});
    EXPECT_EQ(empty.Width, 0);
}
} // namespace
