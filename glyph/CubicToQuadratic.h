// Approximation of cubic Bezier curves (OpenType/CFF outlines) by quadratic pieces, so
// that every outline source can deliver quadratic records only.
#pragma once

#include "glyph/NativeOutline.h"

#include <vector>

namespace orlenta {

// The furthest a quadratic piece may stray from the cubic it replaces, in outline units.
constexpr double CubicTolerance = 0.5;

struct TQuadPiece {
    TOutlinePoint Control;
    TOutlinePoint End;
};

// Splits the cubic p0, c1, c2, p3 into equal parameter steps, each replaced by one
// quadratic, with as few steps as keep every piece within tolerance. The pieces join
// exactly and the last one ends exactly on p3.
std::vector<TQuadPiece> CubicToQuadratics(TOutlinePoint p0, TOutlinePoint c1, TOutlinePoint c2,
                                          TOutlinePoint p3, double tolerance = CubicTolerance);

} // namespace orlenta
