// Single-line fonts in the layouts: each stroke of a character becomes an open contour,
// placed as it comes, never closed, reoriented or chained with others.
#pragma once

#include "glyph/UTTF2Vct.h"
#include "kernel/QuorvelTypes.h"

#include <functional>

namespace orlenta {

// Places one character of a single-line font. Returns false (and does nothing) when the
// converter's font is an outline font or the character has no strokes, so that the
// caller's own rules apply (the space). Otherwise appends one open contour per stroke
// (IsOpen set, box set) after place has moved its segments from outline units to the
// drawing, checks them finite, sets the converter's Offset to the character's advance and
// returns true.
bool PlaceOpenStrokes(char32_t code, TTTFToVectorConverter& converter, TRegionArrayX& contours,
                      const std::function<void(TMyEntityArray&)>& place);

} // namespace orlenta
