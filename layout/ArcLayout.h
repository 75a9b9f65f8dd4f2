// Text along a circular arc, running clockwise, each character upright on the circle.
#pragma once

#include "layout/LinearLayout.h"

// Whether the text fits on the circle: every character must be narrower than the radius.
enum class TArcFit { Fits, RadiusTooSmall };

// Appends the contours of the text at height H (≠ 0) around (CX, CY), radius R (≠ 0),
// start angle A (radians, 0 at the top, clockwise) to contours. A character wider than R
// places nothing and gives RadiusTooSmall; the caller tells the user.
TArcFit LayoutArc(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                  double CY, TAlignment alignment, std::uint8_t orientation = 1);

// Turns every segment counter-clockwise about (0, 0) by a radians.
void RotateSegments(TMyEntityArray& segments, double a);
