// The state the commands work on, in one record: the machining parameters, the run flag of
// the toolpath builder, the contours and toolpaths of the last Create and their extents.
// The commands take it as a parameter; the window passes the one process-wide instance
// (Globals(), touched only on the user-interface thread), orlenta-cli and tests their own.
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/Hooks.h" // ProcessMessages, ShowMessage and their installers belong here too
#include "kernel/QuorvelTypes.h"
#include "layout/ViewBox.h"

#include <cstdint>

namespace orlenta {

struct TGlobals {
    TMachiningParameters Params;
    // Non-zero lets the toolpath builder work: Create sets RunFlagCreate, both Save
    // commands and the parameter dialog's Cancel set 0.
    std::int32_t RunFlag = 0;
    std::uint8_t OrientationFlag = 0; // 1: closed contours are made clockwise
    TRegionArrayX Contours;           // element 0 a placeholder
    TOutRegionArray Toolpaths;        // element 0 empty
    TCarvePathArray CarvePaths;       // a V-carve Create's paths (its Toolpaths stay empty)
    TViewBox ViewBox;                 // extents of Contours
};

constexpr std::int32_t RunFlagCreate = 100;

// The one instance, created zeroed at first use and kept until the process ends.
TGlobals& Globals();

// What the main window sets before it loads the parameter file: Precision 8, Depth 0.5 and
// clockwise contours.
void SetStartupValues(TGlobals& g);

} // namespace orlenta
