// Segment, contour and toolpath primitives: the rules and tolerances that chaining and
// orientation rely on.
#include "kernel/QuorvelKernel.h"
#include "tests/support/KernelFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace orlenta;

namespace {

constexpr double Pi = std::numbers::pi;

TVKRegionX contourOf(TMyEntityArray segs) {
    TVKRegionX c;
    std::size_t i = 0;
    for (TMyEntity e : segs)
        AppendSegment(e, c, false, i++);
    return c;
}

// The unit square, clockwise: (0,0) -> (0,1) -> (1,1) -> (1,0) -> (0,0).
TVKRegionX clockwiseSquare() {
    return contourOf(Polyline(ClockwiseSquare()));
}

} // namespace

TEST(Segment, LineBoxAndReverse) {
    TMyEntity e = MakeLine(0, 0, 1, 0);
    EXPECT_EQ(e.MinX, 0);
    EXPECT_EQ(e.MinY, 0);
    EXPECT_EQ(e.MaxY, 0);
    EXPECT_EQ(e.MaxX, 1);
    ReverseSegment(e);
    EXPECT_EQ(SegmentStart(e), (TPoint2{1, 0}));
    EXPECT_EQ(SegmentEnd(e), (TPoint2{0, 0}));
    EXPECT_EQ(e.MaxX, 1);
}

TEST(Segment, ArcBoxesThroughAxisCrossings) {
    // Counter-clockwise from 3pi/2 to pi/2 passes angle 0: the box reaches centre X + R.
    TMyEntity e = MakeArc(5, 5, 2, 3 * Pi / 2, Pi / 2);
    EXPECT_NEAR(ArcSweep(e), Pi, 1e-12);
    EXPECT_DOUBLE_EQ(e.MaxX, 7);
    EXPECT_NEAR(e.MinX, 5, 1e-12);
    EXPECT_DOUBLE_EQ(e.MaxY, 7);
    EXPECT_DOUBLE_EQ(e.MinY, 3);

    // Clockwise from 3pi/2 down to pi/2 goes the other way round, through pi.
    TMyEntity cw = MakeArc(5, 5, -2, 3 * Pi / 2, Pi / 2);
    EXPECT_NEAR(ArcSweep(cw), -Pi, 1e-12);
    EXPECT_DOUBLE_EQ(cw.MinX, 3);
    EXPECT_NEAR(cw.MaxX, 5, 1e-12);
    // Clockwise from pi/2 to 3pi/2 wraps through 0 instead.
    TMyEntity cwWrap = MakeArc(5, 5, -2, Pi / 2, 3 * Pi / 2);
    EXPECT_DOUBLE_EQ(cwWrap.MaxX, 7);
    EXPECT_NEAR(cwWrap.MinX, 5, 1e-12);

    // A quarter inside the first quadrant touches no other axis direction.
    TMyEntity q = MakeArc(0, 0, 1, 0.1, 1.0);
    EXPECT_NEAR(q.MaxX, std::cos(0.1), 1e-12);
    EXPECT_NEAR(q.MaxY, std::sin(1.0), 1e-12);

    // A full circle is its centre plus or minus R, and sweeps a whole turn.
    TMyEntity full = MakeArc(1, 2, -3, 0.5, 0.5);
    EXPECT_EQ(full.MinX, -2);
    EXPECT_EQ(full.MaxY, 5);
    EXPECT_NEAR(ArcSweep(full), -2 * Pi, 1e-12);
    EXPECT_EQ(SegmentSize(full), 6);
}

TEST(Segment, ArcReverseAndMidpoint) {
    TMyEntity e = MakeArc(0, 0, 1, 0, Pi / 2);
    EXPECT_NEAR(ArcMidAngle(e), Pi / 4, 1e-12);
    const TPoint2 m = SegmentMidpoint(e);
    EXPECT_NEAR(m.x, std::sqrt(0.5), 1e-12);
    ReverseSegment(e);
    EXPECT_LT(e.Radius, 0);
    EXPECT_NEAR(SegmentStart(e).y, 1, 1e-12);
    EXPECT_NEAR(ArcMidAngle(e), Pi / 4, 1e-12);
}

TEST(Segment, PointAngleQuadrantsAndAxes) {
    const TPoint2 c{1, 1};
    EXPECT_DOUBLE_EQ(PointAngle(c, {1, 0}), 3 * Pi / 2);
    EXPECT_DOUBLE_EQ(PointAngle(c, c), Pi / 2);
    EXPECT_DOUBLE_EQ(PointAngle(c, {0, 1}), Pi);
    EXPECT_DOUBLE_EQ(PointAngle(c, {2, 1}), 0);
    EXPECT_NEAR(PointAngle(c, {0, 0}), 5 * Pi / 4, 1e-12);
    EXPECT_NEAR(PointAngle(c, {2, 0}), 7 * Pi / 4, 1e-12);
}

TEST(Segment, MoveEndOfLineKeepsBox) {
    TMyEntity e = MakeLine(0, 0, 1, 0);
    MoveSegmentEnd(e, {2, 3}, TEnd::End);
    EXPECT_EQ(SegmentStart(e), (TPoint2{0, 0}));
    EXPECT_EQ(SegmentEnd(e), (TPoint2{2, 3}));
    EXPECT_EQ(e.MaxX, 1);
    MoveSegmentEnd(e, {-1, -1}, TEnd::Start);
    EXPECT_EQ(SegmentStart(e), (TPoint2{-1, -1}));
}

TEST(Segment, MoveEndOfArcBendsThroughNewEnd) {
    TMyEntity e = MakeArc(0, 0, 1, Pi / 4, 3 * Pi / 4);
    const TPoint2 fixed = SegmentStart(e);
    const TPoint2 mid = SegmentMidpoint(e);
    const TPoint2 q{-0.72, 0.71};
    MoveSegmentEnd(e, q, TEnd::End);
    EXPECT_GT(e.Radius, 0);
    EXPECT_NEAR(SegmentEnd(e).x, q.x, 1e-9);
    EXPECT_NEAR(SegmentEnd(e).y, q.y, 1e-9);
    // The new circle passes through the fixed end and the old midpoint.
    EXPECT_NEAR(std::hypot(fixed.x - e.X1, fixed.y - e.Y1), e.Radius, 1e-9);
    EXPECT_NEAR(std::hypot(mid.x - e.X1, mid.y - e.Y1), e.Radius, 1e-9);
}

TEST(Segment, BoxTolerances) {
    const TMyEntity e = MakeLine(0, 0, 1, 1);
    EXPECT_TRUE(PointInSegmentBox({1.00004, 0.5}, e));
    EXPECT_FALSE(PointInSegmentBox({1.00006, 0.5}, e));
    const TVKRegionX sq = clockwiseSquare();
    EXPECT_TRUE(PointInContourBox({-0.0004, 0.5}, sq));
    EXPECT_FALSE(PointInContourBox({-0.0006, 0.5}, sq));
}

TEST(Segment, ArcSpanHonoursDirectionAndWrap) {
    const TMyEntity ccw = MakeArc(0, 0, 1, 0, Pi / 2);
    EXPECT_TRUE(PointOnArcSpan({0.7, 0.7}, ccw));
    EXPECT_FALSE(PointOnArcSpan({-0.7, -0.7}, ccw));
    // Clockwise from pi/2 down to 0 covers the same quarter.
    const TMyEntity cw = MakeArc(0, 0, -1, Pi / 2, 0);
    EXPECT_TRUE(PointOnArcSpan({0.7, 0.7}, cw));
    EXPECT_FALSE(PointOnArcSpan({-0.7, 0.7}, cw));
    // Counter-clockwise across angle 0.
    const TMyEntity wrap = MakeArc(0, 0, 1, 3 * Pi / 2, Pi / 2);
    EXPECT_TRUE(PointOnArcSpan({1, 0.01}, wrap));
    EXPECT_TRUE(PointOnArcSpan({1, -0.01}, wrap));
    EXPECT_FALSE(PointOnArcSpan({-1, 0.01}, wrap));
}

TEST(Contour, UnitSquareBoundaryCases) {
    const TVKRegionX sq = clockwiseSquare();
    EXPECT_FALSE(PointInContour({0.5, 0}, sq)); // bottom edge: y must exceed each MinY
    EXPECT_TRUE(PointInContour({0.5, 1}, sq));  // top edge counts as inside
    EXPECT_TRUE(PointInContour({0.5, 1 + 0.5e-8}, sq));
    EXPECT_TRUE(PointInContour({0.5, 0.5}, sq));
    EXPECT_FALSE(PointInContour({1.5, 0.5}, sq));
    EXPECT_FALSE(PointInContour({-0.1, 0.5}, sq));

    TVKRegionX open = sq;
    open.IsOpen = 1;
    EXPECT_FALSE(PointInContour({0.5, 0.5}, open));
    EXPECT_FALSE(IsClockwise(open));
}

TEST(Contour, PointInsideArcContourAndFullCircle) {
    // Half disc: upper semicircle counter-clockwise from 0 to pi, closed by the diameter.
    TVKRegionX half = contourOf({MakeArc(0, 0, 1, 0, Pi), MakeLine(-1, 0, 1, 0)});
    EXPECT_TRUE(PointInContour({0, 0.5}, half));
    EXPECT_FALSE(PointInContour({0.9, 0.9}, half));
    TVKRegionX disc = contourOf({MakeArc(0, 0, 1, 0, 0)});
    EXPECT_TRUE(PointInContour({0.5, 0.5}, disc));
}

TEST(Contour, OrientationOfSquareAndCircle) {
    TVKRegionX cw = clockwiseSquare();
    EXPECT_TRUE(IsClockwise(cw));
    TVKRegionX ccw = cw;
    OrientContour(ccw, false, false);
    EXPECT_FALSE(IsClockwise(ccw));
    EXPECT_EQ(ContourStart(ccw), (TPoint2{0, 0}));
    EXPECT_EQ(SegmentEnd(ccw.Entities[0]), (TPoint2{1, 0}));
    // Already clockwise: nothing changes unless forced.
    TVKRegionX same = cw;
    OrientContour(same, true, false);
    EXPECT_EQ(SegmentEnd(same.Entities[0]), (TPoint2{0, 1}));
    OrientContour(same, true, true);
    EXPECT_FALSE(IsClockwise(same));

    // Odd count: the middle segment is reversed exactly once.
    TVKRegionX tri = contourOf({MakeLine(0, 0, 0, 1), MakeLine(0, 1, 1, 0), MakeLine(1, 0, 0, 0)});
    EXPECT_TRUE(IsClockwise(tri));
    OrientContour(tri, false, false);
    EXPECT_EQ(SegmentStart(tri.Entities[1]), (TPoint2{1, 0}));
    EXPECT_EQ(SegmentEnd(tri.Entities[1]), (TPoint2{0, 1}));

    TVKRegionX circle = contourOf({MakeArc(0, 0, 1, 0, 0)});
    EXPECT_FALSE(IsClockwise(circle));
    OrientContour(circle, true, false);
    EXPECT_LT(circle.Entities[0].Radius, 0);
    EXPECT_TRUE(IsClockwise(circle));
}

TEST(Contour, ProbeSkipsTinyLeadingSegments) {
    // A first segment shorter than the probe threshold must not decide the orientation.
    TVKRegionX c = contourOf({MakeLine(0, 0, 0, 0.0001), MakeLine(0, 0.0001, 0, 1),
                              MakeLine(0, 1, 1, 1), MakeLine(1, 1, 1, 0), MakeLine(1, 0, 0, 0)});
    EXPECT_TRUE(IsClockwise(c));
}

TEST(Contour, AppendReversedKeepsSourceBoxAndClearsMarks) {
    TVKRegionX c;
    TMyEntity a = MakeLine(0, 0, 2, 0);
    a.Mark = 1;
    a.Tag = 7;
    AppendSegment(a, c, false, 0);
    EXPECT_EQ(a.Mark, 0);
    EXPECT_EQ(c.Entities[0].Tag, 7);
    TMyEntity b = MakeLine(2, 3, 2, 0);
    b.Mark = 1;
    b.Tag = 9;
    AppendSegment(b, c, true, 1);
    EXPECT_EQ(SegmentStart(c.Entities[1]), (TPoint2{2, 0}));
    EXPECT_EQ(c.Entities[1].Mark, 0);
    EXPECT_EQ(c.Entities[1].Tag, 0);
    EXPECT_EQ(c.Entities[1].MaxY, 3);
    EXPECT_EQ(c.MaxY, 3);
    EXPECT_EQ(c.MaxX, 2);
    EXPECT_EQ(c.MinY, 0);
    const auto [head, tail] = ContourEnds(c);
    EXPECT_EQ(head, (TPoint2{0, 0}));
    EXPECT_EQ(tail, (TPoint2{2, 3}));
    MoveContourEnd(c, {2, 4}, TEnd::End);
    EXPECT_EQ(SegmentEnd(c.Entities[1]), (TPoint2{2, 4}));
}

TEST(Toolpath, AccessorsUseLeadsOnlyWhenMarked) {
    TVKOutRegion t;
    t.Depth = 0.5;
    t.Entities = {MakeLine(1, 1, 2, 1), MakeLine(2, 1, 2, 2)};
    t.LeadIn = MakeLine(0, 0, 1, 1);
    t.LeadOut = MakeLine(2, 2, 3, 3);
    EXPECT_EQ(ToolpathStart(t), (TPoint2{1, 1}));
    t.HasLeads = 1;
    EXPECT_EQ(ToolpathStart(t), (TPoint2{1, 1})); // leads present but not marked
    t.LeadIn.Mark = 1;
    t.LeadOut.Mark = 1;
    EXPECT_EQ(ToolpathStart(t), (TPoint2{0, 0}));
    EXPECT_EQ(ToolpathEnd(t), (TPoint2{3, 3}));
    const TPoint3 first = ToolpathFirstPoint(t);
    EXPECT_EQ(first.x, 1);
    EXPECT_EQ(first.y, 1);
    EXPECT_EQ(first.depth, 0.5);
}
