// Arc fitting; see ArcFit.h.
#include "kernel/ArcFit.h"

#include "kernel/QuorvelKernel.h"

#include <cmath>
#include <optional>

namespace orlenta {

namespace {

struct TCircle {
    TPoint2 Centre;
    double Radius = 0;
};

// The circle through a, b and c; nothing when they are (nearly) collinear.
std::optional<TCircle> Circumcircle(TPoint2 a, TPoint2 b, TPoint2 c) {
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    const double d = 2 * (bx * cy - by * cx);
    const double scale = (bx * bx + by * by) * (cx * cx + cy * cy);
    if (!(d * d > 1e-24 * scale) || scale == 0)
        return std::nullopt;
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = (cy * b2 - by * c2) / d, uy = (bx * c2 - cx * b2) / d;
    const TCircle circle{{a.x + ux, a.y + uy}, std::hypot(ux, uy)};
    if (!std::isfinite(circle.Radius) || circle.Radius > MaxArcRadius)
        return std::nullopt;
    return circle;
}

double Dist(TPoint2 a, TPoint2 b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The strokes from vertex i to vertex j of v as one arc: every vertex and stroke midpoint
// within tol of the circle through i, the middle vertex and j, every stroke turning the
// same way round the centre by less than half a turn, the whole sweep within the limit.
std::optional<TFitMove> ArcOver(const std::vector<TPoint2>& v, std::size_t i, std::size_t j,
                                double tol) {
    const auto c = Circumcircle(v[i], v[(i + j) / 2], v[j]);
    if (!c)
        return std::nullopt;
    double sweep = 0;
    int sign = 0;
    for (std::size_t k = i; k < j; ++k) {
        const TPoint2 p = v[k], q = v[k + 1];
        const TPoint2 mid{(p.x + q.x) / 2, (p.y + q.y) / 2};
        if (std::fabs(Dist(c->Centre, q) - c->Radius) > tol ||
            std::fabs(Dist(c->Centre, mid) - c->Radius) > tol)
            return std::nullopt;
        // The stroke's turn round the centre, from one atan2 of cross and dot product.
        const double px = p.x - c->Centre.x, py = p.y - c->Centre.y;
        const double qx = q.x - c->Centre.x, qy = q.y - c->Centre.y;
        const double d = std::atan2(px * qy - py * qx, px * qx + py * qy);
        const int s = d > 0 ? 1 : (d < 0 ? -1 : 0);
        if (s == 0 || (sign != 0 && s != sign))
            return std::nullopt;
        sign = s;
        sweep += d;
    }
    if (std::fabs(sweep) > MaxArcSweep)
        return std::nullopt;
    return TFitMove{v[j], true, sign < 0, c->Centre};
}

// The strokes from i to j as one straight line: every vertex within tol of it and moving
// forward along it.
bool LineOver(const std::vector<TPoint2>& v, std::size_t i, std::size_t j, double tol) {
    const TPoint2 a = v[i], b = v[j];
    const double len = Dist(a, b);
    if (!(len > 0))
        return false;
    const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
    double along = 0;
    for (std::size_t k = i + 1; k < j; ++k) {
        const double dx = v[k].x - a.x, dy = v[k].y - a.y;
        const double t = dx * ux + dy * uy;
        if (std::fabs(dx * uy - dy * ux) > tol || t < along || t > len)
            return false;
        along = t;
    }
    return true;
}

// The largest j > i (up to last) for which ok(i, j) holds, probing lengths that double and
// then bisecting: O(n log n) checks of O(n) each over a toolpath instead of O(n^2) probes.
template <class Ok> std::size_t Longest(std::size_t i, std::size_t last, std::size_t first, Ok ok) {
    if (i + first > last || !ok(i + first))
        return i;
    std::size_t good = i + first, step = first;
    while (good < last) {
        const std::size_t next = std::min(last, good + step);
        if (!ok(next))
            break;
        good = next;
        step *= 2;
    }
    std::size_t bad = std::min(last, good + step) + 1;
    while (bad - good > 1) {
        const std::size_t mid = good + (bad - good) / 2;
        if (ok(mid))
            good = mid;
        else
            bad = mid;
    }
    return good;
}

} // namespace

std::vector<TFitMove> FitArcs(TPoint2 start, const std::vector<TPoint2>& points, double tolerance) {
    std::vector<TFitMove> moves;
    if (!(tolerance > 0)) {
        moves.reserve(points.size());
        for (const TPoint2& p : points)
            moves.push_back({p, false, false, {}});
        return moves;
    }
    std::vector<TPoint2> v;
    v.reserve(points.size() + 1);
    v.push_back(start);
    v.insert(v.end(), points.begin(), points.end());
    const std::size_t last = v.size() - 1;
    std::size_t i = 0;
    while (i < last) {
        const std::size_t arcEnd = Longest(i, last, MinArcStrokes, [&](std::size_t j) {
            return ArcOver(v, i, j, tolerance).has_value();
        });
        const std::size_t lineEnd =
            Longest(i, last, 1, [&](std::size_t j) { return LineOver(v, i, j, tolerance); });
        if (arcEnd > lineEnd) {
            moves.push_back(*ArcOver(v, i, arcEnd, tolerance));
            i = arcEnd;
        } else {
            // A zero-length stroke is no line either; it is kept as it is.
            const std::size_t j = std::max(lineEnd, i + 1);
            moves.push_back({v[j], false, false, {}});
            i = j;
        }
    }
    return moves;
}

TOutRegionArray FitToolpathArcs(const TOutRegionArray& toolpaths, double tolerance) {
    TOutRegionArray result = toolpaths;
    std::vector<TPoint2> points;
    for (std::size_t i = 1; i < result.size(); ++i) {
        TVKOutRegion& t = result[i];
        if (t.Entities.empty())
            continue;
        TPoint2 at = ToolpathStart(t);
        points.clear();
        for (const TMyEntity& e : t.Entities)
            points.push_back(SegmentEnd(e));
        TMyEntityArray fitted;
        for (const TFitMove& m : FitArcs(at, points, tolerance)) {
            if (m.Arc) {
                const double r = std::hypot(at.x - m.Centre.x, at.y - m.Centre.y);
                fitted.push_back(MakeArc(m.Centre.x, m.Centre.y, m.Clockwise ? -r : r,
                                         PointAngle(m.Centre, at), PointAngle(m.Centre, m.End)));
            } else {
                fitted.push_back(MakeLine(at.x, at.y, m.End.x, m.End.y));
            }
            at = m.End;
        }
        t.Entities = std::move(fitted);
    }
    return result;
}

} // namespace orlenta
