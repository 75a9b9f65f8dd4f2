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

namespace orlenta {

inline constexpr const char* ParametersFileName = "Parameters.cfg";
inline constexpr const char* ParametersSection = "Parameters";
// A parameter file larger than this is not read (it cannot be ours): loading it and saving
// over it are refused.
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

// The parameter file could not be read; what() is "<path>: <reason>", the reason being the
// system's ("Is a directory", "Permission denied") or what the text lacks ("no [Parameters]
// section", "not UTF-8 text", "Depth: 'deep' is not a number").
class EParameterFileError : public EInOutError {
  public:
    EParameterFileError(const std::filesystem::path& file, std::string reason);
    const std::string& Reason() const { return Reason_; }

  private:
    std::string Reason_;
};

// What is wrong with a parameter text, without a file name; what() is the reason.
class EParameterTextError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
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

// Reads section "Parameters" of an INI text into params: Depth (then StepDown := Depth),
// RapidHeight, RoughFeed, RoughPlunge (default 1 each), Precision (8), Decimal (6), Start
// (100), Increment (5); a key that is missing or empty gives its default. Numbers are read
// with a full stop or a comma as decimal separator, a comment after them ("0.3 ; note")
// and quotes around them ("\"0.3\"") allowed. Throws EParameterTextError, leaving params as
// they were, for a text that IniTextProblem refuses, one without section "Parameters",
// and a value that is not a number (it is never replaced by the default).
//
// Then the machine settings into params.Machine: Units (mm, inch), Dialect (classic, grbl,
// linuxcnc), Spindle, SpindleDwell, RapidRate, ArcTolerance, LineNumbers (0, 1), Header,
// Footer, the same comments and quotes allowed except in Header and Footer (taken as they
// stand). A missing key takes its default (TMachineSettings); a value that is not valid or
// out of range throws EParameterValueError "<key> must be ...", with the eight keys above
// already read and params.Machine at its defaults.
void ReadParametersText(std::string_view text, TMachiningParameters& params);
// The INI text original with the eight keys (Depth, RapidHeight, RoughFeed, RoughPlunge,
// Precision, Decimal, Start, Increment) set in section "Parameters", then each machine
// setting that differs from its default or is in the text already, every other section,
// key and comment kept. Throws EParameterTextError for a text that IniTextProblem refuses
// (rewriting it would lose what the reader skipped) and std::bad_alloc.
std::string MergeParametersText(std::string_view original, const TMachiningParameters& params);

// ReadParametersText on the content of file. Returns false, leaving params as they were,
// when the file does not exist; throws EParameterFileError when it cannot be read or
// its text is refused, EParameterValueError "<file>: <key> must be ..." for a machine
// setting that is not valid (as ReadParametersText leaves params then).
bool LoadParameters(TMachiningParameters& params, const std::filesystem::path& file);
// The same from ParameterFiles().Read.
bool LoadParameters(TMachiningParameters& params);

// MergeParametersText on the content of file (none when it does not exist); the file is
// replaced only once completely written. Throws EIniWriteError with the reason, also for a
// file that cannot be read or whose text the reader cannot read completely.
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
    // A number outside the field's range: "Precision: '0' is out of range (1 to 100)".
    EParameterFieldError(TParameterField field, const std::string& text, const std::string& range);
    TParameterField Field() const { return Field_; }

  private:
    TParameterField Field_;
};

// The dialog's OK: converts every field into params in the order above, then
// StepDown := Depth. The first field that is not a number, or whose number is outside its
// range (ParameterRules.h), raises
// EParameterFieldError and leaves params as they were.
void ReadDialogFields(const TParameterTexts& fields, TMachiningParameters& params);
// What the dialog shows when it opens: floats in FloatToGeneralText, integers in decimal.
TParameterTexts ParameterTexts(const TMachiningParameters& params);

} // namespace orlenta
