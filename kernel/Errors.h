// Exceptions that end a command with a message for the user, and the floating-point
// checkpoints that turn NaN and infinity into those exceptions instead of letting them
// reach a toolpath, the preview or a file.
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

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

// Clears the division-by-zero, invalid and overflow flags of the floating-point unit.
void ClearFloatFlags();
// Throws EZeroDivide, EInvalidOp or EOverflow when the matching flag has been raised since
// the last ClearFloatFlags (in that order of precedence), and clears the flags.
void CheckFloatFlags();
// Raises EInvalidOp for NaN and EOverflow for an infinity (kept out of line: rarely taken).
[[noreturn]] void RaiseNotFinite(double v);
// Throws EInvalidOp for NaN and EOverflow for an infinity. Inline: it guards every mapped
// point of the preview and every placed coordinate of the layout.
inline void CheckFinite(double v) {
    if (!std::isfinite(v)) [[unlikely]]
        RaiseNotFinite(v);
}

// Conversions of doubles to integers that raise instead of hitting undefined behaviour
// when the value does not fit (NaN included): EInvalidOp, as the original platform does.
std::int32_t TruncToInt32(double v);
std::int32_t RoundToInt32(double v);
std::int64_t TruncToInt64(double v);
