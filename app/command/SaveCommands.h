// Writing the toolpaths of the last Create to a file: the one save path of every front end,
// with the check of the program about to be written.
#pragma once

#include "app/core/Globals.h"
#include "kernel/Errors.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orlenta {

enum class TSaveFormat { GCode, DXF, SVG };

// GRBL and other common controllers refuse line numbers above this.
inline constexpr std::int64_t MaxControllerLineNumber = 10'000'000;

// Every problem of the file that state would give in format, one sentence each naming the
// parameter and its value; empty when there is none. A G-code program is checked for a
// depth that is not below the work once written with the chosen decimals, a feed or plunge
// rate that is written as 0 (or is negative), a clearance at or below the work surface, a
// line number above MaxControllerLineNumber, and no toolpaths; a DXF drawing only for no
// toolpaths. Where the save writes V-carve paths (after a V-carve Create, or in V-carve
// mode with no outline toolpaths), VMaxDepth takes the place of Depth and no V-carve paths
// takes the place of no toolpaths.
std::vector<std::string> CheckBeforeSave(const TGlobals& state, TSaveFormat format);

// What every Save does first: clears RunFlag, which stops a toolpath build that is still
// running (a Save can run while the build hands control to the message loop). The
// toolpaths built so far stay and are what the Save writes.
void StopToolpathBuild(TGlobals& state);

// V-carve paths move in X, Y and Z at once; the classic program and SVG have no such move.
class ECarveNeedsZMoves : public OrlentaError {
  public:
    ECarveNeedsZMoves()
        : OrlentaError("V-carve paths need Z on every move: save them as G-code in the grbl or "
                       "linuxcnc dialect, or as DXF") {}
};

struct TSaveResult {
    bool Saved = false;
    std::vector<std::string> Problems; // what CheckBeforeSave found, also when forced
};

// The Save command: StopToolpathBuild, then CheckBeforeSave. With problems and without
// force nothing is written. Otherwise the toolpaths go to file: a G-code program in
// Params.Machine.Dialect, a DXF drawing (layer "0", one LINE per segment; with
// Params.Machine.ArcTolerance above 0 an ARC for each run of strokes an arc fits), or an SVG
// drawing in the parameters' units. After a V-carve Create the carve paths go instead:
// as 3D LINEs to DXF, as a grbl or linuxcnc program with Z on every move; a classic
// program or SVG raises ECarveNeedsZMoves before anything is written. Write failures raise
// EInOutError with the system's message; the file is then untouched.
TSaveResult SaveToolpaths(TGlobals& state, const std::filesystem::path& file, TSaveFormat format,
                          bool force = false);

} // namespace orlenta
