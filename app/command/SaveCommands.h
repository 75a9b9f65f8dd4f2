// Writing the toolpaths of the last Create to a file, shared by every front end.
#pragma once

#include <string>

// Writes the process-wide Toolpaths with Params as a numbered G-code program. Write
// failures raise EInOutError with the system's message.
void SaveToolpathsAsGCode(const std::string& fileName);

// Builds a DXF drawing (layer "0", one LINE per segment; with Params.Machine.ArcTolerance
// above 0, an ARC for each run of strokes an arc fits) from the process-wide Toolpaths and
// writes it. Write failures raise EInOutError with the system's message.
void SaveToolpathsAsDXF(const std::string& fileName);

// Writes the process-wide Toolpaths as an SVG drawing in the parameters' units. Write
// failures raise EInOutError with the system's message.
void SaveToolpathsAsSVG(const std::string& fileName);
