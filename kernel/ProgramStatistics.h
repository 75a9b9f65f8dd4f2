// Figures of a set of toolpaths as the G-code writers run them: engraved size, lengths,
// plunges and an estimate of the machining time. Shared by the window and the CLI.
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/QuorvelTypes.h"

#include <cstddef>
#include <string>

namespace orlenta {

struct TProgramStatistics {
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0; // box of every cut; all 0 when none
    double Width = 0;                              // MaxX - MinX, in the program's units
    double Height = 0;                             // MaxY - MinY
    std::size_t Toolpaths = 0;                     // toolpaths that cut something
    std::size_t Segments = 0;                      // cutting moves (lines and arcs)
    std::size_t Plunges = 0;                       // moves down from the clearance plane
    double CuttingLength = 0;                      // in the plane, at the cutting feed
    double PlungeLength = 0;                       // down, at the plunge feed
    double RapidLength = 0;                        // rapid travel, in the plane and up
    double Minutes = 0;                            // estimated machining time
};

// Walks the toolpaths (element 0 never counts) the way the writers do: a toolpath with
// RapidStart 1 (or the first one that cuts) retracts to RapidHeight unless already there,
// moves rapidly over its start, plunges to -Depth at RoughPlunge and cuts at RoughFeed;
// one with RapidStart 0 cuts over to its start. The program ends with a retract.
//
// Estimated time in minutes, each rate in units per minute:
//   CuttingLength / RoughFeed + PlungeLength / RoughPlunge + RapidLength / Machine.RapidRate
// Acceleration, dwell and tool changes are left out, so real machines take somewhat longer.
// A rate of 0 or less leaves its term out (that program cannot run as given anyway).
// The first rapid move starts over the first toolpath's start: where the tool stands before
// the program is unknown. Throws EInvalidOp/EOverflow for a NaN or infinite result.
TProgramStatistics ComputeStatistics(const TOutRegionArray& toolpaths,
                                     const TMachiningParameters& params);

// The same figures for V-carve paths as EmitMachineCarveProgram runs them: each path (one
// toolpath) a retract (but the first), a rapid move over its first point, a plunge from
// RapidHeight to that point's depth, and its pieces as cutting moves (their length in the
// plane, as for toolpaths); a final retract. Same time formula.
TProgramStatistics ComputeCarveStatistics(const TCarvePathArray& paths,
                                          const TMachiningParameters& params);

// "W x H" and the other figures, one per line, with the unit name.
std::string StatisticsText(const TProgramStatistics& s, TUnits units);
// The same as one JSON object (keys: units, width, height, toolpaths, segments, plunges,
// cutting_length, plunge_length, rapid_length, minutes).
std::string StatisticsJson(const TProgramStatistics& s, TUnits units);

} // namespace orlenta
