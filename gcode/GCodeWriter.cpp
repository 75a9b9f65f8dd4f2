// The G-code writer; see GCodeWriter.h.
#include "gcode/GCodeWriter.h"

#include "gcode/GCodeText.h"
#include "gcode/MachineWriter.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/SafeFile.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace orlenta {

namespace {

using namespace gcodetext;

// Builds the program into a fixed buffer; Sink receives each full chunk and the rest at
// the end. Every line fits in the slack above ChunkSize: at most two numbers of NumberRoom
// each, a line number and a few words.
template <class Sink> class TProgram {
  public:
    TProgram(const TMachiningParameters& params, Sink& sink)
        : Sink_(sink), Buffer(ChunkSize + 4 * NumberRoom), Decimals(ProgramDecimals(params)),
          Inc(params.Increment), N(std::int64_t{params.Start} - params.Increment) {}

    void Text(std::string_view s) {
        std::memcpy(Buffer.data() + Used, s.data(), s.size());
        Used += s.size();
    }
    void Coordinate(double v) { Number(v, Decimals); }
    void FeedRate(double v) { Number(v, 1); }

    // "N" and the next line number.
    void LineNumber() {
        if (__builtin_add_overflow(N, Inc, &N))
            throw EOverflow();
        char* p = Buffer.data() + Used;
        *p++ = 'N';
        Used = static_cast<std::size_t>(std::to_chars(p, p + 24, N).ptr - Buffer.data());
    }

    void EndLine() {
        Text("\r\n");
        if (Used >= ChunkSize) {
            Sink_(std::string_view(Buffer.data(), Used));
            Used = 0;
        }
    }

    // One numbered line: words, then q as " X<x> Y<y>".
    void MoveLine(std::string_view words, TPoint2 q) {
        LineNumber();
        Text(words);
        Text(" X");
        Coordinate(q.x);
        Text(" Y");
        Coordinate(q.y);
        EndLine();
    }

    // One numbered line: " G00 Z" and the clearance height.
    void RapidZLine(double z) {
        LineNumber();
        Text(" G00 Z");
        Coordinate(z);
        EndLine();
    }

    // A whole line of the user's header or footer text, which may be long.
    void RawLine(std::string_view line) {
        Finish();
        Sink_(line);
        Sink_("\r\n");
    }

    void Finish() {
        if (Used > 0)
            Sink_(std::string_view(Buffer.data(), Used));
        Used = 0;
    }

  private:
    // Fixed-point with the given decimals, exactly as "%.*f" in the C locale would write it.
    void Number(double v, int decimals) {
        CheckFinite(v);
        char* p = Buffer.data() + Used;
        char* end = FastFixed(p, v, decimals);
        if (!end) {
            const auto r = std::to_chars(p, p + NumberRoom, v, std::chars_format::fixed, decimals);
            assert(r.ec == std::errc()); // NumberRoom holds the largest double
            end = r.ptr;
        }
        Used = static_cast<std::size_t>(end - Buffer.data());
    }

    Sink& Sink_;
    std::vector<char> Buffer;
    std::size_t Used = 0;
    int Decimals;
    std::int64_t Inc;
    std::int64_t N;
};

// Counts the numbered lines instead of writing them: the same calls as TProgram, so the
// count follows the writer exactly. Line numbers past the 64-bit range stay at its end.
class TLineCounter {
  public:
    explicit TLineCounter(const TMachiningParameters& params)
        : Inc(params.Increment), N(std::int64_t{params.Start} - params.Increment) {}

    void Text(std::string_view) {}
    void Coordinate(double) {}
    void FeedRate(double) {}
    void LineNumber() {
        if (__builtin_add_overflow(N, Inc, &N))
            N = Inc > 0 ? std::numeric_limits<std::int64_t>::max()
                        : std::numeric_limits<std::int64_t>::min();
        if (Numbers.Count++ == 0)
            Numbers.First = N;
        Numbers.Last = N;
    }
    void EndLine() {}
    void RawLine(std::string_view) {}
    void MoveLine(std::string_view, TPoint2) { LineNumber(); }
    void RapidZLine(double) { LineNumber(); }
    void Finish() {}

    TGCodeLineNumbers Numbers;

  private:
    std::int64_t Inc;
    std::int64_t N;
};

// The date of the header and footer lines, when there are any.
std::string FrameDate(const TMachiningParameters& p) {
    const bool framed = !p.Machine.Header.empty() || !p.Machine.Footer.empty();
    return framed ? TodayText() : std::string();
}

// The program, line by line, into g (a TProgram or a TLineCounter): the opening lines, each
// toolpath's lines, the closing lines.
template <class Program>
void EmitOpening(const TMachiningParameters& p, const std::string& date, Program& g) {
    for (const std::string& line : HeaderLines(p.Machine.Header, p, date))
        g.RawLine(line);
    g.Text("G90 T0 F");
    g.FeedRate(p.RoughFeed);
    g.EndLine();
}

template <class Program>
void EmitToolpath(const TVKOutRegion& t, const TMachiningParameters& p, Program& g) {
    {
        // A toolpath with nothing to cut has no start either; it writes nothing.
        const bool leadIn = t.HasLeads != 0 && t.LeadIn.Mark != 0;
        if (t.Entities.empty() && !leadIn)
            return;
        if (t.RapidStart == 1) {
            g.RapidZLine(p.RapidHeight);
            g.MoveLine(" G00", ToolpathStart(t));
            g.LineNumber();
            g.Text(" G01 Z");
            g.Coordinate(-p.Depth);
            g.Text(" F");
            g.FeedRate(p.RoughPlunge);
            g.EndLine();
            g.LineNumber();
            g.Text(" F");
            g.FeedRate(p.RoughFeed);
            g.EndLine();
        } else if (t.RapidStart == 0) {
            g.MoveLine("", ToolpathStart(t));
        }
        for (const TMyEntity& e : t.Entities) {
            // An arc is written as a straight move to its end point.
            g.MoveLine("", SegmentEnd(e));
        }
    }
}

template <class Program>
void EmitClosing(const TMachiningParameters& p, const std::string& date, Program& g) {
    g.RapidZLine(p.RapidHeight);
    for (const std::string& line : HeaderLines(p.Machine.Footer, p, date))
        g.RawLine(line);
    g.Finish();
}

template <class Program>
void EmitLines(const TOutRegionArray& toolpaths, const TMachiningParameters& p, Program& g) {
    const std::string date = FrameDate(p);
    EmitOpening(p, date, g);
    for (std::size_t i = 1; i < toolpaths.size(); ++i)
        EmitToolpath(toolpaths[i], p, g);
    EmitClosing(p, date, g);
}

template <class Sink>
void EmitProgram(const TOutRegionArray& toolpaths, const TMachiningParameters& p, Sink& sink) {
    TProgram<Sink> g(p, sink);
    EmitLines(toolpaths, p, g);
}

} // namespace

// The program and the count of its line numbers side by side, so the count needs no
// second walk over toolpaths that are gone by then.
struct TGCodeStream::TState {
    using TSink = std::function<void(std::string_view)>;
    TState(const TMachiningParameters& params, TSink sink)
        : Params(params), Date(FrameDate(params)), Sink(std::move(sink)), Program(params, Sink),
          Counter(params) {}
    const TMachiningParameters& Params;
    std::string Date;
    TSink Sink;
    TProgram<TSink> Program;
    TLineCounter Counter;
    bool Cuts = false;
    std::exception_ptr Error;

    // The first failure of the program or its sink is kept; nothing more is written.
    template <class Step> void Write(Step step) {
        if (Error)
            return;
        try {
            step(Program);
        } catch (...) {
            Error = std::current_exception();
        }
    }
};

TGCodeStream::TGCodeStream(const TMachiningParameters& params,
                           std::function<void(std::string_view)> sink)
    : State(std::make_unique<TState>(params, std::move(sink))) {
    EmitOpening(params, State->Date, State->Counter);
    State->Write([&](auto& g) { EmitOpening(params, State->Date, g); });
}

TGCodeStream::~TGCodeStream() = default;

void TGCodeStream::Add(const TVKOutRegion& toolpath) {
    State->Cuts = State->Cuts || !toolpath.Entities.empty();
    EmitToolpath(toolpath, State->Params, State->Counter);
    State->Write([&](auto& g) { EmitToolpath(toolpath, State->Params, g); });
}

void TGCodeStream::Finish() {
    EmitClosing(State->Params, State->Date, State->Counter);
    State->Write([&](auto& g) { EmitClosing(State->Params, State->Date, g); });
}

std::exception_ptr TGCodeStream::Error() const {
    return State->Error;
}

TGCodeLineNumbers TGCodeStream::LineNumbers() const {
    return State->Counter.Numbers;
}

bool TGCodeStream::Cuts() const {
    return State->Cuts;
}

void WriteGCode(const TOutRegionArray& toolpaths, const std::filesystem::path& fileName,
                const TMachiningParameters& params) {
    if (params.Machine.Dialect != TDialect::Classic)
        CheckMachineProgram(params); // before the file is touched
    TSafeFileWriter file(fileName);
    auto sink = [&file](std::string_view chunk) { file.Write(chunk); };
    if (params.Machine.Dialect != TDialect::Classic)
        EmitMachineProgram(toolpaths, params, sink);
    else
        EmitProgram(toolpaths, params, sink);
    file.Commit();
}

std::string FormatGCode(const TOutRegionArray& toolpaths, const TMachiningParameters& params) {
    std::string out;
    auto sink = [&out](std::string_view chunk) { out.append(chunk); };
    if (params.Machine.Dialect != TDialect::Classic)
        EmitMachineProgram(toolpaths, params, sink);
    else
        EmitProgram(toolpaths, params, sink);
    return out;
}

void WriteCarveGCode(const TCarvePathArray& paths, const std::filesystem::path& fileName,
                     const TMachiningParameters& params) {
    CheckMachineCarveProgram(params); // before the file is touched
    TSafeFileWriter file(fileName);
    EmitMachineCarveProgram(paths, params, [&file](std::string_view chunk) { file.Write(chunk); });
    file.Commit();
}

std::string FormatCarveGCode(const TCarvePathArray& paths, const TMachiningParameters& params) {
    std::string out;
    EmitMachineCarveProgram(paths, params, [&out](std::string_view chunk) { out.append(chunk); });
    return out;
}

TGCodeLineNumbers GCodeLineNumbers(const TOutRegionArray& toolpaths,
                                   const TMachiningParameters& params) {
    TLineCounter counter(params);
    EmitLines(toolpaths, params, counter);
    return counter.Numbers;
}

} // namespace orlenta
