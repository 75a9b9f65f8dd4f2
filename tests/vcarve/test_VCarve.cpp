// V-carve paths checked against an independent computation: brute-force point-to-segment
// distances to the contours and an even-odd inside test, never the Voronoi diagram.
#include "vcarve/VCarve.h"

#include "glyph/FreeTypeFontService.h"
#include "kernel/QuorvelKernel.h"
#include "layout/LinearLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <sstream>

using namespace orlenta;

namespace {

double TanHalf(const TVCarveSettings& s) {
    return std::tan(s.BitAngle * std::numbers::pi / 360);
}

// A closed contour through the points (the first is not repeated at the end).
TVKRegionX Contour(const std::vector<TPoint2>& corners) {
    TVKRegionX c;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const TPoint2 a = corners[i], b = corners[(i + 1) % corners.size()];
        c.Entities.push_back(MakeLine(a.x, a.y, b.x, b.y));
    }
    return c;
}

std::vector<TPoint2> Rectangle(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}}; // clockwise
}

std::vector<TPoint2> Polygon(TPoint2 centre, double radius, int sides) {
    std::vector<TPoint2> p;
    for (int k = sides; k > 0; --k) { // clockwise
        const double a = 2 * std::numbers::pi * k / sides;
        p.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
    }
    return p;
}

TRegionArrayX Contours(std::initializer_list<std::vector<TPoint2>> rings) {
    TRegionArrayX contours(1);
    for (const auto& ring : rings)
        contours.push_back(Contour(ring));
    return contours;
}

double SegmentDistance(TPoint2 p, TPoint2 a, TPoint2 b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    const double t =
        len2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double OutlineDistance(TPoint2 p, const TRegionArrayX& contours) {
    double d = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const TMyEntity& e : contours[i].Entities)
            d = std::min(d, SegmentDistance(p, {e.X1, e.Y1}, {e.X2, e.Y2}));
    return d;
}

bool InsideOutline(TPoint2 p, const TRegionArrayX& contours) {
    bool inside = false;
    for (std::size_t i = 1; i < contours.size(); ++i)
        for (const TMyEntity& e : contours[i].Entities)
            if ((e.Y1 > p.y) != (e.Y2 > p.y) &&
                p.x < e.X1 + (e.X2 - e.X1) * (p.y - e.Y1) / (e.Y2 - e.Y1))
                inside = !inside;
    return inside;
}

// Every point of every path: inside the outline (or on it within the accuracy), at the
// depth its distance to the outline asks for, and with a cone footprint that stays within
// the accuracy of the outline, between the points too. Returns the number of points.
std::size_t ExpectPathsFollowOutline(const TCarvePathArray& paths, const TRegionArrayX& contours,
                                     const TVCarveSettings& s) {
    const double acc = s.Accuracy;
    std::size_t points = 0;
    for (const TCarvePath& path : paths) {
        EXPECT_FALSE(path.Points.empty());
        for (std::size_t i = 0; i < path.Points.size(); ++i) {
            const TPoint3& v = path.Points[i];
            const double d = OutlineDistance({v.x, v.y}, contours);
            const double want = std::min(d / TanHalf(s), s.MaxDepth);
            EXPECT_NEAR(v.depth, want, acc) << "at " << v.x << ", " << v.y;
            EXPECT_TRUE(InsideOutline({v.x, v.y}, contours) || d <= acc)
                << "outside at " << v.x << ", " << v.y;
            ++points;
            if (i == 0)
                continue;
            const TPoint3& u = path.Points[i - 1];
            for (double t : {0.25, 0.5, 0.75}) {
                const TPoint2 m{u.x + t * (v.x - u.x), u.y + t * (v.y - u.y)};
                const double depth = u.depth + t * (v.depth - u.depth);
                const double dm = OutlineDistance(m, contours);
                EXPECT_LE(depth * TanHalf(s) - dm, acc)
                    << "footprint crosses at " << m.x << ", " << m.y;
                EXPECT_TRUE(InsideOutline(m, contours) || dm <= acc)
                    << "outside at " << m.x << ", " << m.y;
            }
        }
    }
    return points;
}

double MaxDepthOf(const TCarvePathArray& paths) {
    double d = 0;
    for (const TCarvePath& p : paths)
        for (const TPoint3& v : p.Points)
            d = std::max(d, v.depth);
    return d;
}

// Whether some path point lies within tol of p in the plane and at most tol deep.
bool Reaches(const TCarvePathArray& paths, TPoint2 p, double tol) {
    for (const TCarvePath& path : paths)
        for (const TPoint3& v : path.Points)
            if (std::hypot(v.x - p.x, v.y - p.y) <= tol && v.depth <= tol)
                return true;
    return false;
}

TEST(VCarve, RectangleCentreLineAndCorners) {
    for (double w : {0.5, 3.0, 7.3})
        for (double angle : {30.0, 60.0, 90.0, 120.0}) {
            SCOPED_TRACE("width " + std::to_string(w) + " angle " + std::to_string(angle));
            const double length = 4 * w + 1;
            const TRegionArrayX contours = Contours({Rectangle(10, 20, 10 + length, 20 + w)});
            TVCarveSettings s;
            s.BitAngle = angle;
            s.MaxDepth = 100;
            s.Accuracy = 0.005;
            const TCarvePathArray paths = BuildCarvePaths(contours, s);
            ExpectPathsFollowOutline(paths, contours, s);
            const double deepest = (w / 2) / TanHalf(s);
            EXPECT_NEAR(MaxDepthOf(paths), deepest, s.Accuracy);
            // The centre line: every point at the full depth lies at w / 2, and it runs from
            // x0 + w / 2 to x1 - w / 2.
            double from = 1e9, to = -1e9;
            for (const TCarvePath& p : paths)
                for (const TPoint3& v : p.Points)
                    if (v.depth > deepest - s.Accuracy) {
                        EXPECT_NEAR(v.y, 20 + w / 2, s.Accuracy);
                        from = std::min(from, v.x);
                        to = std::max(to, v.x);
                    }
            EXPECT_NEAR(from, 10 + w / 2, s.Accuracy);
            EXPECT_NEAR(to, 10 + length - w / 2, s.Accuracy);
            // Square corners are sharp: the bit rises into each of them.
            for (TPoint2 corner : {TPoint2{10, 20}, TPoint2{10, 20 + w}, TPoint2{10 + length, 20},
                                   TPoint2{10 + length, 20 + w}})
                EXPECT_TRUE(Reaches(paths, corner, s.Accuracy)) << corner.x << ", " << corner.y;
            // Centre line and four corner branches: at most three plunges.
            EXPECT_LE(paths.size(), 3u);
        }
}

TEST(VCarve, CappedDepthIsFollowedExactly) {
    const TRegionArrayX contours = Contours({Rectangle(0, 0, 20, 4)});
    TVCarveSettings s;
    s.BitAngle = 90;
    s.MaxDepth = 0.8; // the centre would be 2 deep
    const TCarvePathArray paths = BuildCarvePaths(contours, s);
    ExpectPathsFollowOutline(paths, contours, s);
    EXPECT_DOUBLE_EQ(MaxDepthOf(paths), 0.8);
    // The cap begins where the corner branches reach r = 0.8: a point is put in exactly there.
    std::size_t atCap = 0;
    for (const TCarvePath& p : paths)
        for (const TPoint3& v : p.Points)
            atCap += v.depth == 0.8;
    EXPECT_GE(atCap, 4u);
}

TEST(VCarve, HolesOverlapsTouchingRoundAndThinPieces) {
    struct TCase {
        const char* Name;
        TRegionArrayX Contours;
        double Deepest;             // at the accuracy, with a 90 degree bit
        TRegionArrayX Outline = {}; // what the region's outline is, when not Contours
    };
    const std::vector<TCase> cases = {
        // A frame 2 wide: the hole is not carved; deepest in the corners, on the diagonal t
        // from both outer sides and sqrt(2) (2 - t) from the hole's corner.
        {"frame", Contours({Rectangle(0, 0, 10, 8), Rectangle(2, 2, 8, 6)}),
         2 * std::sqrt(2.0) / (1 + std::sqrt(2.0))},
        // Two overlapping bars make one plus sign: the deepest point is at the crossing,
        // sqrt(2) from the inner corners.
        {"plus", Contours({Rectangle(-5, -1, 5, 1), Rectangle(-1, -5, 1, 5)}), std::sqrt(2.0),
         Contours({{{-5, -1},
                    {-5, 1},
                    {-1, 1},
                    {-1, 5},
                    {1, 5},
                    {1, 1},
                    {5, 1},
                    {5, -1},
                    {1, -1},
                    {1, -5},
                    {-1, -5},
                    {-1, -1}}})},
        // Two squares sharing an edge are one bar 4 x 2.
        {"shared edge", Contours({Rectangle(0, 0, 2, 2), Rectangle(2, 0, 4, 2)}), 1,
         Contours({Rectangle(0, 0, 4, 2)})},
        // Two squares touching at a corner stay two squares.
        {"shared corner", Contours({Rectangle(0, 0, 2, 2), Rectangle(2, 2, 4, 4)}), 1},
        // A flattened circle: all its corners are too shallow to need a branch, its centre
        // is plunged.
        {"dot", Contours({Polygon({3, 4}, 1.5, 96)}), 1.5 * std::cos(std::numbers::pi / 96)},
        // A sliver with near-parallel long sides.
        {"sliver", Contours({{{0, 0}, {100, 0.02}, {100, 0}}}), 0.01},
        // A square whose sides are cut into pieces far below the accuracy.
        {"tiny pieces",
         [] {
             std::vector<TPoint2> p;
             for (int k = 0; k < 400; ++k)
                 p.push_back({0, k * 0.005});
             for (int k = 0; k < 400; ++k)
                 p.push_back({k * 0.005, 2});
             for (int k = 0; k < 400; ++k)
                 p.push_back({2, 2 - k * 0.005});
             for (int k = 0; k < 400; ++k)
                 p.push_back({2 - k * 0.005, 0});
             return Contours({p});
         }(),
         1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TVCarveSettings s;
        s.MaxDepth = 100;
        const TCarvePathArray paths = BuildCarvePaths(c.Contours, s);
        ASSERT_FALSE(paths.empty());
        ExpectPathsFollowOutline(paths, c.Outline.empty() ? c.Contours : c.Outline, s);
        EXPECT_NEAR(MaxDepthOf(paths), c.Deepest, s.Accuracy);
    }
}

TEST(VCarve, DegenerateAndHugeInputGiveNoPathOrValidPaths) {
    TVCarveSettings s;
    EXPECT_TRUE(BuildCarvePaths(TRegionArrayX(1), s).empty());
    EXPECT_TRUE(BuildCarvePaths({}, s).empty());
    // Smaller than the grid, and a contour of one segment.
    EXPECT_TRUE(BuildCarvePaths(Contours({Rectangle(0, 0, 1e-5, 1e-5)}), s).empty());
    TRegionArrayX line = Contours({{{0, 0}, {1, 1}}});
    EXPECT_TRUE(BuildCarvePaths(line, s).empty());
    // An open contour has no region; Create refuses it with a message beforehand.
    TRegionArrayX open = Contours({Rectangle(0, 0, 2, 2), Rectangle(3, 0, 5, 2)});
    EXPECT_FALSE(HasOpenContours(open));
    open[2].IsOpen = 1;
    EXPECT_TRUE(HasOpenContours(open));
    EXPECT_EQ(BuildCarvePaths(open, s).size(), 2u); // the closed square: its two diagonals
    // Far from the origin and huge: a coarser grid, still inside and finite.
    for (double scale : {1e3, 1e7}) {
        const TRegionArrayX far = Contours({Rectangle(1e9, 1e9, 1e9 + 3 * scale, 1e9 + scale)});
        s.MaxDepth = 1e12;
        s.Accuracy = scale * 1e-3;
        const TCarvePathArray paths = BuildCarvePaths(far, s);
        ASSERT_FALSE(paths.empty());
        EXPECT_NEAR(MaxDepthOf(paths), scale / 2, scale * 1e-3);
    }
    TRegionArrayX bad = Contours({Rectangle(0, 0, 2, 2)});
    bad[1].Entities[1].X1 = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(BuildCarvePaths(bad, TVCarveSettings{}), EInvalidOp);
}

TEST(VCarve, SettingsOutOfRangeAreRefused) {
    const TRegionArrayX contours = Contours({Rectangle(0, 0, 2, 2)});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [angle, depth, accuracy] :
         std::vector<std::array<double, 3>>{{1, 1, 0.01},
                                            {179, 1, 0.01},
                                            {nan, 1, 0.01},
                                            {90, 0, 0.01},
                                            {90, -1, 0.01},
                                            {90, 1, 0},
                                            {90, 1, nan},
                                            {90, std::numeric_limits<double>::infinity(), 0.01}}) {
        TVCarveSettings s;
        s.BitAngle = angle;
        s.MaxDepth = depth;
        s.Accuracy = accuracy;
        EXPECT_THROW(BuildCarvePaths(contours, s), EVCarveSetting)
            << angle << " " << depth << " " << accuracy;
    }
}

// Every printable ASCII character of fonts with quadratic and cubic outlines, upright and
// italic, with the depth free and capped.
TEST(VCarve, EveryCharacterOfSeveralFontsFollowsItsOutline) {
    const std::array<TFontSpec, 4> faces = {{{"DejaVu Sans", false, false},
                                             {"FreeSerif", false, true},
                                             {"Liberation Serif", true, false},
                                             {"Cantarell", false, false}}};
    TTTFToVectorConverter converter;
    std::size_t points = 0;
    int carved = 0;
    for (const TFontSpec& face : faces) {
        converter.SetFont(face);
        converter.SetPrecision(5);
        for (char32_t c = 33; c < 127; ++c) {
            TRegionArrayX contours(1);
            LayoutLinear(std::u32string(1, c), contours, converter, 10, 0, 0);
            if (contours.size() < 2)
                continue;
            for (const auto& [angle, maxDepth] : {std::pair{60.0, 100.0}, std::pair{90.0, 0.25}}) {
                std::ostringstream what;
                what << face.Name << (face.Italic ? " italic" : "") << (face.Bold ? " bold" : "")
                     << " '" << static_cast<char>(c) << "' angle " << angle << " max " << maxDepth;
                SCOPED_TRACE(what.str());
                TVCarveSettings s;
                s.BitAngle = angle;
                s.MaxDepth = maxDepth;
                s.Accuracy = 0.01;
                const TCarvePathArray paths = BuildCarvePaths(contours, s);
                EXPECT_FALSE(paths.empty());
                points += ExpectPathsFollowOutline(paths, contours, s);
                ++carved;
                if (HasFailure())
                    return;
            }
        }
    }
    EXPECT_GT(carved, 700);
    EXPECT_GT(points, 10000u);
}

} // namespace
