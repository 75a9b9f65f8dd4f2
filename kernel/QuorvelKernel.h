// Geometric primitives on the kernel records, and the contour builder that chains loose
// segments into closed or open contours.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <algorithm>
#include <utility>

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

// Widens box to hold other's box; both are records with MinX, MinY, MaxY and MaxX.
template <class Box, class Other> void GrowBox(Box& box, const Other& other) {
    box.MinX = std::min(box.MinX, other.MinX);
    box.MinY = std::min(box.MinY, other.MinY);
    box.MaxY = std::max(box.MaxY, other.MaxY);
    box.MaxX = std::max(box.MaxX, other.MaxX);
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

// ---- contour builder ----------------------------------------------------------------
// Chains segments (sorted by ascending MinX, each with a valid box) into contours.
// segments is consumed; result is replaced (element 0 empty) unless segments is empty.
// orientation 1 makes closed contours clockwise, 0 counter-clockwise.
void BuildContours(TMyEntityArray& segments, TRegionArrayX& result, std::uint8_t orientation,
                   double depth);
