// One engraving job of the command-line program: what the main window would hold (text,
// font, layout fields) plus machining parameter overrides and the output file, set by key
// from command-line options and from the lines of a batch file alike.
#pragma once

#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "kernel/QuorvelTypes.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orlenta {

// A failure that ends the program with one line on standard error (and one line before it
// per detail). Usage errors (an option, a number, a batch line that cannot be read) stop
// before any job runs.
class ECliError : public std::runtime_error {
  public:
    static constexpr int JobFailed = 1;
    static constexpr int UsageFailed = 2;
    ECliError(const std::string& message, int exitStatus, std::vector<std::string> details = {})
        : std::runtime_error(message), ExitStatus(exitStatus), Details(std::move(details)) {}
    int ExitStatus;
    // The problems of a refused save, each printed on its own line before the message.
    std::vector<std::string> Details;
};

// Writes the error to err: one line per detail, then the message, each after
// "orlenta-cli: ". Line breaks inside become blanks, so each stays one line.
void ReportError(std::ostream& err, const ECliError& e);

// Parameters given on the command line or in a batch line replace those of the file.
struct TParameterOverrides {
    std::optional<double> Depth;
    std::optional<double> RapidHeight;
    std::optional<double> RoughFeed;
    std::optional<double> RoughPlunge;
    std::optional<std::int32_t> Precision;
    std::optional<std::int32_t> Decimal;
    std::optional<std::int32_t> Start;
    std::optional<std::int32_t> Increment;
    // Machine settings (Parameters.cfg keys Units, Dialect, Spindle, SpindleDwell,
    // ArcTolerance, LineNumbers).
    std::optional<TUnits> Units;
    std::optional<TDialect> Dialect;
    std::optional<double> Spindle;
    std::optional<double> SpindleDwell;
    std::optional<double> ArcTolerance;
    std::optional<bool> LineNumbers;
    // V-carving (Parameters.cfg keys EngraveMode, VBitAngle, VMaxDepth, VAccuracy).
    std::optional<TEngraveMode> EngraveMode;
    std::optional<double> VBitAngle;
    std::optional<double> VMaxDepth;
    std::optional<double> VAccuracy;
};

// Copies the given overrides into params; StepDown follows Depth, as the dialog's OK does.
void ApplyOverrides(const TParameterOverrides& overrides, TMachiningParameters& params);

struct TCliJob {
    TCreateNumbers Numbers; // the window's start values: height 1, everything else 0
    TFontChoice Font;
    TParameterOverrides Params;
    TTextStyle Style;   // lines, spacing, mirror
    std::string Output; // a file name, or in batch mode the pattern of the file names
    std::optional<TSaveFormat> Format; // none: by the extension of the output
    bool Force = false;                // save even when the check before saving objects
    bool OutlineUnits = false;         // a size of 0 or less keeps the font's own units
    bool TextGiven = false;
};

// A key a job can be set by: the long option "--<Name>" and the batch key "<Name>=".
struct TJobKey {
    const char* Name;
    const char* Value; // the value's kind for the help text; nullptr for on/off flags
    const char* Help;
    const char* Group; // heading of the help text
};
const std::vector<TJobKey>& JobKeys();

// The settings of one level (the command line, or one batch line), applied in one go so
// that the size rule can see both of them: setting only the width sets the height to 0
// and setting only the height sets the width to 0, as typing into either field does in
// the window; with both, the width sizes the text. Throws ECliError (usage) naming the key.
void ApplySettings(TCliJob& job, const std::vector<std::pair<std::string, std::string>>& settings,
                   const std::string& where);

// A straight-line text must be sized: a height and width of 0 or less keep the font's
// outline units (metres of text), which the window shows in its size readout but a script
// would not notice. Throws ECliError (usage, with where) unless job.OutlineUnits.
void CheckTextSize(const TCliJob& job, const std::string& where);

// A number as typed on the command line or in a batch file: full stop as the only decimal
// separator, whatever the locale. Throws EConvertError with the text.
double ReadNumber(const std::string& text);

// ---- batch files ----------------------------------------------------------------------

struct TBatchLine {
    int LineNumber = 0; // 1-based line of the file
    std::string Text;
    std::vector<std::pair<std::string, std::string>> Settings;
};

// One job per line: the text, then optionally TAB-separated key=value settings. A trailing
// CR and a leading UTF-8 byte order mark are dropped; empty lines and lines of blanks are
// skipped (their numbers still count). Throws ECliError (usage) with "<name>:<line>: ".
std::vector<TBatchLine> ParseBatch(std::string_view content, const std::string& name);

// The output file name of a batch line: {n} the line number, {n:W} zero-padded to W digits,
// {text} the text with every character but letters, digits, '-' and '_' made '_' (at most
// 64 of them), {{ and }} literal braces. Throws ECliError (usage) for another placeholder.
std::string ExpandOutputPattern(const std::string& pattern, int lineNumber,
                                const std::string& text);

// The format of a job: the option, else the file extension (".Dnc", ".nc", ".ngc" G-code,
// ".Dxf" DXF, ".svg" SVG, in any case). Throws ECliError (usage) when neither tells.
TSaveFormat ResolveFormat(std::optional<TSaveFormat> format, const std::string& fileName);

} // namespace orlenta
