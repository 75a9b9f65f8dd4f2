// The toolpath builder: passes, loops, rapid entries, and the run flag that a command run
// inside the message pump may clear.
#include "kernel/Errors.h"
#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/ToolpathBuilder.h"
#include "tests/support/KernelFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

using namespace orlenta;

namespace {

TMyEntity Line(TPoint2 a, TPoint2 b) {
    return MakeLine(a.x, a.y, b.x, b.y);
}

// A contour whose segments join the points in order.
TVKRegionX Chain(std::vector<TPoint2> pts, double depth = 1) {
    TVKRegionX c;
    c.Depth = depth;
    c.Pending = 1;
    c.Entities = Polyline(pts);
    return c;
}

// The unit square, clockwise.
TVKRegionX Square(double depth = 1, TPoint2 o = {0, 0}, double size = 1) {
    return Chain(ClockwiseSquare(o, size), depth);
}

TMachiningParameters Params(double stepDown) {
    TMachiningParameters p;
    p.Depth = 1;
    p.StepDown = stepDown;
    p.RoughFeed = 12.5;
    p.RapidHeight = 3;
    p.Increment = 5;
    return p;
}

// Restores the no-op message pump when a test ends.
struct PumpGuard {
    explicit PumpGuard(MessagePumpHook hook) { SetMessagePumpHook(std::move(hook)); }
    ~PumpGuard() { SetMessagePumpHook({}); }
};

bool SameLine(const TMyEntity& a, const TMyEntity& b) {
    return a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2 && a.Radius == b.Radius;
}

const std::int32_t Running = 100;

TEST(BuildToolpaths, SquareInOnePass) {
    const TRegionArrayX contours = {TVKRegionX{}, Square()};
    auto p = Params(1);
    TOutRegionArray out;
    BuildToolpaths(contours, p, out, Running);
    ASSERT_EQ(out.size(), 2u);
    const TVKOutRegion& t = out[1];
    ASSERT_EQ(t.Entities.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_TRUE(SameLine(t.Entities[k], contours[1].Entities[k])) << k;
    EXPECT_EQ(t.Depth, 1);
    EXPECT_EQ(t.RapidStart, 1);
    EXPECT_EQ(t.Clearance, -3);
    EXPECT_EQ(t.Feed, 12.5);
    EXPECT_EQ(t.IsOpen, 0);
    EXPECT_EQ(t.HasLeads, 0);
    EXPECT_TRUE(out[0].Entities.empty());
}

TEST(BuildToolpaths, StepDownGivesOnePassPerStepEndingAtTheDepth) {
    const TRegionArrayX contours = {TVKRegionX{}, Square()};
    auto p = Params(0.4);
    TOutRegionArray out;
    BuildToolpaths(contours, p, out, Running);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_DOUBLE_EQ(out[1].Depth, 0.4);
    EXPECT_DOUBLE_EQ(out[2].Depth, 0.8);
    EXPECT_EQ(out[3].Depth, 1);
    for (std::size_t i = 1; i < out.size(); ++i)
        EXPECT_EQ(out[i].RapidStart, 1) << i;
}

TEST(BuildToolpaths, StepZeroTakesTheFirstContoursDepthForAll) {
    const TRegionArrayX contours = {TVKRegionX{}, Square(0.3), Square(1, {5, 0})};
    auto p = Params(0);
    TOutRegionArray out;
    BuildToolpaths(contours, p, out, Running);
    // 0.3 for the first; 0.3, 0.6, 0.9 and 1 for the second.
    ASSERT_EQ(out.size(), 6u);
    EXPECT_DOUBLE_EQ(out[1].Depth, 0.3);
    EXPECT_DOUBLE_EQ(out[4].Depth, 0.9);
    EXPECT_EQ(out[5].Depth, 1);
    EXPECT_EQ(SegmentStart(out[5].Entities.front()), (TPoint2{5, 0}));
}

TEST(BuildToolpaths, OnlyPendingContoursOfPositiveDepthAreCut) {
    TVKRegionX notPending = Square(1, {7, 7});
    notPending.Pending = 0;
    TVKRegionX noSegments;
    noSegments.Depth = 1;
    noSegments.Pending = 1;
    const TRegionArrayX contours = {Square(1, {-9, -9}), Square(0),  Square(-1),
                                    notPending,          noSegments, Square(std::nan(""))};
    auto p = Params(1);
    TOutRegionArray out = {TVKOutRegion{}, TVKOutRegion{}};
    BuildToolpaths(contours, p, out, Running);
    EXPECT_EQ(out.size(), 1u); // element 0 is never a contour either
}

TEST(BuildToolpaths, IncrementZeroBecomesOne) {
    auto p = Params(1);
    p.Increment = 0;
    TOutRegionArray out;
    BuildToolpaths({}, p, out, Running);
    EXPECT_EQ(p.Increment, 1);
    p.Increment = -4;
    BuildToolpaths({}, p, out, Running);
    EXPECT_EQ(p.Increment, -4);
}

TEST(BuildToolpaths, ClearedRunFlagLeavesTheToolpathsAlone) {
    auto p = Params(1);
    p.Increment = 0;
    TOutRegionArray out(2);
    out[1].Feed = 7;
    BuildToolpaths({TVKRegionX{}, Square()}, p, out, 0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].Feed, 7);
    EXPECT_EQ(p.Increment, 0);
}

TEST(BuildToolpaths, PumpRunsOncePerPassAndACommandThereStopsTheBuild) {
    const TRegionArrayX contours = {TVKRegionX{}, Square(), Square(1, {2, 0}), Square(1, {4, 0})};
    std::int32_t runFlag = Running;
    int calls = 0;
    {
        PumpGuard guard([&] { ++calls; });
        TOutRegionArray out;
        auto p = Params(0.5);
        BuildToolpaths(contours, p, out, runFlag);
        EXPECT_EQ(calls, 6);
        EXPECT_EQ(out.size(), 7u);
    }
    calls = 0;
    PumpGuard guard([&] {
        if (++calls == 2)
            runFlag = 0; // as Save does while the build is running
    });
    TOutRegionArray out;
    auto p = Params(1);
    BuildToolpaths(contours, p, out, runFlag);
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(out.size(), 2u); // the first contour's toolpath stays
}

// A second Create run from inside the pump replaces the contours under the running build.
TEST(BuildToolpaths, ContoursReplacedInsideThePumpAreNotReadStale) {
    TRegionArrayX contours = {TVKRegionX{}, Square(), Square(1, {2, 0}), Square(1, {4, 0})};
    PumpGuard guard([&] { contours.resize(2); });
    TOutRegionArray out;
    auto p = Params(1);
    BuildToolpaths(contours, p, out, Running);
    EXPECT_EQ(out.size(), 2u);
}

// The consuming form moves each contour's segments out on its last pass: the same
// toolpaths, every one held at its exact size, the contours left without segments.
TEST(BuildToolpaths, ConsumingTheContoursGivesTheSameToolpathsAtExactSize) {
    TVKRegionX twoLoops = Square(1, {5, 5});
    const TVKRegionX second = Square(1, {9, 9}, 2);
    twoLoops.Entities.insert(twoLoops.Entities.end(), second.Entities.begin(),
                             second.Entities.end());
    const TRegionArrayX contours = {TVKRegionX{}, Square(), twoLoops, Square(1, {2, 0}, 3),
                                    Chain({{0, 0}, {1, 1}, {2, 0}})};
    for (double step : {1.0, 0.4}) {
        SCOPED_TRACE(step);
        auto p = Params(step);
        TOutRegionArray copied;
        BuildToolpaths(contours, p, copied, Running);
        TRegionArrayX owned = contours;
        TOutRegionArray moved;
        BuildToolpathsConsuming(owned, p, moved, Running);
        ASSERT_EQ(moved.size(), copied.size());
        for (std::size_t i = 0; i < moved.size(); ++i) {
            const TVKOutRegion& a = moved[i];
            const TVKOutRegion& b = copied[i];
            EXPECT_EQ(std::tie(a.Feed, a.Depth, a.IsOpen, a.Clearance, a.RapidStart),
                      std::tie(b.Feed, b.Depth, b.IsOpen, b.Clearance, b.RapidStart));
            ASSERT_EQ(a.Entities.size(), b.Entities.size());
            for (std::size_t k = 0; k < a.Entities.size(); ++k)
                EXPECT_TRUE(SameLine(a.Entities[k], b.Entities[k]));
            EXPECT_EQ(a.Entities.capacity(), a.Entities.size());
            EXPECT_EQ(b.Entities.capacity(), b.Entities.size());
        }
        for (std::size_t i = 1; i < owned.size(); ++i)
            EXPECT_TRUE(owned[i].Entities.empty());
    }
}

TEST(PlanPasses, TooSmallAStepIsRefusedInsteadOfExhaustingMemory) {
    TMasterRegionArray plan;
    EXPECT_THROW(PlanPasses({TVKRegionX{}, Square(1)}, 1e-9, plan), ETooManyPasses);
    EXPECT_THROW(PlanPasses({TVKRegionX{}, Square(INFINITY)}, 1, plan), EOverflow);
    // Exactly at the limit is fine.
    PlanPasses({TVKRegionX{}, Square(MaxPassesPerContour)}, 1, plan);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[1].Passes.size(), static_cast<std::size_t>(MaxPassesPerContour) + 1);
}

TEST(PlanPasses, NegativeOrNanStepCutsInOnePass) {
    for (double step : {-0.1, std::nan("")}) {
        TMasterRegionArray plan;
        PlanPasses({TVKRegionX{}, Square(0.7)}, step, plan);
        ASSERT_EQ(plan.size(), 2u);
        ASSERT_EQ(plan[1].Passes.size(), 2u);
        EXPECT_EQ(plan[1].Passes[1].PassDepth, 0.7);
        EXPECT_EQ(plan[1].Passes[1].Region, 1);
    }
}

// ---- loops --------------------------------------------------------------------------

TRegionArrayX Loops(TMyEntityArray segments, std::int32_t runFlag = Running) {
    TRegionArrayX loops(1);
    BuildLoops(segments, loops, 0.5, runFlag);
    return loops;
}

TEST(BuildLoops, OpenChainKeepsItsLastSegment) {
    const auto c = Chain({{0, 0}, {1, 0}, {2, 0}, {3, 1}});
    const auto loops = Loops(c.Entities);
    ASSERT_EQ(loops.size(), 2u);
    ASSERT_EQ(loops[1].Entities.size(), 3u);
    EXPECT_TRUE(SameLine(loops[1].Entities[2], c.Entities[2]));
    EXPECT_EQ(loops[1].Depth, 0.5);
}

TEST(BuildLoops, DeadEndSpurIsDropped) {
    // The spur starts where the square goes on and comes first in the array.
    const TMyEntity spur = Line({1, 1}, {2, 2});
    const TMyEntityArray s = {Line({0, 0}, {0, 1}), Line({0, 1}, {1, 1}), spur,
                              Line({1, 1}, {1, 0}), Line({1, 0}, {0, 0})};
    const auto loops = Loops(s);
    ASSERT_EQ(loops.size(), 2u);
    ASSERT_EQ(loops[1].Entities.size(), 4u);
    for (const auto& e : loops[1].Entities)
        EXPECT_FALSE(SameLine(e, spur));
}

TEST(BuildLoops, ClosingSegmentEndsExactlyOnTheStart) {
    const TMyEntityArray s = {Line({0, 0}, {0, 1}), Line({0, 1}, {1, 1}), Line({1, 1}, {1, 0}),
                              Line({1, 0}, {0.0002, -0.0001})};
    const auto loops = Loops(s);
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(SegmentEnd(loops[1].Entities.back()), (TPoint2{0, 0}));
}

TEST(BuildLoops, OutOfOrderSegmentsAreFoundByWrappingRound) {
    const TMyEntityArray s = {Line({1, 1}, {1, 0}), Line({0, 0}, {0, 1}), Line({1, 0}, {0, 0}),
                              Line({0, 1}, {1, 1})};
    const auto loops = Loops(s);
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(loops[1].Entities.size(), 4u);
}

TEST(BuildLoops, DegenerateInputs) {
    EXPECT_EQ(Loops({TMyEntity{}}).size(), 1u);          // the placeholder segment
    EXPECT_EQ(Loops({Line({0, 0}, {0, 2})}).size(), 2u); // a real line from the origin
    EXPECT_EQ(Loops({}).size(), 1u);
    EXPECT_EQ(Loops(Square().Entities, 0).size(), 1u);
    TMyEntity tagged = Line({0, 0}, {1, 0});
    tagged.Tag = 3;
    EXPECT_EQ(Loops({tagged}).size(), 1u); // never starts a loop
    TMyEntity circle;
    circle.Radius = -2;
    circle.X2 = circle.Y2 = 1;
    const auto loops = Loops({circle, Line({5, 0}, {6, 0})});
    ASSERT_EQ(loops.size(), 3u);
    EXPECT_EQ(loops[1].Entities.size(), 1u);
    EXPECT_EQ(loops[1].Entities[0].Radius, -2);
}

// ---- rapid entries ------------------------------------------------------------------

TEST(SetRapidFlags, LoopStartingAtThePreviousStartContinuesAtDepth) {
    struct Case {
        double gap;
        std::int32_t secondRapid;
    };
    for (const Case c : {Case{0.00005, 0}, Case{0.0001, 0}, Case{0.0002, 1}}) {
        SCOPED_TRACE(c.gap);
        TMyEntityArray s = Square().Entities;
        for (const auto& e : Square(1, {c.gap, 0}, -1).Entities)
            s.push_back(e);
        auto loops = Loops(s);
        ASSERT_EQ(loops.size(), 3u);
        SetRapidFlags(loops, 3);
        EXPECT_EQ(loops[1].RapidStart, 1);
        EXPECT_EQ(loops[1].Clearance, -3);
        EXPECT_EQ(loops[2].RapidStart, c.secondRapid);
        EXPECT_EQ(loops[2].Clearance, -3);
    }
}

// ---- open contours (strokes of single-line fonts) -------------------------------------

TEST(BuildToolpaths, OpenStrokesRunAsTheyAreFromTheNearerEndEachPlungedOnce) {
    // A closed-looking counter-clockwise stroke, a stroke whose far end is nearer to where
    // the first ended, and one that starts there already; two passes each.
    TRegionArrayX contours(1);
    for (const std::vector<TPoint2>& pts : {std::vector<TPoint2>{{0, 0}, {1, 0}, {0, 1}, {0, 0}},
                                            std::vector<TPoint2>{{10, 5}, {5, 0}, {0, 0.5}},
                                            std::vector<TPoint2>{{10, 5}, {20, 5}}}) {
        contours.push_back(Chain(pts));
        contours.back().IsOpen = 1;
    }
    TMachiningParameters p = Params(0.5);
    TOutRegionArray toolpaths;
    const std::int32_t run = 1;
    BuildToolpaths(contours, p, toolpaths, run);
    ASSERT_EQ(toolpaths.size(), 7u);
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        EXPECT_EQ(toolpaths[i].IsOpen, 1);
        EXPECT_EQ(toolpaths[i].RapidStart, 1);
        EXPECT_EQ(toolpaths[i].Clearance, -3);
        EXPECT_EQ(toolpaths[i].Entities.size(), contours[(i + 1) / 2].Entities.size());
    }
    // The loop keeps its direction and is never turned clockwise; its second pass starts
    // where the first ended, which is also its start.
    EXPECT_EQ(toolpaths[1].Entities[1].X2, 0);
    EXPECT_EQ(toolpaths[1].Entities[1].Y2, 1);
    EXPECT_EQ(ToolpathStart(toolpaths[2]), (TPoint2{0, 0}));
    // The second stroke runs backwards from (0, 0.5), then forwards on its second pass.
    EXPECT_EQ(ToolpathStart(toolpaths[3]), (TPoint2{0, 0.5}));
    EXPECT_EQ(ToolpathEnd(toolpaths[3]), (TPoint2{10, 5}));
    EXPECT_EQ(toolpaths[3].Entities[0].X2, 5);
    EXPECT_EQ(ToolpathStart(toolpaths[4]), (TPoint2{10, 5}));
    // The third starts at its end nearer to (0, 0.5), where the second's last pass ended,
    // and its second pass runs back.
    EXPECT_EQ(ToolpathStart(toolpaths[5]), (TPoint2{10, 5}));
    EXPECT_EQ(ToolpathEnd(toolpaths[6]), (TPoint2{10, 5}));
}

} // namespace
