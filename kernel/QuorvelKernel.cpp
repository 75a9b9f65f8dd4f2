// Geometric primitives on segments, contours and toolpaths. Tolerances are part of the
// chaining behaviour that stored jobs rely on; change none without changing them all.
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orlenta {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double TwoPi = 2 * std::numbers::pi;

// Box widening for a point against a contour's box (chaining tolerance of the builder).
constexpr double ContourBoxTolerance = 0.0005;
// Box widening for a point against a segment's box, and the angular slack of arc spans.
constexpr double SegmentBoxTolerance = 0.00005;
// Below this, slopes and differences are treated as degenerate when bending an arc.
constexpr double BendEpsilon = 1e-8;
// Segments no longer than this are passed over when looking for the orientation probe.
constexpr double ProbeMinSize = 0.00025;
// Distance of the orientation probe point to the right of the segment.
constexpr double ProbeOffset = 0.00005;

bool isArc(const TMyEntity& e) {
    return e.Radius != 0;
}

TPoint2 onCircle(const TMyEntity& e, double a) {
    const long double r = std::fabs(e.Radius);
    return {static_cast<double>(e.X1 + r * std::cos(static_cast<long double>(a))),
            static_cast<double>(e.Y1 + r * std::sin(static_cast<long double>(a)))};
}

// Whether angle a lies within the sweep of the arc, with its box semantics.
bool inSweep(const TMyEntity& e, double a) {
    const double b = e.X2;
    const double c = e.Y2;
    if (e.Radius > 0) {
        if (b < c)
            return a >= b && a <= c;
        return (a >= b && a < TwoPi) || (a >= 0 && a <= c);
    }
    if (b > c)
        return a >= c && a <= b;
    return (a >= c && a < TwoPi) || (a >= 0 && a <= b);
}

} // namespace

TPoint2 SegmentStart(const TMyEntity& e) {
    if (isArc(e))
        return onCircle(e, e.X2);
    return {e.X1, e.Y1};
}

TPoint2 SegmentEnd(const TMyEntity& e) {
    if (isArc(e))
        return onCircle(e, e.Y2);
    return {e.X2, e.Y2};
}

std::pair<TPoint2, TPoint2> SegmentEnds(const TMyEntity& e) {
    return {SegmentStart(e), SegmentEnd(e)};
}

void SegmentBounds(TMyEntity& e) {
    if (!isArc(e)) {
        e.MinX = std::min(e.X1, e.X2);
        e.MaxX = std::max(e.X1, e.X2);
        e.MinY = std::min(e.Y1, e.Y2);
        e.MaxY = std::max(e.Y1, e.Y2);
        return;
    }
    const double r = std::fabs(e.Radius);
    if (IsFullCircle(e)) {
        e.MinX = e.X1 - r;
        e.MaxX = e.X1 + r;
        e.MinY = e.Y1 - r;
        e.MaxY = e.Y1 + r;
        return;
    }
    const auto [s, f] = SegmentEnds(e);
    e.MinX = std::min(s.x, f.x);
    e.MaxX = std::max(s.x, f.x);
    e.MinY = std::min(s.y, f.y);
    e.MaxY = std::max(s.y, f.y);
    if (inSweep(e, 0))
        e.MaxX = e.X1 + r;
    if (inSweep(e, Pi / 2))
        e.MaxY = e.Y1 + r;
    if (inSweep(e, Pi))
        e.MinX = e.X1 - r;
    if (inSweep(e, 3 * Pi / 2))
        e.MinY = e.Y1 - r;
}

namespace {
// The record's fields in their order: a line when radius is 0, else an arc round (x1, y1)
// from angle x2 to y2.
TMyEntity boundedSegment(double x1, double y1, double radius, double x2, double y2) {
    TMyEntity e;
    e.X1 = x1;
    e.Y1 = y1;
    e.Radius = radius;
    e.X2 = x2;
    e.Y2 = y2;
    SegmentBounds(e);
    return e;
}
} // namespace

TMyEntity MakeLine(double x1, double y1, double x2, double y2) {
    return boundedSegment(x1, y1, 0, x2, y2);
}

TMyEntity MakeArc(double cx, double cy, double radius, double a0, double a1) {
    return boundedSegment(cx, cy, radius, a0, a1);
}

void ReverseSegment(TMyEntity& e) {
    if (isArc(e)) {
        std::swap(e.X2, e.Y2);
        e.Radius = -e.Radius;
    } else {
        std::swap(e.X1, e.X2);
        std::swap(e.Y1, e.Y2);
    }
}

double ArcSweep(const TMyEntity& e) {
    double s = e.Y2 - e.X2;
    if (e.Radius > 0) {
        if (e.Y2 <= e.X2)
            s += TwoPi;
    } else if (e.Y2 >= e.X2) {
        s -= TwoPi;
    }
    return s;
}

double ArcMidAngle(const TMyEntity& e) {
    double m = e.X2 + ArcSweep(e) / 2;
    if (m > TwoPi)
        m -= TwoPi;
    if (m < 0)
        m += TwoPi;
    return m;
}

TPoint2 SegmentMidpoint(const TMyEntity& e) {
    if (isArc(e))
        return onCircle(e, ArcMidAngle(e));
    return {(e.X1 + e.X2) / 2, (e.Y1 + e.Y2) / 2};
}

double PointAngle(TPoint2 c, TPoint2 p) {
    const double dx = p.x - c.x;
    const double dy = p.y - c.y;
    if (dx == 0)
        return dy >= 0 ? Pi / 2 : 3 * Pi / 2;
    if (dy == 0)
        return dx >= 0 ? 0 : Pi;
    double a = std::atan(dy / dx);
    if (dx < 0)
        a += Pi;
    if (a < 0)
        a += TwoPi;
    return a;
}

double SegmentSize(const TMyEntity& e) {
    if (!isArc(e))
        return std::hypot(e.X2 - e.X1, e.Y2 - e.Y1);
    if (std::fabs(e.X2 - e.Y2) < 1e-8)
        return 2 * std::fabs(e.Radius);
    // The length along the arc: X2/Y2 hold angles here, so their distance means nothing.
    return std::fabs(e.Radius * ArcSweep(e));
}

TPoint2 RightOffsetPoint(TPoint2 p, TPoint2 d, double t) {
    return {p.x + t * d.y, p.y - t * d.x};
}

void MoveSegmentEnd(TMyEntity& e, TPoint2 q, TEnd which) {
    if (!isArc(e)) {
        if (which == TEnd::Start) {
            e.X1 = q.x;
            e.Y1 = q.y;
        } else {
            e.X2 = q.x;
            e.Y2 = q.y;
        }
        return;
    }
    // Bend the arc through its fixed end f, its current midpoint m and the new end q.
    const TPoint2 f = which == TEnd::Start ? SegmentEnd(e) : SegmentStart(e);
    const TPoint2 m = SegmentMidpoint(e);
    if (std::fabs(m.x - f.x) < BendEpsilon)
        return;
    const double k1 = (m.y - f.y) / (m.x - f.x);
    if (std::fabs(k1) < BendEpsilon)
        return;
    if (q.x == m.x)
        return; // vertical chord: the slope form below has no answer
    const double k2 = (q.y - m.y) / (q.x - m.x);
    if (std::fabs(k2 - k1) < BendEpsilon)
        return;
    const double cx =
        (k1 * k2 * (f.y - q.y) + k2 * (m.x + f.x) - k1 * (m.x + q.x)) / (2 * (k2 - k1));
    const double cy = ((f.x + m.x) / 2 - cx) / k1 + (f.y + m.y) / 2;
    const double r = std::hypot(q.x - cx, q.y - cy);
    e.Radius = e.Radius > 0 ? r : -r;
    e.X1 = cx;
    e.Y1 = cy;
    const double a = PointAngle({cx, cy}, q);
    if (which == TEnd::Start)
        e.X2 = a;
    else
        e.Y2 = a;
}

bool PointInContourBox(TPoint2 p, const TVKRegionX& c) {
    return c.MinX - ContourBoxTolerance <= p.x && p.x <= c.MaxX + ContourBoxTolerance &&
           c.MinY - ContourBoxTolerance <= p.y && p.y <= c.MaxY + ContourBoxTolerance;
}

bool PointInSegmentBox(TPoint2 p, const TMyEntity& e) {
    return e.MinX - SegmentBoxTolerance <= p.x && p.x <= e.MaxX + SegmentBoxTolerance &&
           e.MinY - SegmentBoxTolerance <= p.y && p.y <= e.MaxY + SegmentBoxTolerance;
}

bool PointOnArcSpan(TPoint2 p, const TMyEntity& e) {
    if (!isArc(e))
        return PointInSegmentBox(p, e);
    const double a = PointAngle({e.X1, e.Y1}, p);
    double s = e.X2;
    double en = e.Y2;
    if (e.Radius < 0)
        std::swap(s, en);
    if (en == 0)
        en = TwoPi;
    if (s < en)
        return s - SegmentBoxTolerance < a && a < en + SegmentBoxTolerance;
    if (s > en)
        return a > s - SegmentBoxTolerance || a < en + SegmentBoxTolerance;
    return false;
}

bool PointInContour(TPoint2 p, const TVKRegionX& c) {
    if (!PointInContourBox(p, c) || c.IsOpen == 1)
        return false;
    bool inside = false;
    for (const TMyEntity& e : c.Entities) {
        if (!(p.y > e.MinY && p.y < e.MaxY + 1e-8 && p.x < e.MaxX))
            continue;
        if (!isArc(e)) {
            if (e.Y2 != e.Y1 && p.x < e.X1 + (e.X2 - e.X1) * (p.y - e.Y1) / (e.Y2 - e.Y1))
                inside = !inside;
        } else if (!IsFullCircle(e)) {
            const double dy = p.y - e.Y1;
            const double h2 = e.Radius * e.Radius - dy * dy;
            const double h = h2 < 1e-11 ? 0 : std::sqrt(h2);
            for (const double xk : {e.X1 + h, e.X1 - h}) {
                if (PointOnArcSpan({xk, p.y}, e) && p.x < xk)
                    inside = !inside;
            }
        } else if (std::hypot(p.x - e.X1, p.y - e.Y1) <= std::fabs(e.Radius)) {
            return true;
        }
    }
    return inside;
}

bool IsClockwise(const TVKRegionX& c) {
    if (c.Entities.empty())
        return false;
    const TMyEntity* probe = &c.Entities.back();
    for (const TMyEntity& e : c.Entities) {
        if (SegmentSize(e) > ProbeMinSize) {
            probe = &e;
            break;
        }
    }
    TPoint2 test;
    if (isArc(*probe)) {
        const double m = ArcMidAngle(*probe);
        const double r = std::fabs(probe->Radius + ProbeOffset);
        test = {probe->X1 + r * std::cos(m), probe->Y1 + r * std::sin(m)};
    } else {
        const TPoint2 mid = SegmentMidpoint(*probe);
        const TPoint2 s = SegmentStart(*probe);
        const double l = std::max(std::hypot(mid.x - s.x, mid.y - s.y), 1e-10);
        test = RightOffsetPoint(mid, {(mid.x - s.x) / l, (mid.y - s.y) / l}, ProbeOffset);
    }
    return PointInContour(test, c);
}

void OrientContour(TVKRegionX& c, bool wanted, bool force) {
    if (!force && IsClockwise(c) == wanted)
        return;
    std::reverse(c.Entities.begin(), c.Entities.end());
    for (TMyEntity& e : c.Entities)
        ReverseSegment(e);
}

void AppendSegment(TMyEntity& e, TVKRegionX& c, bool reversed, std::size_t index) {
    e.Mark = 0;
    if (c.Entities.size() <= index)
        c.Entities.resize(index + 1);
    TMyEntity& stored = c.Entities[index];
    stored = e;
    if (reversed) {
        ReverseSegment(stored);
        stored.Mark = 0;
        stored.Tag = 0;
    }
    if (index == 0) {
        c.MinX = e.MinX;
        c.MinY = e.MinY;
        c.MaxY = e.MaxY;
        c.MaxX = e.MaxX;
    } else {
        GrowBox(c, e);
    }
}

std::pair<TPoint2, TPoint2> ContourEnds(const TVKRegionX& c) {
    if (c.Entities.empty())
        return {};
    return {SegmentStart(c.Entities.front()), SegmentEnd(c.Entities.back())};
}

TPoint2 ContourStart(const TVKRegionX& c) {
    if (c.Entities.empty())
        return {};
    return SegmentStart(c.Entities.front());
}

void MoveContourEnd(TVKRegionX& c, TPoint2 q, TEnd which) {
    if (c.Entities.empty())
        return;
    MoveSegmentEnd(which == TEnd::Start ? c.Entities.front() : c.Entities.back(), q, which);
}

TPoint2 ToolpathStart(const TVKOutRegion& t) {
    if (t.HasLeads != 0 && t.LeadIn.Mark != 0)
        return SegmentStart(t.LeadIn);
    if (t.Entities.empty())
        return {};
    return SegmentStart(t.Entities.front());
}

TPoint2 ToolpathEnd(const TVKOutRegion& t) {
    if (t.HasLeads != 0 && t.LeadOut.Mark != 0)
        return SegmentEnd(t.LeadOut);
    if (t.Entities.empty())
        return {};
    return SegmentEnd(t.Entities.back());
}

TPoint3 ToolpathFirstPoint(const TVKOutRegion& t) {
    TPoint2 p;
    if (t.HasLeads != 0 && t.LeadIn.Mark != 0)
        p = SegmentEnd(t.LeadIn);
    else if (!t.Entities.empty())
        p = SegmentEnd(t.Entities.front());
    return {p.x, p.y, t.Depth};
}

void SortKeysByMinX(std::vector<TMinXKey>& keys, std::ptrdiff_t lo, std::ptrdiff_t hi) {
    while (lo < hi) {
        std::ptrdiff_t i = lo;
        std::ptrdiff_t j = hi;
        const double pivot = keys[static_cast<std::size_t>((lo + hi) / 2)].MinX;
        do {
            while (keys[static_cast<std::size_t>(i)].MinX < pivot)
                ++i;
            while (keys[static_cast<std::size_t>(j)].MinX > pivot)
                --j;
            if (i <= j) {
                std::swap(keys[static_cast<std::size_t>(i)], keys[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j)
                SortKeysByMinX(keys, lo, j);
            lo = i;
        } else {
            if (i < hi)
                SortKeysByMinX(keys, i, hi);
            hi = j;
        }
    }
}

bool IsFullCircle(const TMyEntity& e) {
    return e.Radius != 0 && e.X2 == e.Y2;
}

} // namespace orlenta
