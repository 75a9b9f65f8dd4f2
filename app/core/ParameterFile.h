// The machining parameters' file, Parameters.cfg beside the executable, and the
// conversions of the parameter dialog's fields. Qt-free, so that every front end shares
// them.
#pragma once

#include "kernel/Errors.h"
#include "kernel/QuorvelTypes.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* ParametersFileName = "Parameters.cfg";
inline constexpr const char* ParametersSection = "Parameters";
// A parameter file larger than this is not read (it cannot be ours); loading it gives the
// defaults and saving over it is refused rather than dropping its content.
constexpr std::uintmax_t MaxParametersFileSize = 16u << 20;

// The parameter file could not be written; what() is "Unable to write to <path>".
class EIniWriteError : public EInOutError {
  public:
    EIniWriteError(const std::filesystem::path& file, std::string reason);
    // The system's explanation ("No space left on device", ...).
    const std::string& Reason() const { return Reason_; }

  private:
    std::string Reason_;
};

// The directory of the running executable (from /proc/self/exe); empty if unknown.
std::filesystem::path ExecutableDirectory();
// ExecutableDirectory() / "Parameters.cfg".
std::filesystem::path DefaultParametersPath();

// Reads section "Parameters" of file into params: Depth (then StepDown := Depth),
// RapidHeight, RoughFeed, RoughPlunge (default 1 each), Precision (8), Decimal (6), Start
// (100), Increment (5); a key that is missing or not a number gives its default. Numbers
// are read with a full stop or a comma as decimal separator. Returns false, leaving params
// as they were, when the file does not exist. Never throws for what these keys hold.
//
// Then the machine settings into params.Machine: Units (mm, inch), Dialect (classic, grbl,
// linuxcnc), Spindle, SpindleDwell, RapidRate, ArcTolerance, LineNumbers (0, 1), Header,
// Footer. A missing key takes its default (TMachineSettings); a value that is not valid or
// out of range throws EParameterValueError "<file>: <key> must be ...", with the eight keys
// above already read and params.Machine at its defaults.
bool LoadParameters(TMachiningParameters& params,
                    const std::filesystem::path& file = DefaultParametersPath());

// Writes the eight keys (Depth, RapidHeight, RoughFeed, RoughPlunge, Precision, Decimal,
// Start, Increment) into section "Parameters" of file, keeping every other section, key
// and comment, then each machine setting that differs from its default or is in the file
// already. The file is replaced only once completely written. Throws EIniWriteError.
void SaveParameters(const TMachiningParameters& params,
                    const std::filesystem::path& file = DefaultParametersPath());

// ---- conversions ----------------------------------------------------------------------

// The shortest text of v with up to 15 significant digits and a full stop ("0.5", "1",
// "1e-05"): the form floating-point values are stored in and shown in the dialog.
std::string FloatToGeneralText(double v);
// A floating-point value of the file: a complete decimal number with an optional
// exponent, "." or "," as separator; nothing for anything else (NaN, infinity and values
// out of the range of double included).
std::optional<double> ParseIniFloat(std::string_view text);
// An integer of the file: decimal, or hexadecimal after "$" or "0x", within 32 bits.
std::optional<std::int32_t> ParseIniInt(std::string_view text);

// The dialog's conversion, which never fails: a complete number ("2.5", "-1e3") is read as
// such; otherwise the digits before the first character that does not fit make a whole
// number, any decimal point among them ignored ("2,5" gives 2, "1.2.3" gives 12, "" gives
// 0). A digit that would overflow does not fit either, so the result is always finite.
double DialogTextToFloat(std::string_view text);
// The same for the integer fields: the digits up to the first character that is not one
// (or would overflow 32 bits); "" gives 0.
std::int32_t DialogTextToInt(std::string_view text);

// The texts of the parameter dialog's eight fields.
struct TParameterTexts {
    std::string Depth;
    std::string RapidHeight;
    std::string RoughFeed;
    std::string RoughPlunge;
    std::string Precision;
    std::string Decimal;
    std::string Start;
    std::string Increment;
};

// The dialog's OK: converts every field into params in the order above, then
// StepDown := Depth. No range is checked.
void ReadDialogFields(const TParameterTexts& fields, TMachiningParameters& params);
// What the dialog shows when it opens: floats in FloatToGeneralText, integers in decimal.
TParameterTexts ParameterTexts(const TMachiningParameters& params);
