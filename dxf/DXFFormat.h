// The three number formats of a DXF file, and the short point text of entity descriptions.
// All of them write a full stop as the decimal separator whatever the locale: DXF readers
// accept nothing else.
#pragma once

#include "dxf/DXFGeometry.h"

#include <string>

namespace orlenta {

// Room that every Append* below may need, sign and exponent included.
inline constexpr int NumberTextMax = 32;

// Shortest form with up to 15 significant digits: 10 -> "10", 0.00001 -> "1E-5". Plain
// notation for 0.0001 <= |v| < 1E15 and for 0; "INF" / "NAN" for values that are not finite.
std::string GeneralToStr(double v);
// Rounded to 7 significant digits, or to 6 decimals where that is coarser (a following
// 5 rounds away from zero), written with exactly 6 decimals: 123.456789 -> "123.456800".
// More than 7 digits before the point switch to the 15-digit form's layout with 7 digits.
std::string RealToStr(double v);
// Exactly 6 decimals, right-aligned in 10 characters: 1 -> "  1.000000".
std::string Width10ToStr(double v);
// "(x, y, z)" with RealToStr's rule at 2 decimals: (1, 2.5, -0.126) -> "(1.00, 2.50, -0.13)".
std::string Point3DToStr(const Point3D& p);

// The same formats written into out (room for NumberTextMax characters); they return the
// end of the text. decimals is 1 to 6.
char* AppendGeneral(char* out, double v);
char* AppendFixed(char* out, double v, int decimals);

} // namespace orlenta
