// The machining parameters' file, Parameters.cfg (beside the executable, or the user's;
// see InstallLayout.h), and the conversions of the parameter dialog's fields. Qt-free, so
// that every front end shares them.
#pragma once

#include "app/core/InstallLayout.h"
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

// ExecutableDirectory() / "Parameters.cfg".
std::filesystem::path DefaultParametersPath();
// The files that LoadParameters and SaveParameters use when given none: those set by
// SetParameterFiles, else FindParameterFiles(CurrentInstallLayout()). Tests point
// it at a folder of their own, so that tests running at once never share one file.
TParameterFiles ParameterFiles();
// ParameterFiles().Write: the file the parameters are saved to.
std::filesystem::path ParametersPath();
// Sets the files ParameterFiles() gives; an empty Write returns to those FindParameterFiles
// finds.
void SetParameterFiles(TParameterFiles files);
// SetParameterFiles({file, file}).
void SetParametersPath(std::filesystem::path file);

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
bool LoadParameters(TMachiningParameters& params, const std::filesystem::path& file);
// The same from ParameterFiles().Read.
bool LoadParameters(TMachiningParameters& params);

// Writes the eight keys (Depth, RapidHeight, RoughFeed, RoughPlunge, Precision, Decimal,
// Start, Increment) into section "Parameters" of file, keeping every other section, key
// and comment, then each machine setting that differs from its default or is in the file
// already. The file is replaced only once completely written. Throws EIniWriteError.
void SaveParameters(const TMachiningParameters& params, const std::filesystem::path& file);
// The same into ParameterFiles().Write. The first save there creates its folder and starts
// from the text of ParameterFiles().Read (the installed default with its comments), so the
// user's file keeps whatever else the shipped one holds.
void SaveParameters(const TMachiningParameters& params);

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

// The dialog's conversions: the field must hold one complete number, blanks around it
// allowed. Floats take "." or "," as decimal separator, a sign and an exponent (so every text
// the dialog shows reads back); integers are decimal within 32 bits. An empty field is 0.
// Nothing for anything else, so that a slip of the keyboard never becomes a silently
// different number.
std::optional<double> DialogTextToFloat(std::string_view text);
std::optional<std::int32_t> DialogTextToInt(std::string_view text);

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
    friend bool operator==(const TParameterTexts&, const TParameterTexts&) = default;
};

// The dialog's fields, in the order of TParameterTexts.
enum class TParameterField {
    Depth,
    RapidHeight,
    RoughFeed,
    RoughPlunge,
    Precision,
    Decimal,
    Start,
    Increment
};

// A dialog field that is not a number; what() names the field by its label.
class EParameterFieldError : public OrlentaError {
  public:
    EParameterFieldError(TParameterField field, const std::string& text);
    TParameterField Field() const { return Field_; }

  private:
    TParameterField Field_;
};

// The dialog's OK: converts every field into params in the order above, then
// StepDown := Depth. No range is checked. The first field that is not a number raises
// EParameterFieldError and leaves params as they were.
void ReadDialogFields(const TParameterTexts& fields, TMachiningParameters& params);
// What the dialog shows when it opens: floats in FloatToGeneralText, integers in decimal.
TParameterTexts ParameterTexts(const TMachiningParameters& params);
