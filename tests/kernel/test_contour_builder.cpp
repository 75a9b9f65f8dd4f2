// Contour builder: tolerances, batch borders, orientation, growth at both ends, and
// seeded random outlines checked by their properties.
#include "kernel/ContourBuilder.h"
#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"
#include "tests/kernel/PlainContourBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

using namespace orlenta;

namespace {

void SortByMinX(TMyEntityArray& s) {
    std::stable_sort(s.begin(), s.end(),
                     [](const TMyEntity& a, const TMyEntity& b) { return a.MinX < b.MinX; });
}

TRegionArrayX Build(TMyEntityArray segments, std::uint8_t orientation = 1) {
    TRegionArrayX result;
    BuildContours(segments, result, orientation, 0);
    return result;
}

TRegionArrayX BuildPlain(TMyEntityArray segments) {
    TRegionArrayX result;
    plain_reference::BuildContours(segments, result, 1, 0);
    return result;
}

// Each segment ends exactly where the next starts; a closed contour also ends where it began.
void ExpectGapless(const TVKRegionX& c) {
    ASSERT_FALSE(c.Entities.empty());
    for (std::size_t i = 0; i + 1 < c.Entities.size(); ++i) {
        ASSERT_EQ(SegmentEnd(c.Entities[i]), SegmentStart(c.Entities[i + 1])) << "after " << i;
    }
    if (c.IsOpen == 0) {
        ASSERT_EQ(SegmentEnd(c.Entities.back()), SegmentStart(c.Entities.front()));
    }
}

using Box = std::array<double, 4>;
Box BoxOf(const TMyEntity& e) {
    return {e.MinX, e.MinY, e.MaxY, e.MaxX};
}

// Vertices of a star-shaped polygon around (cx, cy), counter-clockwise.
std::vector<TPoint2> Polygon(double cx, double cy, double rMin, double rMax, int n,
                             std::mt19937& rng) {
    std::uniform_real_distribution<double> r(rMin, rMax);
    std::vector<TPoint2> v;
    for (int k = 0; k < n; ++k) {
        const double a = 2 * std::numbers::pi * k / n;
        const double rk = r(rng);
        v.push_back({cx + rk * std::cos(a), cy + rk * std::sin(a)});
    }
    return v;
}

// The polygon's edges in random directions; some shared corners are given slightly apart.
void AddEdges(const std::vector<TPoint2>& v, std::mt19937& rng, TMyEntityArray& out) {
    std::uniform_real_distribution<double> jitter(-0.0002, 0.0002);
    std::bernoulli_distribution coin(0.5);
    for (std::size_t k = 0; k < v.size(); ++k) {
        TPoint2 a = v[k];
        const TPoint2 b = v[(k + 1) % v.size()];
        if (coin(rng)) {
            a.x += jitter(rng);
            a.y += jitter(rng);
        }
        out.push_back(coin(rng) ? MakeLine(a.x, a.y, b.x, b.y) : MakeLine(b.x, b.y, a.x, a.y));
    }
}

// Glyph-like text: outlines of 3 to 200 edges side by side, some with a hole.
TMyEntityArray RandomText(std::mt19937& rng, int glyphs) {
    std::uniform_int_distribution<int> edges(3, 200);
    std::uniform_real_distribution<double> size(0.5, 2.0);
    std::bernoulli_distribution hole(0.4);
    TMyEntityArray s;
    double x = 0;
    for (int g = 0; g < glyphs; ++g) {
        const double r = size(rng);
        x += r;
        AddEdges(Polygon(x, 0, 0.6 * r, r, edges(rng), rng), rng, s);
        if (hole(rng))
            AddEdges(Polygon(x, 0, 0.2 * r, 0.5 * r, edges(rng), rng), rng, s);
        x += r + 0.1;
    }
    std::shuffle(s.begin(), s.end(), rng);
    SortByMinX(s); // equal MinX keep the shuffled order
    return s;
}

bool SameSegment(const TMyEntity& a, const TMyEntity& b) {
    return std::tie(a.X1, a.Y1, a.Radius, a.X2, a.Y2, a.Mark, a.MinX, a.MinY, a.MaxY, a.MaxX,
                    a.Tag) == std::tie(b.X1, b.Y1, b.Radius, b.X2, b.Y2, b.Mark, b.MinX, b.MinY,
                                       b.MaxY, b.MaxX, b.Tag);
}

void ExpectSameContours(const TRegionArrayX& a, const TRegionArrayX& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        const TVKRegionX& p = a[i];
        const TVKRegionX& q = b[i];
        ASSERT_EQ(std::tie(p.Depth, p.Pending, p.IsOpen, p.MinX, p.MinY, p.MaxY, p.MaxX),
                  std::tie(q.Depth, q.Pending, q.IsOpen, q.MinX, q.MinY, q.MaxY, q.MaxX))
            << "contour " << i;
        ASSERT_EQ(p.Entities.size(), q.Entities.size()) << "contour " << i;
        for (std::size_t k = 0; k < p.Entities.size(); ++k) {
            ASSERT_TRUE(SameSegment(p.Entities[k], q.Entities[k]))
                << "contour " << i << " segment " << k;
        }
    }
}

class PumpCounter {
  public:
    PumpCounter() {
        previous_ = SetMessagePumpHook([this] { ++calls; });
    }
    ~PumpCounter() { SetMessagePumpHook(previous_); }
    int calls = 0;

  private:
    MessagePumpHook previous_;
};

// ---- joining tolerance -------------------------------------------------------------

struct GapCase {
    double dx, dy;
    bool reversed;      // the second line is given towards the first
    bool acrossBatches; // the two lines fall into different batches
    bool joins;
};

class JoinTolerance : public ::testing::TestWithParam<GapCase> {};

TEST_P(JoinTolerance, JoinsWithinHalfAThousandthAndClosesTheGap) {
    const GapCase g = GetParam();
    const double bx = 1 + g.dx;
    const double by = g.dy;
    TMyEntityArray s{MakeLine(0, 0, 1, 0)};
    if (g.acrossBatches) // 99 far-away dots between them in MinX order fill batch 0
        for (int i = 1; i <= 99; ++i)
            s.push_back(MakeLine(i * 0.01, 50.0 + i, i * 0.01 + 0.001, 50.0 + i));
    s.push_back(g.reversed ? MakeLine(2, 1, bx, by) : MakeLine(bx, by, 2, 1));
    const TRegionArrayX r = Build(s);

    const std::size_t fillers = g.acrossBatches ? 99 : 0;
    ASSERT_EQ(r.size(), 1 + fillers + (g.joins ? 1 : 2));
    if (!g.joins)
        return;
    const auto chain = std::find_if(r.begin(), r.end(),
                                    [](const TVKRegionX& c) { return c.Entities.size() == 2; });
    ASSERT_NE(chain, r.end());
    EXPECT_EQ(chain->IsOpen, 1);
    ExpectGapless(*chain);
    EXPECT_EQ(SegmentEnd(chain->Entities[0]), (TPoint2{1, 0})); // the joined end moved
    EXPECT_EQ(SegmentEnd(chain->Entities[1]), (TPoint2{2, 1}));
}

INSTANTIATE_TEST_SUITE_P(Gaps, JoinTolerance,
                         ::testing::Values(GapCase{0.0004, 0.0004, false, false, true},
                                           GapCase{-0.0004, -0.0004, true, false, true},
                                           GapCase{0.0006, 0, false, false, false},
                                           GapCase{0, 0.0006, true, false, false},
                                           GapCase{0.0004, -0.0006, false, false, false},
                                           GapCase{0.0004, 0.0004, false, true, true},
                                           GapCase{-0.0004, 0.0004, true, true, true},
                                           GapCase{0.0006, 0, false, true, false},
                                           GapCase{0, -0.0006, true, true, false}));

// ---- closed outlines ---------------------------------------------------------------

TEST(ContourBuilder, OutlineCutByTheBatchBorderComesOutWholeAndClosed) {
    std::mt19937 rng(42);
    TMyEntityArray s;
    AddEdges(Polygon(5, 5, 3, 4, 150, rng), rng, s);
    SortByMinX(s);
    Box box{1e9, 1e9, -1e9, -1e9};
    std::vector<Box> boxes;
    for (const TMyEntity& e : s) {
        box = {std::min(box[0], e.MinX), std::min(box[1], e.MinY), std::max(box[2], e.MaxY),
               std::max(box[3], e.MaxX)};
        boxes.push_back(BoxOf(e));
    }

    const TRegionArrayX r = Build(s);
    ASSERT_EQ(r.size(), 2u);
    const TVKRegionX& c = r[1];
    EXPECT_EQ(c.IsOpen, 0);
    EXPECT_EQ(c.Pending, 0); // made by the joining pass, not inside one batch
    ASSERT_EQ(c.Entities.size(), 150u);
    EXPECT_EQ((Box{c.MinX, c.MinY, c.MaxY, c.MaxX}), box);
    EXPECT_TRUE(IsClockwise(c));
    ExpectGapless(c);
    std::vector<Box> used;
    for (const TMyEntity& e : c.Entities)
        used.push_back(BoxOf(e));
    std::sort(boxes.begin(), boxes.end());
    std::sort(used.begin(), used.end());
    EXPECT_EQ(used, boxes);
}

TEST(ContourBuilder, ScrambledSquareBecomesOneClockwiseContour) {
    const std::array<TMyEntity, 4> edges{MakeLine(0, 0, 0, 1), MakeLine(0, 1, 1, 1),
                                         MakeLine(1, 1, 1, 0), MakeLine(1, 0, 0, 0)};
    // Three edges share MinX 0, so any order of them is sorted; the right edge comes last.
    std::array<int, 3> order{0, 1, 3};
    do {
        for (int flips = 0; flips < 16; ++flips) {
            TMyEntityArray s;
            for (int k : {order[0], order[1], order[2], 2}) {
                TMyEntity e = edges[static_cast<std::size_t>(k)];
                if (flips & (1 << k))
                    ReverseSegment(e);
                s.push_back(e);
            }
            const TMyEntityArray given = s;
            const TRegionArrayX r = Build(s);
            ASSERT_EQ(r.size(), 2u);
            const TVKRegionX& c = r[1];
            SCOPED_TRACE(::testing::Message()
                         << "order " << order[0] << order[1] << order[2] << " flips " << flips);
            EXPECT_EQ(c.IsOpen, 0);
            ASSERT_EQ(c.Entities.size(), 4u);
            EXPECT_TRUE(IsClockwise(c));
            ExpectGapless(c);
            // Each stored segment is a given one, stored reversed where it had to turn.
            for (const TMyEntity& e : c.Entities) {
                TMyEntity back = e;
                ReverseSegment(back);
                EXPECT_TRUE(std::any_of(given.begin(), given.end(),
                                        [&](const TMyEntity& g) {
                                            return TPoint2{g.X1, g.Y1} == TPoint2{e.X1, e.Y1} &&
                                                   TPoint2{g.X2, g.Y2} == TPoint2{e.X2, e.Y2};
                                        }) ||
                            std::any_of(given.begin(), given.end(), [&](const TMyEntity& g) {
                                return TPoint2{g.X1, g.Y1} == TPoint2{back.X1, back.Y1} &&
                                       TPoint2{g.X2, g.Y2} == TPoint2{back.X2, back.Y2};
                            }));
            }
            const TRegionArrayX ccw = Build(given, 0);
            ASSERT_EQ(ccw.size(), 2u);
            EXPECT_FALSE(IsClockwise(ccw[1]));
        }
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(ContourBuilder, FullCircleTakesTheWantedDirection) {
    TMyEntity circle;
    circle.X1 = 3;
    circle.Y1 = 4;
    circle.Radius = 2; // counter-clockwise
    SegmentBounds(circle);
    for (auto [given, orientation, expected] :
         {std::tuple{2.0, 1, -2.0}, {2.0, 0, 2.0}, {-2.0, 1, -2.0}, {-2.0, 0, 2.0}}) {
        TMyEntity c = circle;
        c.Radius = given;
        const TRegionArrayX r = Build({c}, static_cast<std::uint8_t>(orientation));
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[1].IsOpen, 0);
        ASSERT_EQ(r[1].Entities.size(), 1u);
        EXPECT_EQ(r[1].Entities[0].Radius, expected) << given << " " << orientation;
        EXPECT_EQ((Box{r[1].MinX, r[1].MinY, r[1].MaxY, r[1].MaxX}), (Box{1, 2, 6, 5}));
    }
}

// ---- open chains -------------------------------------------------------------------

TEST(ContourBuilder, BackwardGrowthRunsOneWayFromTheFarStartToTheTail) {
    // The seed (smallest MinX) sits inside the chain: two pieces follow it, two lie
    // before it, one of them given the wrong way round.
    TMyEntityArray s{MakeLine(0, 0, 1, 0), MakeLine(0, 0, 0.5, 5), MakeLine(1, 8, 0.5, 5),
                     MakeLine(1, 0, 2, 0)};
    const TRegionArrayX r = Build(s);
    ASSERT_EQ(r.size(), 2u);
    const TVKRegionX& c = r[1];
    EXPECT_EQ(c.IsOpen, 1);
    ASSERT_EQ(c.Entities.size(), 4u);
    ExpectGapless(c);
    EXPECT_EQ(SegmentStart(c.Entities.front()), (TPoint2{1, 8}));
    EXPECT_EQ(SegmentEnd(c.Entities.back()), (TPoint2{2, 0}));
    EXPECT_EQ(SegmentStart(c.Entities[2]), (TPoint2{0, 0})); // the seed
}

TEST(ContourBuilder, BackwardJoiningAcrossBatchesRunsOneWay) {
    // A zigzag of 250 lines, each going left, given in MinX order: every batch yields a
    // chain; the joining pass must put the pieces before the first chain's head.
    TMyEntityArray s;
    for (int i = 0; i < 250; ++i)
        s.push_back(MakeLine(i + 1, (i + 1) % 2, i, i % 2));
    const TRegionArrayX r = Build(s);
    ASSERT_EQ(r.size(), 2u);
    const TVKRegionX& c = r[1];
    EXPECT_EQ(c.IsOpen, 1);
    ASSERT_EQ(c.Entities.size(), 250u);
    ExpectGapless(c);
    EXPECT_EQ(SegmentStart(c.Entities.front()).x, 250);
    EXPECT_EQ(SegmentEnd(c.Entities.back()).x, 0);
}

TEST(ContourBuilder, SingleLineIsOneOpenContour) {
    TMyEntityArray s{MakeLine(1, 2, 3, 4)};
    TRegionArrayX r;
    BuildContours(s, r, 1, 0.25);
    EXPECT_TRUE(s.empty()); // consumed
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(r[0].Entities.empty());
    EXPECT_EQ(r[1].IsOpen, 1);
    EXPECT_EQ(r[1].Depth, 0.25);
    ASSERT_EQ(r[1].Entities.size(), 1u);
    EXPECT_EQ(SegmentStart(r[1].Entities[0]), (TPoint2{1, 2}));
    EXPECT_EQ((Box{r[1].MinX, r[1].MinY, r[1].MaxY, r[1].MaxX}), (Box{1, 2, 4, 3}));
}

// ---- degenerate input --------------------------------------------------------------

TEST(ContourBuilder, BatchOfOneAllZeroLineGivesNoContour) {
    EXPECT_EQ(Build({TMyEntity{}}).size(), 1u);
    // Also as the last, one-segment batch after a full one.
    TMyEntityArray s;
    for (int i = 0; i < 100; ++i)
        s.push_back(MakeLine(-1000.0 + 3 * i, 0, -999.0 + 3 * i, 0));
    s.push_back(TMyEntity{});
    EXPECT_EQ(Build(s).size(), 101u);
}

TEST(ContourBuilder, LoneLineFromTheOriginIsKept) {
    // Only an all-zero line is the blank placeholder; a real line starting at the origin
    // must not be dropped.
    const TRegionArrayX r = Build({MakeLine(0, 0, 0, 5)});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].Entities.size(), 1u);
}

TEST(ContourBuilder, ManyAllZeroLinesStayFinite) {
    TMyEntityArray s(7);
    const TRegionArrayX r = Build(s);
    std::size_t total = 0;
    for (const TVKRegionX& c : r) {
        total += c.Entities.size();
        for (const TMyEntity& e : c.Entities) {
            EXPECT_TRUE(std::isfinite(e.X1) && std::isfinite(e.Y2));
        }
    }
    EXPECT_EQ(total, 7u);
}

TEST(ContourBuilder, EmptyInputLeavesTheResultAlone) {
    PumpCounter pump;
    TRegionArrayX r(3);
    r[2].Depth = 7;
    TMyEntityArray s;
    BuildContours(s, r, 1, 0);
    EXPECT_EQ(r.size(), 3u);
    EXPECT_EQ(r[2].Depth, 7);
    EXPECT_EQ(pump.calls, 0);
}

TEST(ContourBuilder, LetsTheInterfaceBreatheAtTheStartAndWhileJoining) {
    PumpCounter pump;
    TMyEntityArray s;
    for (int i = 0; i < 30; ++i)
        s.push_back(MakeLine(3 * i, 0, 3 * i + 1, 0));
    TRegionArrayX r;
    BuildContours(s, r, 1, 0);
    EXPECT_EQ(r.size(), 31u);
    EXPECT_GE(pump.calls, 2);
}

// ---- very large input --------------------------------------------------------------

TEST(ContourBuilder, LargeInputUsesFewerLargerBatches) {
    // 60 001 segments: h = 60 000 gives batches of h div 500 = 120. The 120 leftmost
    // segments form one outline, which then closes inside batch 0 (Pending stays 1);
    // with batches of 100 it would be cut and closed by the joining pass (Pending 0).
    std::mt19937 rng(42);
    TMyEntityArray s;
    AddEdges(Polygon(10, 0, 8, 10, 120, rng), rng, s);
    for (int i = 0; s.size() < 60001; ++i)
        s.push_back(MakeLine(100 + 2 * i, 0, 101 + 2 * i, 0));
    SortByMinX(s);
    const TRegionArrayX r = Build(s);
    ASSERT_EQ(r.size(), 1u + 1 + (60001 - 120));
    EXPECT_EQ(r[1].IsOpen, 0);
    EXPECT_EQ(r[1].Pending, 1);
    EXPECT_EQ(r[1].Entities.size(), 120u);
    EXPECT_TRUE(IsClockwise(r[1]));
}

// ---- seeded random outlines --------------------------------------------------------

TEST(ContourBuilder, RandomTextOutlinesCloseClockwiseUsingEverySegmentOnce) {
    std::mt19937 rng(42);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const TMyEntityArray s = RandomText(rng, 25);
        std::vector<Box> given;
        for (const TMyEntity& e : s)
            given.push_back(BoxOf(e));

        const TRegionArrayX r = Build(s);
        std::vector<Box> used;
        for (std::size_t i = 1; i < r.size(); ++i) {
            const TVKRegionX& c = r[i];
            ASSERT_EQ(c.IsOpen, 0) << "contour " << i;
            ASSERT_TRUE(IsClockwise(c)) << "contour " << i;
            ExpectGapless(c);
            for (const TMyEntity& e : c.Entities)
                used.push_back(BoxOf(e));
        }
        std::sort(given.begin(), given.end());
        std::sort(used.begin(), used.end());
        EXPECT_EQ(used, given);
    }
}

// The indexed scans must choose exactly what the plain reference chooses, sorted input or not.
TEST(ContourBuilder, ChoosesExactlyWhatThePlainReferenceChooses) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> coord(0, 30);
    std::uniform_int_distribution<int> grid(0, 40);
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        TMyEntityArray s = RandomText(rng, 12);
        // Loose lines on a coarse grid meet each other in many ways and leave open chains.
        for (int i = 0; i < 300; ++i)
            s.push_back(
                MakeLine(grid(rng) * 0.5, grid(rng) * 0.5, grid(rng) * 0.5, grid(rng) * 0.5));
        if (round % 2 == 0)
            SortByMinX(s);
        else
            std::shuffle(s.begin(), s.end(), rng); // callers' contract broken: still equal
        ExpectSameContours(BuildPlain(s), Build(s));
    }
}

// The kernel's sort runs the partition on (MinX, index) keys and moves each item once; it
// must leave every item, ties included, where swapping the items themselves leaves it.
// Few distinct MinX values make long runs of ties; the tags tell equal MinX apart.
TEST(ContourBuilder, KeyedSortPlacesTiesExactlyAsTheItemSwapSort) {
    std::mt19937 rng(42);
    for (int distinct : {1, 2, 5, 50, 100000}) {
        std::uniform_int_distribution<int> x(0, distinct - 1);
        for (int n : {2, 3, 7, 100, 1001, 20000}) {
            TMyEntityArray s;
            for (int i = 0; i < n; ++i) {
                s.push_back(MakeLine(x(rng), i, x(rng) + distinct, i));
                s.back().Tag = i;
            }
            TMyEntityArray expected = s;
            const auto hi = static_cast<std::ptrdiff_t>(n) - 1;
            plain_reference::SwapSortByMinX(expected, 0, hi);
            ::SortByMinX(s, 0, hi);
            std::vector<std::int32_t> got, want;
            for (std::size_t i = 0; i < s.size(); ++i) {
                got.push_back(s[i].Tag);
                want.push_back(expected[i].Tag);
            }
            ASSERT_EQ(got, want) << distinct << " values, " << n << " items";
            // A part of the array: the rest stays where it was.
            TMyEntityArray part = s, partExpected = s;
            std::shuffle(part.begin(), part.end(), rng);
            partExpected = part;
            const std::ptrdiff_t lo = n / 3, mid = std::max<std::ptrdiff_t>(lo, hi - n / 3);
            plain_reference::SwapSortByMinX(partExpected, lo, mid);
            ::SortByMinX(part, lo, mid);
            for (std::size_t i = 0; i < part.size(); ++i)
                ASSERT_EQ(part[i].Tag, partExpected[i].Tag) << i;
        }
    }
}

// Built contours hold their segments at exact size: the chains grow in scratch space and
// joins are put together once.
TEST(ContourBuilder, ContoursKeepNoSpareCapacity) {
    std::mt19937 rng(7);
    TMyEntityArray s = RandomText(rng, 40);
    SortByMinX(s);
    for (const TVKRegionX& c : Build(s))
        EXPECT_EQ(c.Entities.capacity(), c.Entities.size());
}

} // namespace
