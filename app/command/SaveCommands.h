// Writing the toolpaths of the last Create to a file: the one save path of every front end,
// with the check of the program about to be written.
#pragma once

#include "app/core/Globals.h"
#include "gcode/GCodeWriter.h"
#include "kernel/Errors.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
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

// The same for a G-code program in state.Params's dialect that was written as its toolpaths
// were built, so they are gone: lineNumbers and cuts are what the writer counted.
std::vector<std::string> CheckBeforeSave(const TMachiningParameters& params,
                                         const TGCodeLineNumbers& lineNumbers, bool cuts);

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

// The extension a format is saved with when the user types none: "Dnc", "Dxf", "svg".
const char* DefaultExtension(TSaveFormat format);
// The format a file's extension stands for, in any letter case; G-code for any other, as
// the G-code dialog takes every file.
TSaveFormat FormatOfFile(const std::filesystem::path& file);

// The longest name SuggestedFileName proposes, extension not counted.
inline constexpr std::size_t MaxSuggestedNameLength = 40;
// A file name to propose for saving text: its ASCII letters, digits and '-', every run of
// other characters (spaces, '_', line feeds, '/', '.', non-ASCII) as one '_', no '-' or '_'
// at either end, cut at MaxSuggestedNameLength, then the format's extension: "ACME Ltd"
// gives "ACME_Ltd.Dnc". A text without such characters gives "Orlenta". The result is a
// plain name on every file system: no folder, no leading dot or dash, no reserved character.
std::string SuggestedFileName(std::string_view text, TSaveFormat format);

} // namespace orlenta
