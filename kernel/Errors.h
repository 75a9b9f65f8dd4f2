// Exceptions that end a command with a message for the user, and the floating-point
// checkpoints that turn NaN and infinity into those exceptions instead of letting them
// reach a toolpath, the preview or a file.
//
// The whole tree; what() is always the text the user sees:
//   std::runtime_error
//     OrlentaError                  every error of the program's own (here)
//       EZeroDivide, EInvalidOp,    floating-point failures: a division by zero, a NaN or
//       EOverflow                   infinity, a double that no integer holds (here)
//       EConvertError               a field text that is not a number (here)
//       EInOutError                 a file not written or read, with the system's text (here)
//         EIniWriteError            the parameter file (app/core/ParameterFile.h)
//       EFontError                  FreeType or fontconfig failed (here)
//       EParameterValueError        a machine setting out of range, naming the key (here)
//       EProgramRuleError           a program its controller would refuse (here)
//       ETooManyPasses              a step down too small (kernel/ToolpathBuilder.h)
//       EVCarveSetting              a V-bit angle, V-carve depth or accuracy out of range
//                                   (vcarve/VCarve.h)
//       ECarveNeedsZMoves           V-carve paths saved as a classic G-code program
//                                   (app/command/SaveCommands.h)
//       EListError                  a stroke index out of range (glyph/UTTF2Vct.h)
//       DXF_exception               misuse of the drawing model (dxf/DXFException.h)
//       EGraphicsError              the preview's window and viewport (preview/PantoGraph.h)
//       EVectorError, EMatrixError  the preview's vectors and matrices (preview/VectorMatrix.h)
//       DIB_ERROR                   the preview's pixel surface (preview/DIBUltra.h)
//     ECliError                     what ends orlenta-cli, with its exit status (cli/CliJob.h)
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace orlenta {

// Root of the program's own errors; what() is the text the user sees.
class OrlentaError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class EZeroDivide : public OrlentaError {
  public:
    EZeroDivide() : OrlentaError("Floating point division by zero") {}
};

class EInvalidOp : public OrlentaError {
  public:
    EInvalidOp() : OrlentaError("Invalid floating point operation") {}
};

class EOverflow : public OrlentaError {
  public:
    EOverflow() : OrlentaError("Floating point overflow") {}
};

// A field text that is not a number.
class EConvertError : public OrlentaError {
  public:
    explicit EConvertError(const std::string& text)
        : OrlentaError("'" + text + "' is not a valid floating point value") {}
};

// A file that could not be written or read; carries the system's message.
class EInOutError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

// The font service failed: FreeType did not start, fontconfig gave no configuration or no
// font, a font file did not open or a glyph did not load. Carries FreeType's own text. A
// character the font lacks is no failure: the font's missing-glyph box stands for it.
class EFontError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

// A machine setting (parameter file key or command-line option) out of its range or not
// one of its names; what() names the key.
class EParameterValueError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

// A program that its controller would reject (a line longer than its buffer, a feed of
// 0); nothing is written. what() says which rule.
class EProgramRuleError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

// Raises EInvalidOp for NaN and EOverflow for an infinity (kept out of line: rarely taken).
[[noreturn]] void RaiseNotFinite(double v);
// Throws EInvalidOp for NaN and EOverflow for an infinity. Inline: it guards every mapped
// point of the preview and every placed coordinate of the layout.
inline void CheckFinite(double v) {
    if (!std::isfinite(v)) [[unlikely]]
        RaiseNotFinite(v);
}

// Conversions of doubles to integers that raise EInvalidOp instead of hitting undefined
// behaviour when the value does not fit (NaN included).
std::int32_t TruncToInt32(double v);
std::int32_t RoundToInt32(double v);
std::int64_t TruncToInt64(double v);

} // namespace orlenta
