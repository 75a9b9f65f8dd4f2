// The machine-ready G-code dialects: programs a GRBL 1.1 or LinuxCNC controller runs as
// they stand (units, spindle, feeds, program end), with optional arcs.
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/QuorvelTypes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orlenta {

// GRBL refuses line numbers above this; numbering starts again at Start when it would pass.
constexpr std::int64_t MaxLineNumber = 10'000'000;
// GRBL's line buffer holds this many characters, end of line included.
constexpr std::size_t GrblLineLength = 80;
// Coordinates of the grbl dialect have at most this many decimals: GRBL computes in
// single precision, and longer numbers only crowd its line buffer.
constexpr int MaxGrblDecimals = 6;
// Coordinates of the machine-ready dialects have at least this many decimals (4 in inches):
// fewer would round a shallow engraving depth to the surface and cut air.
constexpr int MinMachineDecimals = 3;
// An arc whose end lies farther than this (in mm) from the circle its centre and start
// give is written as lines: stricter than GRBL's and LinuxCNC's own checks.
constexpr double ArcEndToleranceMm = 0.002;

// The decimals of the coordinates of a machine-ready program: Decimal raised to
// MinMachineDecimals (4 in inches), for grbl capped at MaxGrblDecimals.
int MachineDecimals(const TMachiningParameters& params);
// The decimals of the coordinates (depth and clearance height included) of the program
// params.Machine.Dialect gives: Decimal clamped to [0, MaxGCodeDecimals] for the classic
// dialect, MachineDecimals for the others. The writers and the check before saving share it,
// so the check sees the numbers the file will hold.
int ProgramDecimals(const TMachiningParameters& params);

// Throws EParameterValueError naming the key when a machine-ready program cannot be made
// with these parameters: feeds and spindle must be above 0, the clearance height above 0,
// the depth above 0 (else it cuts air) and still below 0 once written with the program's
// decimals, line numbers within MaxLineNumber.
void CheckMachineProgram(const TMachiningParameters& params);

// The header or footer text as program lines: "\n" (two characters) or a line break
// separates lines; {units}, {spindle}, {feed} and {date} are replaced (date as YYYY-MM-DD).
std::vector<std::string> HeaderLines(std::string_view text, const TMachiningParameters& params,
                                     std::string_view date);
// Today's date in UTC as YYYY-MM-DD.
std::string TodayText();

// The program in params.Machine.Dialect (Grbl or LinuxCnc), handed to sink in chunks.
// Checks CheckMachineProgram first; throws EProgramRuleError for a grbl line longer than
// GrblLineLength, EInvalidOp/EOverflow for a NaN or infinite coordinate.
void EmitMachineProgram(const TOutRegionArray& toolpaths, const TMachiningParameters& params,
                        const std::function<void(std::string_view)>& sink);

// CheckMachineProgram for a V-carve program: the classic dialect throws EProgramRuleError
// (it has no move in X, Y and Z at once), and VMaxDepth takes the place of Depth.
void CheckMachineCarveProgram(const TMachiningParameters& params);

// The V-carve program in params.Machine.Dialect (Grbl or LinuxCnc): the same opening and
// closing as EmitMachineProgram; per path a retract, a rapid move over its first point, one
// plunge to that point's depth at RoughPlunge, then one G1 with X, Y and Z to each further
// point at RoughFeed. Depths are written at least one step of the last decimal deep (a point
// at the surface is a corner's tip) and never below -VMaxDepth once rounded.
void EmitMachineCarveProgram(const TCarvePathArray& paths, const TMachiningParameters& params,
                             const std::function<void(std::string_view)>& sink);

} // namespace orlenta
