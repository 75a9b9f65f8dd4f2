// Text along a circular arc, running clockwise, each character upright on the circle.
#pragma once

#include "layout/LinearLayout.h"
#include "layout/ShapedText.h"

namespace orlenta {

// Whether the text fits on the circle: every character must be narrower than the radius.
enum class TArcFit { Fits, RadiusTooSmall };

// Where arc text reads: Top, outside the circle with the letters' feet on it, clockwise
// from the start angle (0 at the top); or Bottom, upright below the centre with the tops
// towards it, reading left to right, the start angle measured from the bottom
// counter-clockwise (the mirror image of Top's rule, so the same angle and alignment
// place the text as far round from the bottom).
enum class TArcReading { Top, Bottom };

// Appends the contours of the text at height H (≠ 0) around (CX, CY), radius R (≠ 0),
// start angle A (radians, 0 at the top, clockwise) to contours. A character wider than R
// places nothing and gives RadiusTooSmall; the caller tells the user. The spacing widens
// each character's share of the arc after it.
TArcFit LayoutArc(const std::u32string& text, TRegionArrayX& contours,
                  TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                  double CY, TAlignment alignment, std::uint8_t orientation = 1,
                  const TSpacing& spacing = {}, TArcReading reading = TArcReading::Top);

// LayoutArc for a shaped line: its clusters take the places of the characters, each as
// wide as its advances; the glyphs of a cluster keep their shaped places within it.
TArcFit LayoutShapedArc(const TShapedLine& line, TRegionArrayX& contours,
                        TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                        double CY, TAlignment alignment, std::uint8_t orientation = 1,
                        TArcReading reading = TArcReading::Top);

// Turns every segment counter-clockwise about (0, 0) by a radians.
void RotateSegments(TMyEntityArray& segments, double a);

} // namespace orlenta
