// Saving the toolpaths of the last Create; see SaveCommands.h.
#include "app/command/SaveCommands.h"

#include "app/core/Globals.h"
#include "dxf/DXFObject.h"
#include "gcode/GCodeWriter.h"

void SaveToolpathsAsGCode(const std::string& fileName) {
    const TGlobals& g = Globals();
    WriteGCode(g.Toolpaths, fileName, g.Params);
}

void SaveToolpathsAsDXF(const std::string& fileName) {
    // The drawing lives for this one save.
    DXF_Object drawing(Globals().Toolpaths, "Dxf");
    drawing.SaveToFile(fileName);
}
