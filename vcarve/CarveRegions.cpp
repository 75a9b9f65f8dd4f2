// Glyph regions for V-carving; see CarveRegions.h.
#include "vcarve/CarveRegions.h"

#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <boost/polygon/polygon.hpp>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orlenta {

namespace {

namespace bp = boost::polygon;
using TIntPolygon = bp::polygon_data<std::int32_t>;
using TIntPolygonWithHoles = bp::polygon_with_holes_data<std::int32_t>;

// More chords than this for one arc segment add nothing a grid step can show.
constexpr int MaxArcChords = 4096;
// Corners of a ring tested against another ring to tell whether it lies inside.
constexpr std::size_t MaxProbes = 32;

// The contour's corners in travel order (its closing point left out), arcs cut into chords
// that stay within grid of the arc.
std::vector<TPoint2> ContourCorners(const TVKRegionX& c, double grid) {
    std::vector<TPoint2> points;
    for (const TMyEntity& e : c.Entities) {
        points.push_back(SegmentStart(e));
        if (e.Radius == 0)
            continue;
        const double r = std::fabs(e.Radius);
        const double sweep = std::fabs(ArcSweep(e));
        const double step = r > grid ? 2 * std::acos(1 - grid / r) : sweep;
        const int n = std::clamp(static_cast<int>(std::ceil(sweep / step)), 1, MaxArcChords);
        const double a0 = e.X2;
        const double da = (e.Radius > 0 ? 1 : -1) * sweep / n;
        for (int k = 1; k < n; ++k)
            points.push_back({e.X1 + r * std::cos(a0 + k * da), e.Y1 + r * std::sin(a0 + k * da)});
    }
    return points;
}

std::int64_t TwiceArea(const TGridRing& ring) {
    std::int64_t a = 0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        a += static_cast<std::int64_t>(ring[j].x) * ring[i].y -
             static_cast<std::int64_t>(ring[i].x) * ring[j].y;
    return a;
}

// Drops repeated points (the closing one too) and points on a straight run between their
// neighbours; an exactly straight corner gives the Voronoi builder a cell of no area for
// nothing. Clears a ring left with no area.
void SimplifyRing(TGridRing& ring) {
    TGridRing out;
    out.reserve(ring.size());
    for (const TGridPoint& q : ring)
        if (out.empty() || !(q == out.back()))
            out.push_back(q);
    while (out.size() > 1 && out.front() == out.back())
        out.pop_back();
    bool changed = true;
    while (changed && out.size() >= 3) {
        changed = false;
        TGridRing kept;
        kept.reserve(out.size());
        const std::size_t n = out.size();
        for (std::size_t i = 0; i < n; ++i) {
            const TGridPoint& p = out[(i + n - 1) % n];
            const TGridPoint& q = out[i];
            const TGridPoint& r = out[(i + 1) % n];
            const std::int64_t cross = static_cast<std::int64_t>(q.x - p.x) * (r.y - q.y) -
                                       static_cast<std::int64_t>(q.y - p.y) * (r.x - q.x);
            const std::int64_t dot = static_cast<std::int64_t>(q.x - p.x) * (r.x - q.x) +
                                     static_cast<std::int64_t>(q.y - p.y) * (r.y - q.y);
            if (cross == 0 && dot > 0)
                changed = true;
            else
                kept.push_back(q);
        }
        out = std::move(kept);
    }
    if (out.size() < 3 || TwiceArea(out) == 0)
        out.clear();
    ring = std::move(out);
}

// Even-odd crossing test of a point against a grid ring.
bool InsideRing(double x, double y, const TGridRing& ring) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const double xi = ring[i].x, yi = ring[i].y, xj = ring[j].x, yj = ring[j].y;
        if ((yi > y) != (yj > y) && x < xi + (xj - xi) * (y - yi) / (yj - yi))
            inside = !inside;
    }
    return inside;
}

struct TBox {
    double MinX = 0;
    double MinY = 0;
    double MaxY = 0;
    double MaxX = 0;
};

// Groups of contours whose boxes overlap or come within gap of each other, each group's
// members in ascending order.
std::vector<std::vector<std::size_t>> TouchingGroups(const std::vector<TBox>& boxes, double gap) {
    std::vector<std::size_t> parent(boxes.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&parent](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    std::vector<std::size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&boxes](std::size_t a, std::size_t b) { return boxes[a].MinX < boxes[b].MinX; });
    std::vector<std::size_t> active;
    for (std::size_t i : order) {
        const TBox& b = boxes[i];
        std::erase_if(active, [&](std::size_t k) { return boxes[k].MaxX + gap < b.MinX; });
        for (std::size_t k : active)
            if (boxes[k].MinY <= b.MaxY + gap && b.MinY <= boxes[k].MaxY + gap)
                parent[find(k)] = find(i);
        active.push_back(i);
    }
    std::vector<std::vector<std::size_t>> groups(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i)
        groups[find(i)].push_back(i);
    std::erase_if(groups, [](const auto& g) { return g.empty(); });
    return groups;
}

TGridRing RingOf(const TIntPolygon& polygon) {
    TGridRing ring;
    for (auto it = polygon.begin(); it != polygon.end(); ++it)
        ring.push_back({it->x(), it->y()});
    return ring;
}

// The regions of one group of contours, each given as its corner points.
void GroupRegions(const std::vector<std::vector<TPoint2>>& corners, double grid,
                  std::vector<TCarveRegion>& regions) {
    TBox box{corners[0][0].x, corners[0][0].y, corners[0][0].y, corners[0][0].x};
    for (const auto& ring : corners)
        for (const TPoint2& p : ring) {
            box.MinX = std::min(box.MinX, p.x);
            box.MaxX = std::max(box.MaxX, p.x);
            box.MinY = std::min(box.MinY, p.y);
            box.MaxY = std::max(box.MaxY, p.y);
        }
    const double span = std::max(box.MaxX - box.MinX, box.MaxY - box.MinY);
    const double g = std::max(grid, span / MaxGridSpan);
    CheckFinite(g);

    std::vector<TGridRing> rings;
    for (const auto& points : corners) {
        TGridRing ring;
        ring.reserve(points.size());
        for (const TPoint2& p : points)
            ring.push_back({static_cast<std::int32_t>(std::lround((p.x - box.MinX) / g)),
                            static_cast<std::int32_t>(std::lround((p.y - box.MinY) / g))});
        SimplifyRing(ring);
        if (!ring.empty())
            rings.push_back(std::move(ring));
    }

    // The contours all run one way, so only nesting tells a hole from an outer boundary: a
    // ring inside an odd number of others is a hole. Rings of neighbouring letters, or of one
    // letter's overlapping parts, may cross each other: a ring counts as inside another only
    // when its box lies within the other's and most of its corners (up to MaxProbes of them,
    // spread along it) lie inside.
    std::vector<TBox> ringBoxes;
    for (const TGridRing& ring : rings) {
        TBox b{double(ring[0].x), double(ring[0].y), double(ring[0].y), double(ring[0].x)};
        for (const TGridPoint& p : ring) {
            b.MinX = std::min(b.MinX, double(p.x));
            b.MaxX = std::max(b.MaxX, double(p.x));
            b.MinY = std::min(b.MinY, double(p.y));
            b.MaxY = std::max(b.MaxY, double(p.y));
        }
        ringBoxes.push_back(b);
    }
    bp::polygon_set_data<std::int32_t> set;
    for (std::size_t i = 0; i < rings.size(); ++i) {
        const TGridRing& ring = rings[i];
        const TBox& bi = ringBoxes[i];
        const std::size_t probes = std::min(ring.size(), MaxProbes);
        int enclosing = 0;
        for (std::size_t j = 0; j < rings.size(); ++j) {
            const TBox& bj = ringBoxes[j];
            if (j == i || bi.MinX < bj.MinX || bi.MaxX > bj.MaxX || bi.MinY < bj.MinY ||
                bi.MaxY > bj.MaxY)
                continue;
            std::size_t inside = 0;
            for (std::size_t k = 0; k < probes; ++k) {
                const TGridPoint& p = ring[k * ring.size() / probes];
                inside += InsideRing(p.x, p.y, rings[j]);
            }
            if (2 * inside > probes)
                ++enclosing;
        }
        TIntPolygon polygon;
        std::vector<bp::point_data<std::int32_t>> points;
        for (const TGridPoint& p : ring)
            points.emplace_back(p.x, p.y);
        polygon.set(points.begin(), points.end());
        set.insert(polygon, enclosing % 2 == 1);
    }

    std::vector<TIntPolygonWithHoles> clean;
    set.get(clean);
    for (const TIntPolygonWithHoles& piece : clean) {
        TCarveRegion region{box.MinX, box.MinY, g, {}};
        TGridRing outer = RingOf(piece.self_);
        SimplifyRing(outer);
        if (outer.empty())
            continue;
        if (TwiceArea(outer) < 0)
            std::reverse(outer.begin(), outer.end());
        region.Rings.push_back(std::move(outer));
        for (auto hole = piece.begin_holes(); hole != piece.end_holes(); ++hole) {
            TGridRing ring = RingOf(*hole);
            SimplifyRing(ring);
            if (ring.empty())
                continue;
            if (TwiceArea(ring) > 0)
                std::reverse(ring.begin(), ring.end());
            region.Rings.push_back(std::move(ring));
        }
        regions.push_back(std::move(region));
    }
}

} // namespace

std::vector<TCarveRegion> CarveRegions(const TRegionArrayX& contours, double grid) {
    std::vector<std::vector<TPoint2>> corners;
    std::vector<TBox> boxes;
    for (std::size_t i = 1; i < contours.size(); ++i) {
        const TVKRegionX& c = contours[i];
        if (c.IsOpen != 0 || c.Entities.size() < 2)
            continue;
        std::vector<TPoint2> points = ContourCorners(c, grid);
        TBox b{points[0].x, points[0].y, points[0].y, points[0].x};
        for (const TPoint2& p : points) {
            CheckFinite(p.x);
            CheckFinite(p.y);
            b.MinX = std::min(b.MinX, p.x);
            b.MaxX = std::max(b.MaxX, p.x);
            b.MinY = std::min(b.MinY, p.y);
            b.MaxY = std::max(b.MaxY, p.y);
        }
        corners.push_back(std::move(points));
        boxes.push_back(b);
    }
    std::vector<TCarveRegion> regions;
    for (const std::vector<std::size_t>& group : TouchingGroups(boxes, grid)) {
        std::vector<std::vector<TPoint2>> members;
        for (std::size_t i : group)
            members.push_back(std::move(corners[i]));
        GroupRegions(members, grid, regions);
    }
    return regions;
}

} // namespace orlenta
