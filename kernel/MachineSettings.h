// What a machine-ready program needs beyond the engraving geometry: units, controller
// dialect, spindle, program header and footer, arc fitting and the rapid rate used to
// estimate machining time. The defaults leave every written file as it was before these
// settings existed.
#pragma once

#include "kernel/Errors.h"

#include <optional>
#include <string>
#include <string_view>

namespace orlenta {

// The unit every number the user types is in. Geometry is never converted: the setting
// only tells the controller (G21/G20) and labels sizes.
enum class TUnits { Millimetre, Inch };

// The controller a G-code program is written for.
enum class TDialect {
    Classic,  // numbered moves, no units, no spindle, no program end (the ".Dnc" format)
    Grbl,     // GRBL 1.1
    LinuxCnc, // LinuxCNC's rs274ngc interpreter
};

struct TMachineSettings {
    TUnits Units = TUnits::Millimetre;
    TDialect Dialect = TDialect::Classic;
    double Spindle = 10000;   // rpm, for the machine-ready dialects
    double SpindleDwell = 0;  // seconds of spin-up before the first plunge; 0: none
    double RapidRate = 1000;  // units per minute of rapid moves, for the time estimate
    bool LineNumbers = false; // machine-ready dialects: N words (the classic one always has them)
    std::string Header;       // lines before the program; "\n" (two characters) separates lines
    std::string Footer;       // lines after it
    double ArcTolerance = 0;  // > 0: fit arcs within this distance (units); 0: lines only
};

// Limits of the settings, checked when the file is read and before a program is written.
constexpr double MaxSpindle = 1e6;
constexpr double MaxSpindleDwell = 3600;
constexpr double MaxRapidRate = 1e7;
constexpr double MaxArcTolerance = 10;
// Longer header or footer texts are not ours to paste into a program.
constexpr std::size_t MaxHeaderFooterLength = 4096;

// Names as they stand in the parameter file and on the command line.
std::string_view UnitsName(TUnits u);                     // "mm", "inch"
std::string_view DialectName(TDialect d);                 // "classic", "grbl", "linuxcnc"
std::optional<TUnits> ParseUnits(std::string_view s);     // "mm", "inch" (also "in")
std::optional<TDialect> ParseDialect(std::string_view s); // case-insensitive

// Throws EParameterValueError naming the first key whose value is out of range (NaN
// included): Spindle [0, MaxSpindle], SpindleDwell [0, MaxSpindleDwell], RapidRate
// (0, MaxRapidRate], ArcTolerance [0, MaxArcTolerance], Header/Footer length.
void CheckMachineSettings(const TMachineSettings& s);

} // namespace orlenta
