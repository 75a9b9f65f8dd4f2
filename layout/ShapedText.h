// Text shaped by the font (kerning, ligatures, marks, right-to-left scripts) for the layouts:
// cut into clusters, which take the places that characters take in unshaped text.
#pragma once

#include "layout/LinearLayout.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orlenta {

// One glyph of a cluster: where it sits from the cluster's pen position, outline units.
struct TClusterGlyph {
    std::uint32_t Glyph = 0;
    double X = 0;
    double Y = 0;
};

// The glyphs that shaping keeps together (a letter with its marks, a ligature) and the
// characters they stand for, in the order they are drawn.
struct TShapedCluster {
    double Advance = 0; // how far the pen moves past it, outline units
    double Spacing = 0; // added after it, in heights: the spacing of each of its characters
    std::vector<TClusterGlyph> Glyphs;
};
using TShapedLine = std::vector<TShapedCluster>;

// The line (no line feeds) shaped by the converter's font, with the spacing of each of its
// characters given to the cluster that holds it, so that the spacing sums to what unshaped
// text adds. Nothing when the font cannot be shaped (a stroke font): the unshaped layout
// applies.
std::optional<TShapedLine> ShapeLine(const std::u32string& text, TTTFToVectorConverter& converter,
                                     const TSpacing& spacing);

// The line's width at height 1: its advances over OutlineFontPoints plus its spacing.
double ShapedExtent(const TShapedLine& line);

// LayoutLinearText for a shaped line: the same size and origin rule on its width, the glyphs
// where shaping put them.
TLinearPlacement LayoutShapedLinearText(const TShapedLine& line, TRegionArrayX& contours,
                                        TTTFToVectorConverter& converter, double H, double W,
                                        double X0, double Y0, TAlignment alignment,
                                        std::uint8_t orientation = 1);

// Appends the contours of the cluster's glyphs, each moved to its place in the cluster
// (outline units, the cluster's pen at (0, 0)) and then by place into the drawing.
void PlaceCluster(const TShapedCluster& cluster, TTTFToVectorConverter& converter,
                  TRegionArrayX& contours, std::uint8_t orientation,
                  const std::function<void(TMyEntityArray&)>& place);

} // namespace orlenta
