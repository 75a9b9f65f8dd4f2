// Text on a straight baseline: the width estimate and the size and origin rule that the
// Create command uses, the layout itself, and the segment operations that the arc layout
// shares.
#pragma once

#include "layout/ViewBox.h"

#include "glyph/UTTF2Vct.h"
#include "kernel/QuorvelTypes.h"

#include <cstdint>
#include <string>

// Alignment of a text against its origin (the index of the window's radio group).
enum TAlignment : int { AlignLeft = 0, AlignCent = 1, AlignRight = 2 };

// Extra room between characters, as fractions of the height: Char after every character,
// Word after every space on top of that. Zero (the default) adds exactly nothing.
struct TSpacing {
    double Char = 0;
    double Word = 0;
};

// Width of the text in drawing units at height H: advances over 1024 (a space counts
// 0.29296875) times H. H = 0 becomes 1, also for the caller.
double TextExtent(const std::u32string& text, TTTFToVectorConverter& converter, double& H,
                  const TSpacing& spacing = {});

// Size S and origin (X, Y) of a linear text from the window's height H, width W (W = 0:
// size by height), origin X0, Y0 and alignment.
struct TLinearPlacement {
    double S = 0;
    double X = 0;
    double Y = 0;
};
// Throws EZeroDivide when the text has no width to divide by (EInvalidOp for 0 / 0), and
// EInvalidOp or EOverflow when the fields give no finite size or origin.
TLinearPlacement LinearSizeAndOrigin(const std::u32string& text, TTTFToVectorConverter& converter,
                                     double H, double W, double X0, double Y0, int alignment,
                                     const TSpacing& spacing = {});

// Appends the contours of the text, size S (outline units when S <= 0), baseline origin
// (X, Y), to contours (whose element 0 is the placeholder). orientation 1: clockwise.
void LayoutLinear(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double S, double X, double Y,
                  std::uint8_t orientation = 1, const TSpacing& spacing = {});

// LinearSizeAndOrigin followed by LayoutLinear: the whole linear Create step.
TLinearPlacement LayoutLinearText(const std::u32string& text, TRegionArrayX& contours,
                                  TTTFToVectorConverter& converter, double H, double W, double X0,
                                  double Y0, int alignment, std::uint8_t orientation = 1,
                                  const TSpacing& spacing = {});

// The strokes of one character as line segments in outline units; segments is left as
// it is when the character has no outline.
void CharToSegments(char32_t code, TMyEntityArray& segments, TTTFToVectorConverter& converter);
// Reverses every line that runs right to left.
void NormaliseLineDirection(TMyEntityArray& segments);
// Moves every segment and its box by (DX, DY).
void TranslateSegments(TMyEntityArray& segments, double DX, double DY);
// Scales about (0, 0); nothing happens for F <= 0 or F = 1.
void ScaleSegments(TMyEntityArray& segments, double F);
// Sorts segments[first..last] by ascending MinX (not stable).
void SortSegmentsByMinX(TMyEntityArray& segments, std::int64_t first, std::int64_t last);
// Appends copies of every source record, element 0 included.
void AppendContours(const TRegionArrayX& source, TRegionArrayX& destination);
// The same, moving the records out of a source that is no longer needed.
void AppendContours(TRegionArrayX&& source, TRegionArrayX& destination);
// Throws EOverflow (EInvalidOp for a NaN) when a coordinate of a placed segment is not
// finite, as huge sizes or origins can make it.
void CheckSegmentsFinite(const TMyEntityArray& segments);
// Extents of all records, element 0 included (so (0, 0) always lies inside).
TViewBox ContourExtents(const TRegionArrayX& contours);
