// Text of several lines, letter and word spacing and mirrored text, on top of the linear
// and arc layouts. With the default style and one line, both are exactly the plain layouts.
#pragma once

#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"

#include <string>
#include <vector>

namespace orlenta {

struct TTextStyle {
    TSpacing Spacing;         // fractions of the height added to the advances
    double LineSpacing = 1.5; // distance between baselines, multiple of the height
    bool Mirror = false;      // X flipped about the origin (x = 0), to engrave from the back
    TArcReading ArcReading = TArcReading::Top; // arc text outside at the top, or at the bottom
    double Rotation = 0; // linear text: degrees counter-clockwise about its origin (X0, Y0)
    // Outline fonts: each line shaped by the font (kerning, ligatures, marks on their bases,
    // right-to-left scripts), its advances the font's own, the space's too. Stroke fonts are
    // laid out as without.
    bool Shape = false;
    bool operator==(const TTextStyle&) const = default;
};

// The lines of text: split at every line feed; a carriage return before one goes with it.
std::vector<std::u32string> SplitLines(const std::u32string& text);

// Linear text of one or more lines. Each line is aligned about X0 on its own; the first
// line's baseline is Y0, each further one LineSpacing heights below. With W, the widest
// line is W wide and the others take its size. Then the whole text turns by the
// Rotation about (X0, Y0), and last the mirror flips it. Returns the first line's placement.
TLinearPlacement LayoutLinearLines(const std::u32string& text, TRegionArrayX& contours,
                                   TTTFToVectorConverter& converter, double H, double W, double X0,
                                   double Y0, TAlignment alignment, std::uint8_t orientation,
                                   const TTextStyle& style);

// Arc text of one or more lines: each further line on a circle LineSpacing heights
// smaller (inside the previous), or, reading at the bottom, larger (below the previous). A line
// whose circle would reach the centre, or that is too wide for its circle, places nothing, nor do
// the lines after it, and the result is RadiusTooSmall; the caller tells the user.
TArcFit LayoutArcLines(const std::u32string& text, TRegionArrayX& contours,
                       TTTFToVectorConverter& converter, double H, double A, double R, double CX,
                       double CY, TAlignment alignment, std::uint8_t orientation,
                       const TTextStyle& style);

// Flips contours[first..] in X about x = 0. Closed contours are run the other way round as
// well, so that they keep their orientation (clockwise stays clockwise); open ones stay as
// they are.
void MirrorContours(TRegionArrayX& contours, std::size_t first);

// Turns contours[first..] counter-clockwise by a radians about (X0, Y0) and sets their
// boxes anew. Throws EInvalidOp for an angle that is not finite.
void RotateContours(TRegionArrayX& contours, std::size_t first, double a, double X0, double Y0);

} // namespace orlenta
