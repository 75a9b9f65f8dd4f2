// The G-code writer; see GCodeWriter.h.
#include "gcode/GCodeWriter.h"

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
#include <limits>
#include <vector>

namespace {

// Large enough for any finite double in fixed notation with MaxGCodeDecimals digits
// (309 integer digits for the largest double, sign, point, decimals).
constexpr std::size_t NumberRoom = 400;
// Output is handed to the file in chunks of about this size.
constexpr std::size_t ChunkSize = 1 << 16;

constexpr double Pow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
// Below this, |v| * 10^decimals is computed with an error under 1.2e-4, so a fraction
// farther than TieMargin from one half rounds the same way as the exact value.
constexpr double FastLimit = 1e12;
constexpr double TieMargin = 1e-3;

// 10^0 to 10^19, to count the digits of an integer.
constexpr auto Pow10Int = [] {
    std::array<std::uint64_t, 20> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
    return p;
}();

// "00" to "99": two digits per division halves the chain of dependent divisions.
constexpr auto DigitPairs = [] {
    std::array<char, 200> d{};
    for (int i = 0; i < 100; ++i) {
        d[2 * i] = static_cast<char>('0' + i / 10);
        d[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return d;
}();

// Writes the two digits of pair (< 100) just before p.
char* PutPair(char* p, std::uint64_t pair) {
    p -= 2;
    p[0] = DigitPairs[2 * pair];
    p[1] = DigitPairs[2 * pair + 1];
    return p;
}

// Fixed-point text of v by scaling to an integer: several times faster than the general
// conversion and, where it answers, identical to it. Values near a rounding tie, large
// values and many decimals are left to std::to_chars (returns nullptr).
char* FastFixed(char* out, double v, int decimals) {
    if (decimals >= static_cast<int>(std::size(Pow10)))
        return nullptr;
    const double scaled = std::fabs(v) * Pow10[decimals];
    if (!(scaled < FastLimit))
        return nullptr;
    const auto whole = static_cast<std::uint64_t>(scaled);
    const double frac = scaled - static_cast<double>(whole); // exact (Sterbenz)
    if (std::fabs(frac - 0.5) < TieMargin)
        return nullptr;
    std::uint64_t n = whole + (frac > 0.5 ? 1 : 0);
    // Length first, then the digits right to left straight into place.
    int digits = 1;
    while (digits < static_cast<int>(Pow10Int.size()) && n >= Pow10Int[digits])
        ++digits;
    const bool negative = std::signbit(v); // printf signs a negative value rounding to 0
    const int intDigits = digits > decimals ? digits - decimals : 1;
    char* const end = out + negative + intDigits + (decimals > 0 ? decimals + 1 : 0);
    char* p = end;
    int i = 0;
    for (; i + 2 <= decimals; i += 2, n /= 100)
        p = PutPair(p, n % 100);
    if (i < decimals) {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    if (decimals > 0)
        *--p = '.';
    for (; n >= 100; n /= 100)
        p = PutPair(p, n % 100);
    if (n >= 10)
        p = PutPair(p, n);
    else
        *--p = static_cast<char>('0' + n);
    if (negative)
        *--p = '-';
    return end;
}

// Builds the program into a fixed buffer; Sink receives each full chunk and the rest at
// the end. Every line fits in the slack above ChunkSize: at most two numbers of NumberRoom
// each, a line number and a few words.
template <class Sink> class TProgram {
  public:
    TProgram(const TMachiningParameters& params, Sink& sink)
        : Sink_(sink), Buffer(ChunkSize + 4 * NumberRoom),
          Decimals(std::clamp(params.Decimal, 0, MaxGCodeDecimals)), Inc(params.Increment),
          N(std::int64_t{params.Start} - params.Increment) {}

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
    void MoveLine(std::string_view, TPoint2) { LineNumber(); }
    void RapidZLine(double) { LineNumber(); }
    void Finish() {}

    TGCodeLineNumbers Numbers;

  private:
    std::int64_t Inc;
    std::int64_t N;
};

// The program, line by line, into g (a TProgram or a TLineCounter).
template <class Program>
void EmitLines(const TOutRegionArray& toolpaths, const TMachiningParameters& p, Program& g) {
    g.Text("G90 T0 F");
    g.FeedRate(p.RoughFeed);
    g.EndLine();
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        // A toolpath with nothing to cut has no start either; it writes nothing.
        const bool leadIn = t.HasLeads != 0 && t.LeadIn.Mark != 0;
        if (t.Entities.empty() && !leadIn)
            continue;
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
    g.RapidZLine(p.RapidHeight);
    g.Finish();
}

template <class Sink>
void EmitProgram(const TOutRegionArray& toolpaths, const TMachiningParameters& p, Sink& sink) {
    TProgram<Sink> g(p, sink);
    EmitLines(toolpaths, p, g);
}

} // namespace

void WriteGCode(const TOutRegionArray& toolpaths, const std::filesystem::path& fileName,
                const TMachiningParameters& params) {
    TSafeFileWriter file(fileName);
    auto sink = [&file](std::string_view chunk) { file.Write(chunk); };
    EmitProgram(toolpaths, params, sink);
    file.Commit();
}

std::string FormatGCode(const TOutRegionArray& toolpaths, const TMachiningParameters& params) {
    std::string out;
    auto sink = [&out](std::string_view chunk) { out.append(chunk); };
    EmitProgram(toolpaths, params, sink);
    return out;
}

TGCodeLineNumbers GCodeLineNumbers(const TOutRegionArray& toolpaths,
                                   const TMachiningParameters& params) {
    TLineCounter counter(params);
    EmitLines(toolpaths, params, counter);
    return counter.Numbers;
}
