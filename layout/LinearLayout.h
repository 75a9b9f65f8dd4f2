// Text on a straight baseline: the width estimate and the size and origin rule that the
// Create command uses, the layout itself, and the segment operations that the arc layout
// shares.
#pragma once

#include "layout/ViewBox.h"

#include "glyph/UTTF2Vct.h"
#include "kernel/QuorvelTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orlenta {

// Alignment of a text against its origin (linear) or its start angle (arc), in the order
// of the window's radio group.
enum class TAlignment { Left, Cent, Right };

// Extra room between characters, as fractions of the height: Char after every character,
// Word after every space on top of that. Zero (the default) adds exactly nothing.
struct TSpacing {
    double Char = 0;
    double Word = 0;
    bool operator==(const TSpacing&) const = default;
};

// A character without an outline (the space, or one the font cannot give) advances the
// pen, or takes the arc, of half this letter.
constexpr char32_t LetterH = U'H';

// How far the pen moves past each character, outline units: its advance when it has an
// outline, half the advance of the letter H when it has none (the space). The extent and
// the layout both step by these, so that alignment and width measure what is engraved.
// Spacing comes on top of these (SpacingSum).
std::vector<std::int32_t> PenAdvances(const std::u32string& text, TTTFToVectorConverter& converter);

// The spacing's share of the text's width, as a multiple of the height: exactly 0 for no
// spacing.
double SpacingSum(const std::u32string& text, const TSpacing& spacing);

// The characters of the text that the font has no glyph for (it draws its missing-glyph
// box instead), each once, in the order they first appear. The space and control
// characters are left out: no font need carry them.
std::u32string MissingCharacters(const std::u32string& text, TTTFToVectorConverter& converter);

// Width of the text in drawing units at height H: its pen advances over OutlineFontPoints
// and its spacing, times H.
// H = 0 becomes 1, also for the caller.
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
                                     double H, double W, double X0, double Y0, TAlignment alignment,
                                     const TSpacing& spacing = {});
// The same rule on a text's width at height 1, E1 (advances over OutlineFontPoints plus
// spacing), whichever way that was measured.
TLinearPlacement PlaceByExtent(double E1, double H, double W, double X0, double Y0,
                               TAlignment alignment);

// Appends the contours of the text, size S (outline units when S <= 0), baseline origin
// (X, Y), to contours (whose element 0 is the placeholder). orientation 1: clockwise.
void LayoutLinear(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double S, double X, double Y,
                  std::uint8_t orientation = 1, const TSpacing& spacing = {});

// LinearSizeAndOrigin followed by LayoutLinear: the whole linear Create step.
TLinearPlacement LayoutLinearText(const std::u32string& text, TRegionArrayX& contours,
                                  TTTFToVectorConverter& converter, double H, double W, double X0,
                                  double Y0, TAlignment alignment, std::uint8_t orientation = 1,
                                  const TSpacing& spacing = {});

// Receives contours[first..], which it may move out of; the caller drops them afterwards.
using TContourFlush = std::function<void(TRegionArrayX& contours, std::size_t first)>;

// LayoutLinearText for a caller that keeps no contours: each character's contours, placed
// at the origin and checked finite exactly as LayoutLinearText leaves them, go to flush in
// the order LayoutLinearText would append them (after a placeholder element 0).
TLinearPlacement LayoutLinearTextFlushed(const std::u32string& text,
                                         TTTFToVectorConverter& converter, double H, double W,
                                         double X0, double Y0, TAlignment alignment,
                                         std::uint8_t orientation, const TSpacing& spacing,
                                         const TContourFlush& flush);

// The strokes of one character as line segments in outline units; segments is left as
// it is when the character has no outline.
void CharToSegments(char32_t code, TMyEntityArray& segments, TTTFToVectorConverter& converter);
// The same for a glyph index of shaped text.
void GlyphToSegments(std::uint32_t index, TMyEntityArray& segments,
                     TTTFToVectorConverter& converter);
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

} // namespace orlenta
