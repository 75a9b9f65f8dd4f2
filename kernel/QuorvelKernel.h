// Geometric primitives on the kernel records: segments, contours and toolpaths.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace orlenta {

// ---- segment primitives -------------------------------------------------------------
// A line from (x1, y1) to (x2, y2), its box filled.
TMyEntity MakeLine(double x1, double y1, double x2, double y2);
// An arc round (cx, cy) from angle a0 to a1 (radians); radius < 0 runs clockwise. Box filled.
TMyEntity MakeArc(double cx, double cy, double radius, double a0, double a1);
TPoint2 SegmentStart(const TMyEntity& e);
TPoint2 SegmentEnd(const TMyEntity& e);
std::pair<TPoint2, TPoint2> SegmentEnds(const TMyEntity& e);
void SegmentBounds(TMyEntity& e);
void ReverseSegment(TMyEntity& e);
TPoint2 SegmentMidpoint(const TMyEntity& e);
double ArcSweep(const TMyEntity& e);
double ArcMidAngle(const TMyEntity& e);
double PointAngle(TPoint2 centre, TPoint2 p);
double SegmentSize(const TMyEntity& e);
TPoint2 RightOffsetPoint(TPoint2 p, TPoint2 d, double t);
// Which end of a segment or contour a primitive moves.
enum class TEnd { Start, End };
// Moves the given end of e to q; an arc is bent through its other end and midpoint.
void MoveSegmentEnd(TMyEntity& e, TPoint2 q, TEnd which);
// An arc whose end angle equals its start angle runs the whole circle.
bool IsFullCircle(const TMyEntity& e);
// Two points meet when they differ by less than tolerance in X and in Y (each strictly).
// Each caller names its own tolerance: the contour builder's join and the toolpath
// builder's loop closing differ.
inline bool PointsMeet(TPoint2 p, TPoint2 q, double tolerance) {
    return std::fabs(p.x - q.x) < tolerance && std::fabs(p.y - q.y) < tolerance;
}

// Widens box to hold other's box; both are records with MinX, MinY, MaxY and MaxX.
template <class Box, class Other> void GrowBox(Box& box, const Other& other) {
    box.MinX = std::min(box.MinX, other.MinX);
    box.MinY = std::min(box.MinY, other.MinY);
    box.MaxY = std::max(box.MaxY, other.MaxY);
    box.MaxX = std::max(box.MaxX, other.MaxX);
}

// One item of the sort: its MinX and where it stood before the sort.
struct TMinXKey {
    double MinX;
    std::size_t Index;
};

// Quicksort of keys[lo..hi] by ascending MinX. The partition (middle pivot, swap on i <= j)
// is kept exactly as it is because it decides the order of equal MinX, and with it which
// piece the contour builder meets first. Only the smaller side recurses, so the depth
// stays logarithmic; the sides are disjoint, so the order of sorting them changes nothing.
// Not stable.
void SortKeysByMinX(std::vector<TMinXKey>& keys, std::ptrdiff_t lo, std::ptrdiff_t hi);

// Sorts list[lo..hi] by ascending MinX, for segments and contours alike, in the order
// SortKeysByMinX gives: the partition steps run on small (MinX, index) keys and every
// item then moves once to its place, instead of being swapped at every step.
template <class Item>
void SortByMinX(std::vector<Item>& list, std::ptrdiff_t lo, std::ptrdiff_t hi) {
    if (lo >= hi)
        return;
    const auto first = static_cast<std::size_t>(lo);
    const auto count = static_cast<std::size_t>(hi - lo + 1);
    std::vector<TMinXKey> keys(count);
    for (std::size_t k = 0; k < count; ++k)
        keys[k] = {list[first + k].MinX, k};
    SortKeysByMinX(keys, 0, static_cast<std::ptrdiff_t>(count) - 1);
    // Position k takes the item that stood at keys[k].Index: follow each cycle of the
    // permutation once, marking placed positions by pointing them at themselves.
    for (std::size_t k = 0; k < count; ++k) {
        if (keys[k].Index == k)
            continue;
        Item held = std::move(list[first + k]);
        std::size_t at = k;
        for (;;) {
            const std::size_t from = keys[at].Index;
            keys[at].Index = at;
            if (from == k) {
                list[first + at] = std::move(held);
                break;
            }
            list[first + at] = std::move(list[first + from]);
            at = from;
        }
    }
}

// ---- containment and orientation ----------------------------------------------------
bool PointInContourBox(TPoint2 p, const TVKRegionX& c);
bool PointInSegmentBox(TPoint2 p, const TMyEntity& e);
bool PointOnArcSpan(TPoint2 p, const TMyEntity& e);
bool PointInContour(TPoint2 p, const TVKRegionX& c);
bool IsClockwise(const TVKRegionX& c);
// wanted = true: clockwise. force reverses unconditionally.
void OrientContour(TVKRegionX& c, bool wanted, bool force);

// ---- contour primitives -------------------------------------------------------------
void AppendSegment(TMyEntity& e, TVKRegionX& c, bool reversed, std::size_t index);
std::pair<TPoint2, TPoint2> ContourEnds(const TVKRegionX& c);
TPoint2 ContourStart(const TVKRegionX& c);
void MoveContourEnd(TVKRegionX& c, TPoint2 q, TEnd which);

// ---- toolpath accessors -------------------------------------------------------------
TPoint2 ToolpathStart(const TVKOutRegion& t);
TPoint2 ToolpathEnd(const TVKOutRegion& t);
TPoint3 ToolpathFirstPoint(const TVKOutRegion& t);

} // namespace orlenta
