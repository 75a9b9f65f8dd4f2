// The G-code writer; see GCodeWriter.h.
#include "GCodeWriter.h"

#include "Errors.h"
#include "QuorvelKernel.h"
#include "SafeFile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

// Large enough for any finite double in fixed notation with MaxGCodeDecimals digits
// (309 integer digits for the largest double, sign, point, decimals).
constexpr std::size_t NumberRoom = 400;
// Output is handed to the file in chunks of about this size.
constexpr std::size_t ChunkSize = 1 << 16;

// Builds the program into a buffer; Sink receives each full chunk and the rest at the end.
template <class Sink> class TProgram {
  public:
    TProgram(const TMachiningParameters& params, Sink& sink)
        : Sink_(sink), Decimals(std::clamp(params.Decimal, 0, MaxGCodeDecimals)),
          Inc(params.Increment), N(std::int64_t{params.Start} - params.Increment) {
        Buffer.reserve(ChunkSize + 4 * NumberRoom);
    }

    void Text(std::string_view s) { Buffer.append(s); }
    void Coordinate(double v) { Number(v, Decimals); }
    void FeedRate(double v) { Number(v, 1); }

    // "N" and the next line number.
    void LineNumber() {
        if (__builtin_add_overflow(N, Inc, &N))
            throw EOverflow();
        Buffer.push_back('N');
        char tmp[24];
        const auto r = std::to_chars(tmp, tmp + sizeof tmp, N);
        Buffer.append(tmp, r.ptr);
    }

    void EndLine() {
        Buffer.append("\r\n");
        if (Buffer.size() >= ChunkSize) {
            Sink_(std::string_view(Buffer));
            Buffer.clear();
        }
    }

    void Finish() {
        if (!Buffer.empty())
            Sink_(std::string_view(Buffer));
        Buffer.clear();
    }

  private:
    // Fixed-point with the given decimals, exactly as "%.*f" in the C locale would write it.
    void Number(double v, int decimals) {
        CheckFinite(v);
        char tmp[NumberRoom];
        const auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, decimals);
        Buffer.append(tmp, r.ptr);
    }

    Sink& Sink_;
    std::string Buffer;
    int Decimals;
    std::int64_t Inc;
    std::int64_t N;
};

template <class Sink>
void EmitProgram(const TOutRegionArray& toolpaths, const TMachiningParameters& p, Sink& sink) {
    TProgram<Sink> g(p, sink);
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
            const TPoint2 s = ToolpathStart(t);
            g.LineNumber();
            g.Text(" G00 Z");
            g.Coordinate(p.RapidHeight);
            g.EndLine();
            g.LineNumber();
            g.Text(" G00 X");
            g.Coordinate(s.x);
            g.Text(" Y");
            g.Coordinate(s.y);
            g.EndLine();
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
            const TPoint2 s = ToolpathStart(t);
            g.LineNumber();
            g.Text(" X");
            g.Coordinate(s.x);
            g.Text(" Y");
            g.Coordinate(s.y);
            g.EndLine();
        }
        for (const TMyEntity& e : t.Entities) {
            // An arc is written as a straight move to its end point.
            const TPoint2 q = SegmentEnd(e);
            g.LineNumber();
            g.Text(" X");
            g.Coordinate(q.x);
            g.Text(" Y");
            g.Coordinate(q.y);
            g.EndLine();
        }
    }
    g.LineNumber();
    g.Text(" G00 Z");
    g.Coordinate(p.RapidHeight);
    g.EndLine();
    g.Finish();
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
