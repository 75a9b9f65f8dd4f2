// The medial axis of a glyph region; see MedialAxis.h.
//
// Boost.Polygon's Voronoi builder takes the region's edges as integer segments and decides
// every predicate exactly (it falls back to wider arithmetic where doubles could be wrong),
// so near-parallel edges, tiny edges and rings that touch at a corner still give a diagram.
#include "vcarve/MedialAxis.h"

#include <boost/polygon/segment_data.hpp>
#include <boost/polygon/voronoi.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <unordered_map>

namespace orlenta {

namespace {

namespace bp = boost::polygon;
using TSegment = bp::segment_data<std::int32_t>;
using TDiagram = bp::voronoi_diagram<double>;

struct TVec {
    double x = 0;
    double y = 0;
};
TVec operator-(TVec a, TVec b) {
    return {a.x - b.x, a.y - b.y};
}
TVec operator+(TVec a, TVec b) {
    return {a.x + b.x, a.y + b.y};
}
TVec operator*(double k, TVec a) {
    return {k * a.x, k * a.y};
}
double Cross(TVec a, TVec b) {
    return a.x * b.y - a.y * b.x;
}
double Dot(TVec a, TVec b) {
    return a.x * b.x + a.y * b.y;
}
double Length(TVec a) {
    return std::hypot(a.x, a.y);
}

// Deeper halving than this of one branch piece would mean a tolerance far below what
// doubles resolve on the grid; the piece is then taken as it is.
constexpr int MaxSplitDepth = 24;
// Nodes within this many grid steps of the outline are corners of the outline.
constexpr double OnOutline = 1e-3;

struct TSite {
    bool IsPoint = false;
    TVec A; // the point, or the segment's start
    TVec B; // the segment's end (the region lies to its left)
};

class TAxisBuilder {
  public:
    TAxisBuilder(const TCarveRegion& region, double tolerance) : region(region) {
        tol = tolerance / region.Grid;
        for (const TGridRing& ring : region.Rings)
            for (std::size_t k = 0; k < ring.size(); ++k) {
                const TGridPoint& a = ring[k];
                const TGridPoint& b = ring[(k + 1) % ring.size()];
                segments.emplace_back(bp::point_data<std::int32_t>(a.x, a.y),
                                      bp::point_data<std::int32_t>(b.x, b.y));
                rays[Key(a)].push_back({{double(b.x) - a.x, double(b.y) - a.y}, false});
                rays[Key(b)].push_back({{double(a.x) - b.x, double(a.y) - b.y}, true});
            }
    }

    TMedialAxis Build() {
        TDiagram vd;
        bp::construct_voronoi(segments.begin(), segments.end(), &vd);
        for (const auto& edge : vd.edges()) {
            if (&edge > edge.twin() || !edge.is_primary() || !edge.is_finite())
                continue;
            if (!Inside(edge))
                continue;
            TAxisEdge out;
            out.From = Node(*edge.vertex0());
            out.To = Node(*edge.vertex1());
            Trace(edge, out.Points);
            out.Points.front() = axis.Nodes[out.From];
            out.Points.back() = axis.Nodes[out.To];
            axis.Edges.push_back(std::move(out));
        }
        return std::move(axis);
    }

  private:
    // A ray from a corner along one of its edges; Incoming when that edge ends at the corner.
    // The region lies left of each edge, so clockwise of an incoming edge's ray and
    // counter-clockwise of an outgoing one's.
    struct TRay {
        TVec Dir;
        bool Incoming = false;
    };

    static std::int64_t Key(TGridPoint p) {
        return (static_cast<std::int64_t>(p.x) << 32) ^ static_cast<std::uint32_t>(p.y);
    }

    TSite Site(const TDiagram::cell_type& cell) const {
        const TSegment& s = segments[cell.source_index()];
        const TVec lo{double(bp::x(bp::low(s))), double(bp::y(bp::low(s)))};
        const TVec hi{double(bp::x(bp::high(s))), double(bp::y(bp::high(s)))};
        switch (cell.source_category()) {
        case bp::SOURCE_CATEGORY_SEGMENT_START_POINT:
            return {true, lo, lo};
        case bp::SOURCE_CATEGORY_SEGMENT_END_POINT:
            return {true, hi, hi};
        default:
            return {false, lo, hi};
        }
    }

    static double Distance(const TSite& s, TVec p) {
        if (s.IsPoint)
            return Length(p - s.A);
        const TVec d = s.B - s.A;
        const double t = std::clamp(Dot(p - s.A, d) / Dot(d, d), 0.0, 1.0);
        return Length(p - (s.A + t * d));
    }

    // Whether a point of the corner's cell lies inside: the edges at the corner split the
    // plane into sectors; turning from the point's direction counter-clockwise, the first
    // edge met bounds its sector, which is inside when it lies clockwise of that edge.
    bool InsideAtCorner(TVec corner, TVec p) const {
        const auto found = rays.find(
            Key({static_cast<std::int32_t>(corner.x), static_cast<std::int32_t>(corner.y)}));
        if (found == rays.end())
            return false;
        const TVec v = p - corner;
        const double base = std::atan2(v.y, v.x);
        double best = 10;
        bool inside = false;
        for (const TRay& ray : found->second) {
            double turn = std::atan2(ray.Dir.y, ray.Dir.x) - base;
            while (turn <= 0)
                turn += 2 * std::numbers::pi;
            while (turn > 2 * std::numbers::pi)
                turn -= 2 * std::numbers::pi;
            if (turn < best) {
                best = turn;
                inside = ray.Incoming;
            }
        }
        return inside;
    }

    // Whether a primary finite edge lies inside the region. An edge never crosses the
    // outline, so one point of it decides; the middle of its chord lies on the same side of
    // any edge site as the whole branch.
    bool Inside(const TDiagram::edge_type& edge) const {
        const TVec v0{edge.vertex0()->x(), edge.vertex0()->y()};
        const TVec v1{edge.vertex1()->x(), edge.vertex1()->y()};
        const TVec mid = 0.5 * (v0 + v1);
        for (const auto* cell : {edge.cell(), edge.twin()->cell()}) {
            const TSite s = Site(*cell);
            if (s.IsPoint)
                continue;
            const double side = Cross(s.B - s.A, mid - s.A);
            if (side != 0)
                return side > 0;
        }
        // Two corners: the branch is straight, so its middle lies on it.
        return InsideAtCorner(Site(*edge.cell()).A, mid);
    }

    std::size_t Node(const TDiagram::vertex_type& v) {
        if (v.color() == 0) {
            const TSite s = Site(*v.incident_edge()->cell());
            const TVec p{v.x(), v.y()};
            double r = Distance(s, p);
            if (r < OnOutline)
                r = 0;
            axis.Nodes.push_back(World(p, r));
            v.color(axis.Nodes.size());
        }
        return v.color() - 1;
    }

    TAxisPoint World(TVec p, double r) const {
        return {region.OriginX + p.x * region.Grid, region.OriginY + p.y * region.Grid,
                r * region.Grid};
    }

    // Halves a straight branch piece until r between its points stays within the tolerance
    // of the straight interpolation (r is convex along a branch between two corners).
    void Split(const TSite& s, TVec a, TVec b, int depth, std::vector<TAxisPoint>& out) const {
        const TVec m = 0.5 * (a + b);
        const double rm = Distance(s, m);
        if (depth < MaxSplitDepth &&
            std::fabs(rm - 0.5 * (Distance(s, a) + Distance(s, b))) > tol) {
            Split(s, a, m, depth + 1, out);
            Split(s, m, b, depth + 1, out);
            return;
        }
        out.push_back(World(b, Distance(s, b)));
    }

    void Trace(const TDiagram::edge_type& edge, std::vector<TAxisPoint>& out) const {
        const TVec v0{edge.vertex0()->x(), edge.vertex0()->y()};
        const TVec v1{edge.vertex1()->x(), edge.vertex1()->y()};
        const TSite s1 = Site(*edge.cell());
        const TSite s2 = Site(*edge.twin()->cell());
        out.push_back(World(v0, Distance(s1, v0)));
        if (!s1.IsPoint && !s2.IsPoint) {
            // Between two edges: r changes linearly along the branch.
            out.push_back(World(v1, Distance(s1, v1)));
            return;
        }
        const TSite& point = s1.IsPoint ? s1 : s2;
        const TSite& line = s1.IsPoint ? s2 : s1;
        if (!edge.is_curved()) {
            Split(point, v0, v1, 0, out);
            return;
        }
        // A parabola with focus at the corner and the edge's line as directrix. Along the
        // line's direction u at parameter t, its height over the line is
        // ((t - tp)^2 + dp^2) / (2 dp); chord and r both deviate from it by dt^2 / (8 dp)
        // at most, so steps of sqrt(8 dp tol) keep both within tol.
        const TVec d = line.B - line.A;
        const TVec u = (1 / Length(d)) * d;
        const TVec n{-u.y, u.x};
        const double tp = Dot(point.A - line.A, u);
        const double dp = Dot(point.A - line.A, n);
        const double t0 = Dot(v0 - line.A, u);
        const double t1 = Dot(v1 - line.A, u);
        const double step = std::sqrt(8 * std::fabs(dp) * tol);
        const int pieces = static_cast<int>(
            std::clamp(std::ceil(std::fabs(t1 - t0) / std::max(step, 1e-12)), 1.0, 1e5));
        for (int k = 1; k < pieces; ++k) {
            const double t = t0 + (t1 - t0) * k / pieces;
            const double h = ((t - tp) * (t - tp) + dp * dp) / (2 * dp);
            const TVec p = line.A + t * u + h * n;
            out.push_back(World(p, std::fabs(h)));
        }
        out.push_back(World(v1, Distance(s1, v1)));
    }

    const TCarveRegion& region;
    double tol = 0;
    std::vector<TSegment> segments;
    std::unordered_map<std::int64_t, std::vector<TRay>> rays;
    TMedialAxis axis;
};

} // namespace

TMedialAxis MedialAxis(const TCarveRegion& region, double tolerance) {
    if (region.Rings.empty())
        return {};
    return TAxisBuilder(region, tolerance).Build();
}

void PruneCornerBranches(TMedialAxis& axis, double accuracy, double maxRadius) {
    const std::size_t nodes = axis.Nodes.size();
    std::vector<std::vector<std::size_t>> incident(nodes);
    for (std::size_t e = 0; e < axis.Edges.size(); ++e) {
        incident[axis.Edges[e].From].push_back(e);
        incident[axis.Edges[e].To].push_back(e);
    }
    std::vector<bool> drop(axis.Edges.size(), false);
    for (std::size_t leaf = 0; leaf < nodes; ++leaf) {
        if (incident[leaf].size() != 1 || axis.Nodes[leaf].r != 0)
            continue;
        // Walk from the corner to the first node where branches meet.
        std::vector<std::size_t> chain;
        std::size_t at = leaf;
        std::size_t via = incident[leaf][0];
        while (true) {
            chain.push_back(via);
            const TAxisEdge& e = axis.Edges[via];
            at = e.From == at ? e.To : e.From;
            if (incident[at].size() != 2)
                break;
            via = incident[at][0] == via ? incident[at][1] : incident[at][0];
            if (chain.size() > axis.Edges.size())
                break; // a closed loop through the corner: nothing to prune
        }
        // A chain from corner to corner is the whole axis of its piece: keep it.
        if (incident[at].size() < 3)
            continue;
        const TAxisPoint& corner = axis.Nodes[leaf];
        const TAxisPoint& inner = axis.Nodes[at];
        const double miss =
            std::hypot(inner.x - corner.x, inner.y - corner.y) - std::min(inner.r, maxRadius);
        if (miss <= accuracy)
            for (std::size_t e : chain)
                drop[e] = true;
    }
    // A round piece (a dot, a flattened circle) loses every branch: its centre stays, as a
    // branch of one point, so that the bit still plunges there.
    std::vector<std::size_t> centres;
    for (std::size_t n = 0; n < nodes; ++n)
        if (!incident[n].empty() && axis.Nodes[n].r > 0 &&
            std::all_of(incident[n].begin(), incident[n].end(),
                        [&drop](std::size_t e) { return drop[e]; }))
            centres.push_back(n);
    std::size_t kept = 0;
    for (std::size_t e = 0; e < axis.Edges.size(); ++e)
        if (!drop[e]) {
            if (kept != e)
                axis.Edges[kept] = std::move(axis.Edges[e]);
            ++kept;
        }
    axis.Edges.resize(kept);
    for (std::size_t n : centres)
        axis.Edges.push_back({n, n, {axis.Nodes[n]}});
}

} // namespace orlenta
