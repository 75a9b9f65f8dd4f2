// The G-code writer: the toolpaths as a line-numbered G-code program (a ".Dnc" file).
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/QuorvelTypes.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orlenta {

// Digits after the decimal point of coordinates are clamped to [0, MaxGCodeDecimals]: 20
// already exceeds the 17 significant digits of a double, so more would add only zeros.
constexpr int MaxGCodeDecimals = 20;

// Writes toolpaths (element 0 is never written) in params.Machine.Dialect: the classic
// program, or a machine-ready one (MachineWriter.h). The classic program has the
// parameters' feeds, depth, clearance height, numbering and decimals: lines ended by CR LF,
// numbers always with a full stop, whatever the locale, and the Header and Footer lines (if
// any) before and after it. Its line numbers are 64-bit (Start + k * Increment); one
// beyond that range raises EOverflow instead of wrapping.
//
// The program goes to a temporary file beside fileName that replaces it only once it is
// complete: on any failure (EInOutError with the system's message, EInvalidOp / EOverflow
// for a NaN or infinite value, EParameterValueError / EProgramRuleError for a machine-ready
// program its controller would refuse) the previous file is untouched and no partial file
// is left.
void WriteGCode(const TOutRegionArray& toolpaths, const std::filesystem::path& fileName,
                const TMachiningParameters& params);

// The same program as text, for front ends that write it elsewhere (standard output).
std::string FormatGCode(const TOutRegionArray& toolpaths, const TMachiningParameters& params);

// V-carve paths as a machine-ready program (EmitMachineCarveProgram), written the same safe
// way; the classic dialect raises EProgramRuleError before the file is touched.
void WriteCarveGCode(const TCarvePathArray& paths, const std::filesystem::path& fileName,
                     const TMachiningParameters& params);
std::string FormatCarveGCode(const TCarvePathArray& paths, const TMachiningParameters& params);

// The line numbers a program for these toolpaths and parameters uses, without writing it:
// the first and the last (Start + (Count - 1) * Increment) and how many lines carry one.
struct TGCodeLineNumbers {
    std::int64_t First = 0;
    std::int64_t Last = 0;
    std::uint64_t Count = 0;
};
TGCodeLineNumbers GCodeLineNumbers(const TOutRegionArray& toolpaths,
                                   const TMachiningParameters& params);

// The classic program written toolpath by toolpath, for a caller that builds the toolpaths
// as it goes and keeps none: Add each toolpath (1 to the last) in order, then Finish. The
// sink receives the same bytes as FormatGCode of all the toolpaths gives, in chunks. The
// first failure of the program or of the sink (EOverflow, EInvalidOp, EInOutError) is
// kept in Error instead of thrown and ends the writing; the line numbers and whether any
// toolpath cuts are still counted, so a caller can tell what a check before the save
// would have said.
class TGCodeStream {
  public:
    // params must outlive the stream.
    TGCodeStream(const TMachiningParameters& params, std::function<void(std::string_view)> sink);
    ~TGCodeStream();
    TGCodeStream(const TGCodeStream&) = delete;
    TGCodeStream& operator=(const TGCodeStream&) = delete;

    void Add(const TVKOutRegion& toolpath);
    void Finish();
    // GCodeLineNumbers of the toolpaths added so far.
    TGCodeLineNumbers LineNumbers() const;
    // Whether a toolpath added so far has segments.
    bool Cuts() const;
    // The failure that ended the writing, or null.
    std::exception_ptr Error() const;

  private:
    struct TState;
    std::unique_ptr<TState> State;
};

} // namespace orlenta
