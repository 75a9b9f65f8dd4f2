// The SVG writer: the toolpaths as a drawing for laser cutters, vinyl cutters and drawing
// programs, one path per toolpath, at its real size.
#pragma once

#include "kernel/QuorvelTypes.h"

#include <filesystem>
#include <string>

namespace orlenta {

// The drawing: width and height in the parameters' units ("mm" or "in"), a viewBox in the
// same units over the toolpaths' box, y pointing up as in the program (the drawing stores
// -y, since SVG's y axis points down). Each toolpath that cuts becomes one <path>, ending
// with "Z" when it ends where it starts; arcs are written as their straight chords, as the
// classic G-code does. Numbers are the shortest text that reads back to the same double.
// Throws EInvalidOp/EOverflow for a NaN or infinite coordinate.
std::string FormatSVG(const TOutRegionArray& toolpaths, const TMachiningParameters& params);

// Writes FormatSVG's drawing through a temporary file that replaces fileName only once
// complete; a failure raises EInOutError with the system's message and leaves it untouched.
void WriteSVG(const TOutRegionArray& toolpaths, const std::filesystem::path& fileName,
              const TMachiningParameters& params);

} // namespace orlenta
