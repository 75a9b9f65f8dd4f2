// How the letters are engraved: along their outlines (the default), or V-carved along their
// centre lines with a V-bit, and the V-bit's settings.
#pragma once

#include <optional>
#include <string_view>

namespace orlenta {

enum class TEngraveMode {
    Outline, // one toolpath along each contour at the engraving depth
    VCarve,  // a V-bit along each region's centre line, as deep as the letter is wide
};

struct TEngraveSettings {
    TEngraveMode Mode = TEngraveMode::Outline;
    double VBitAngle = 60;   // included angle of the V-bit, degrees
    double VMaxDepth = 1;    // V-carving never cuts deeper than this, units
    double VAccuracy = 0.01; // how far V-carve depths and cuts may stray, units
};

// Names as they stand in the parameter file and on the command line.
std::string_view EngraveModeName(TEngraveMode m);                 // "outline", "vcarve"
std::optional<TEngraveMode> ParseEngraveMode(std::string_view s); // case-insensitive

} // namespace orlenta
