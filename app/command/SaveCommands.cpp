// Saving the toolpaths of the last Create; see SaveCommands.h.
#include "app/command/SaveCommands.h"

#include "app/core/Globals.h"
#include "dxf/DXFObject.h"
#include "gcode/GCodeWriter.h"
#include "kernel/ArcFit.h"
#include "svg/SVGWriter.h"

void SaveToolpathsAsGCode(const std::string& fileName) {
    const TGlobals& g = Globals();
    WriteGCode(g.Toolpaths, fileName, g.Params);
}

void SaveToolpathsAsDXF(const std::string& fileName) {
    const TGlobals& g = Globals();
    const double arcs = g.Params.Machine.ArcTolerance;
    // The drawing lives for this one save.
    DXF_Object drawing(arcs > 0 ? FitToolpathArcs(g.Toolpaths, arcs) : g.Toolpaths, "Dxf");
    drawing.SaveToFile(fileName);
}

void SaveToolpathsAsSVG(const std::string& fileName) {
    const TGlobals& g = Globals();
    WriteSVG(g.Toolpaths, fileName, g.Params);
}
