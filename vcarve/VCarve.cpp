// V-carving; see VCarve.h.
#include "vcarve/VCarve.h"

#include "vcarve/CarveRegions.h"
#include "vcarve/MedialAxis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace orlenta {

namespace {

// The error budget: snapping the outline to the grid moves distances by at most 0.71 grid
// steps and each straight piece of the axis strays from the true one by at most the piece
// tolerance, in the plane and in r. A quarter of the accuracy for each (in r, which the
// cone's half-angle stretches into depth) keeps the sum within the accuracy.
double RadiusTolerance(const TVCarveSettings& s) {
    const double tanHalf = std::tan(s.BitAngle * std::numbers::pi / 360);
    return s.Accuracy * std::min(1.0, tanHalf) / 4;
}

double Distance(TPoint2 a, TPoint2 b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Puts in a point wherever r passes rCap between two points of a branch, so that the path
// follows the capped depth exactly instead of cutting the corner between them.
void MarkCap(std::vector<TAxisPoint>& points, double rCap) {
    std::vector<TAxisPoint> out;
    out.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) {
            const TAxisPoint& a = points[i - 1];
            const TAxisPoint& b = points[i];
            if ((a.r < rCap) != (b.r < rCap) && a.r != b.r) {
                const double t = (rCap - a.r) / (b.r - a.r);
                if (t > 0 && t < 1)
                    out.push_back({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), rCap});
            }
        }
        out.push_back(points[i]);
    }
    points = std::move(out);
}

using TPolyline = std::vector<TAxisPoint>;

// Cuts the branches into continuous lines: from every node where an odd number of branches
// meet (the ends first), then round what is left (closed loops); at each node the line goes
// on along the unused branch that turns least.
std::vector<TPolyline> ChainBranches(const TMedialAxis& axis) {
    std::vector<std::vector<std::size_t>> incident(axis.Nodes.size());
    std::vector<TPolyline> lines;
    for (std::size_t e = 0; e < axis.Edges.size(); ++e) {
        const TAxisEdge& edge = axis.Edges[e];
        if (edge.From == edge.To && edge.Points.size() == 1) {
            lines.push_back(edge.Points);
            continue;
        }
        incident[edge.From].push_back(e);
        incident[edge.To].push_back(e);
    }
    std::vector<bool> used(axis.Edges.size(), false);
    std::vector<std::size_t> left(axis.Nodes.size());
    for (std::size_t n = 0; n < axis.Nodes.size(); ++n)
        left[n] = incident[n].size();

    auto walk = [&](std::size_t node) {
        TPolyline line{axis.Nodes[node]};
        while (left[node] > 0) {
            const std::size_t n = line.size();
            double bestTurn = std::numeric_limits<double>::infinity();
            std::size_t best = 0;
            for (std::size_t e : incident[node]) {
                if (used[e])
                    continue;
                const TAxisEdge& edge = axis.Edges[e];
                const bool forward = edge.From == node;
                const TAxisPoint& next =
                    forward ? edge.Points[1] : edge.Points[edge.Points.size() - 2];
                double turn = 0;
                if (n >= 2) {
                    const TAxisPoint& a = line[n - 2];
                    const TAxisPoint& b = line[n - 1];
                    const double h0 = std::atan2(b.y - a.y, b.x - a.x);
                    const double h1 = std::atan2(next.y - b.y, next.x - b.x);
                    turn = std::fabs(std::remainder(h1 - h0, 2 * std::numbers::pi));
                }
                if (turn < bestTurn) {
                    bestTurn = turn;
                    best = e;
                }
            }
            const TAxisEdge& edge = axis.Edges[best];
            used[best] = true;
            --left[edge.From];
            --left[edge.To];
            if (edge.From == node)
                line.insert(line.end(), edge.Points.begin() + 1, edge.Points.end());
            else
                line.insert(line.end(), edge.Points.rbegin() + 1, edge.Points.rend());
            node = edge.From == node ? edge.To : edge.From;
        }
        lines.push_back(std::move(line));
    };
    for (std::size_t n = 0; n < axis.Nodes.size(); ++n)
        if (incident[n].size() % 2 == 1 && left[n] > 0)
            walk(n);
    for (std::size_t n = 0; n < axis.Nodes.size(); ++n)
        if (left[n] > 0)
            walk(n);
    return lines;
}

struct TRegionPaths {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
    TCarvePathArray Paths;
};

double DistanceToBox(TPoint2 p, const TRegionPaths& box) {
    const double dx = std::max({box.MinX - p.x, 0.0, p.x - box.MaxX});
    const double dy = std::max({box.MinY - p.y, 0.0, p.y - box.MaxY});
    return std::hypot(dx, dy);
}

TPoint2 Start(const TCarvePath& p) {
    return {p.Points.front().x, p.Points.front().y};
}
TPoint2 End(const TCarvePath& p) {
    return {p.Points.back().x, p.Points.back().y};
}

// Appends the region's paths nearest first from at (moved to where the last one ends), each
// turned to start at its end nearer to the tool.
void AppendNearestFirst(TCarvePathArray& paths, TPoint2& at, TCarvePathArray& out) {
    std::vector<bool> done(paths.size(), false);
    for (std::size_t k = 0; k < paths.size(); ++k) {
        std::size_t best = 0;
        bool reverse = false;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (done[i])
                continue;
            const double ds = Distance(at, Start(paths[i]));
            const double de = Distance(at, End(paths[i]));
            if (std::min(ds, de) < bestDistance) {
                bestDistance = std::min(ds, de);
                best = i;
                reverse = de < ds;
            }
        }
        done[best] = true;
        if (reverse)
            std::reverse(paths[best].Points.begin(), paths[best].Points.end());
        at = End(paths[best]);
        out.push_back(std::move(paths[best]));
    }
}

} // namespace

TVCarveSettings CarveSettings(const TMachiningParameters& params) {
    TVCarveSettings s;
    s.BitAngle = params.Engrave.VBitAngle;
    s.MaxDepth = params.Engrave.VMaxDepth;
    s.Accuracy = params.Engrave.VAccuracy;
    s.Feed = params.RoughFeed;
    s.RapidHeight = params.RapidHeight;
    return s;
}

bool HasOpenContours(const TRegionArrayX& contours) {
    return std::any_of(contours.begin() + (contours.empty() ? 0 : 1), contours.end(),
                       [](const TVKRegionX& c) { return c.IsOpen != 0; });
}

void CheckVCarveSettings(const TVCarveSettings& s) {
    if (!(s.BitAngle > MinVBitAngle && s.BitAngle < MaxVBitAngle))
        throw EVCarveSetting("The V-bit angle must lie between 1 and 179 degrees");
    if (!(s.MaxDepth > 0) || !std::isfinite(s.MaxDepth))
        throw EVCarveSetting("The V-carve maximum depth must be above 0");
    if (!(s.Accuracy > 0) || !std::isfinite(s.Accuracy))
        throw EVCarveSetting("The V-carve accuracy must be above 0");
}

double CarveDepth(double r, const TVCarveSettings& s) {
    return std::min(r / std::tan(s.BitAngle * std::numbers::pi / 360), s.MaxDepth);
}

TCarvePathArray BuildCarvePaths(const TRegionArrayX& contours, const TVCarveSettings& settings) {
    CheckVCarveSettings(settings);
    const double tolerance = RadiusTolerance(settings);
    const double rCap = settings.MaxDepth * std::tan(settings.BitAngle * std::numbers::pi / 360);

    std::vector<TRegionPaths> regions;
    for (const TCarveRegion& region : CarveRegions(contours, tolerance)) {
        TMedialAxis axis = MedialAxis(region, tolerance);
        PruneCornerBranches(axis, settings.Accuracy, rCap);
        for (TAxisEdge& edge : axis.Edges)
            MarkCap(edge.Points, rCap);
        TRegionPaths r;
        r.MinX = r.MinY = std::numeric_limits<double>::infinity();
        r.MaxX = r.MaxY = -std::numeric_limits<double>::infinity();
        for (const TPolyline& line : ChainBranches(axis)) {
            TCarvePath path;
            path.Feed = settings.Feed;
            path.Clearance = -settings.RapidHeight;
            for (const TAxisPoint& p : line) {
                CheckFinite(p.x);
                CheckFinite(p.y);
                CheckFinite(p.r);
                path.Points.push_back({p.x, p.y, CarveDepth(p.r, settings)});
                r.MinX = std::min(r.MinX, p.x);
                r.MaxX = std::max(r.MaxX, p.x);
                r.MinY = std::min(r.MinY, p.y);
                r.MaxY = std::max(r.MaxY, p.y);
            }
            r.Paths.push_back(std::move(path));
        }
        if (!r.Paths.empty())
            regions.push_back(std::move(r));
    }

    TCarvePathArray out;
    std::vector<bool> done(regions.size(), false);
    TPoint2 at{0, 0};
    for (std::size_t k = 0; k < regions.size(); ++k) {
        std::size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < regions.size(); ++i)
            if (!done[i] && DistanceToBox(at, regions[i]) < bestDistance) {
                bestDistance = DistanceToBox(at, regions[i]);
                best = i;
            }
        done[best] = true;
        AppendNearestFirst(regions[best].Paths, at, out);
    }
    return out;
}

} // namespace orlenta
