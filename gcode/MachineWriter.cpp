// The grbl and linuxcnc dialects; see MachineWriter.h.
#include "gcode/MachineWriter.h"

#include "gcode/GCodeText.h"
#include "gcode/GCodeWriter.h"
#include "kernel/ArcFit.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>

namespace orlenta {

namespace {

using namespace gcodetext;

// Feeds, speeds and dwell are written with up to this many decimals, trailing zeros dropped.
constexpr int RateDecimals = 4;
constexpr double MinRate = 0.001;
constexpr double MmPerInch = 25.4;
// As the classic writer: no controller reads more digits.
constexpr int MaxMachineDecimals = 20;

std::string RateText(double v) {
    char buf[NumberRoom];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, RateDecimals);
    std::string s(buf, r.ptr);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

// A word of a letter and a rate: "F600", "S12000". Built by appending: g++ 12 at -O3 reports
// a false -Wrestrict overlap for a literal plus a temporary string (GCC bug 105329).
std::string RateWord(char letter, double v) {
    std::string word(1, letter);
    return word.append(RateText(v));
}

std::string DialectLabel(const TMachiningParameters& p) {
    return " for the " + std::string(DialectName(p.Machine.Dialect)) + " dialect";
}

void RequireAbove(const char* key, double v, double low, const TMachiningParameters& p,
                  const char* why) {
    if (!(v >= low) || !std::isfinite(v))
        throw EParameterValueError(std::string(key) + " must be at least " + RateText(low) +
                                   DialectLabel(p) + why);
}

// One text line at a time into a fixed buffer, handed on in chunks: the same scheme as the
// classic writer, plus optional line numbers and a check of each line's length.
class TMachineText {
  public:
    TMachineText(const TMachiningParameters& p, const std::function<void(std::string_view)>& sink)
        : Sink(sink), Buffer(ChunkSize + 8 * NumberRoom), Decimals(ProgramDecimals(p)),
          Numbered(p.Machine.LineNumbers), Start(p.Start), Inc(std::max(p.Increment, 1)),
          LineLimit(p.Machine.Dialect == TDialect::Grbl ? GrblLineLength - 1 : 0) {}

    // Starts a program line: its number when numbering is on.
    void Begin() {
        LineStart = Used;
        if (!Numbered)
            return;
        if (N < 0)
            N = Start;
        else if (N + Inc > MaxLineNumber)
            N = Start;
        else
            N += Inc;
        char* p = Buffer.data() + Used;
        *p++ = 'N';
        Used = static_cast<std::size_t>(std::to_chars(p, p + 24, N).ptr - Buffer.data());
    }
    void Text(std::string_view s) {
        std::memcpy(Buffer.data() + Used, s.data(), s.size());
        Used += s.size();
    }
    // Words of a line are separated by one space.
    void Word(std::string_view w) {
        if (Used > LineStart)
            Text(" ");
        Text(w);
    }
    // A letter and a coordinate: "X1.250".
    void Coordinate(std::string_view letter, double v) {
        CheckFinite(v);
        Word(letter);
        char* p = Buffer.data() + Used;
        char* end = FastFixed(p, v, Decimals);
        if (!end) {
            const auto r = std::to_chars(p, p + NumberRoom, v, std::chars_format::fixed, Decimals);
            assert(r.ec == std::errc());
            end = r.ptr;
        }
        Used = static_cast<std::size_t>(end - Buffer.data());
    }
    // The value v as the controller will read it after Coordinate.
    double Rounded(double v) const {
        char buf[NumberRoom];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, Decimals);
        double read = 0;
        std::from_chars(buf, r.ptr, read);
        return read;
    }
    void End() {
        if (LineLimit > 0 && Used - LineStart > LineLimit)
            throw EProgramRuleError(
                "A program line is longer than GRBL's " + std::to_string(GrblLineLength) +
                " characters: " + std::string(Buffer.data() + LineStart, 40) + "...");
        Text("\n");
        if (Used >= ChunkSize)
            Flush();
    }
    // A whole line of the user's text (header, footer), which may be long.
    void Raw(std::string_view line) {
        if (LineLimit > 0 && line.size() > LineLimit)
            throw EProgramRuleError("A header or footer line is longer than GRBL's " +
                                    std::to_string(GrblLineLength) +
                                    " characters: " + std::string(line.substr(0, 40)) + "...");
        Flush();
        Sink(line);
        Sink("\n");
    }
    void Flush() {
        if (Used > 0)
            Sink(std::string_view(Buffer.data(), Used));
        Used = 0;
        LineStart = 0;
    }

  private:
    const std::function<void(std::string_view)>& Sink;
    std::vector<char> Buffer;
    std::size_t Used = 0;
    std::size_t LineStart = 0;
    int Decimals;
    bool Numbered;
    std::int64_t Start;
    std::int64_t Inc;
    std::int64_t N = -1;
    std::size_t LineLimit;
};

// Writes the moves of one toolpath after the tool is at its start, cutting.
class TMoveWriter {
  public:
    TMoveWriter(TMachineText& out, const TMachiningParameters& p) : Out(out), P(p) {
        const double unitMm = p.Machine.Units == TUnits::Inch ? MmPerInch : 1;
        ArcEndTolerance = ArcEndToleranceMm / unitMm;
    }

    // A straight move at the cutting feed.
    void Line(TPoint2 q) {
        Out.Begin();
        if (Mode != 1)
            Out.Word("G1");
        Mode = 1;
        WriteXY(q);
        CutFeed();
        Out.End();
        At = q;
    }

    // An arc; written as a line when its rounded numbers would fail the controller's
    // end-point check or name a full circle.
    void Arc(TPoint2 q, TPoint2 centre, bool clockwise) {
        // Everything as the controller reads it: the written start, end and offsets.
        const TPoint2 from{Out.Rounded(At.x), Out.Rounded(At.y)};
        const TPoint2 end{Out.Rounded(q.x), Out.Rounded(q.y)};
        const double i = Out.Rounded(centre.x - from.x), j = Out.Rounded(centre.y - from.y);
        const TPoint2 c{from.x + i, from.y + j};
        const double r0 = std::hypot(i, j);
        const double r1 = std::hypot(end.x - c.x, end.y - c.y);
        if (end == from || !(std::fabs(r0 - r1) <= ArcEndTolerance) || !(r0 > 0)) {
            Line(q);
            return;
        }
        const int mode = clockwise ? 2 : 3;
        Out.Begin();
        if (Mode != mode)
            Out.Word(clockwise ? "G2" : "G3");
        Mode = mode;
        WriteXY(q);
        Out.Coordinate("I", centre.x - from.x);
        Out.Coordinate("J", centre.y - from.y);
        CutFeed();
        Out.End();
        At = q;
        ++Arcs;
    }

    // A straight move at the cutting feed in X, Y and Z at once.
    void Line3(TPoint2 q, double z) {
        Out.Begin();
        if (Mode != 1)
            Out.Word("G1");
        Mode = 1;
        WriteXY(q);
        Out.Coordinate("Z", z);
        CutFeed();
        Out.End();
        At = q;
    }

    void Rapid(TPoint2 q) {
        Out.Begin();
        Out.Word("G0");
        Mode = 0;
        WriteXY(q);
        Out.End();
        At = q;
    }
    void RapidZ(double z) {
        Out.Begin();
        Out.Word("G0");
        Mode = 0;
        Out.Coordinate("Z", z);
        Out.End();
    }
    void Plunge(double z) {
        Out.Begin();
        Out.Word("G1");
        Mode = 1;
        Out.Coordinate("Z", z);
        Feed(P.RoughPlunge);
        Out.End();
    }
    std::size_t ArcCount() const { return Arcs; }

  private:
    void WriteXY(TPoint2 q) {
        Out.Coordinate("X", q.x);
        Out.Coordinate("Y", q.y);
    }
    void CutFeed() { Feed(P.RoughFeed); }
    void Feed(double f) {
        if (f == CurrentFeed)
            return;
        Out.Word(RateWord('F', f));
        CurrentFeed = f;
    }

    TMachineText& Out;
    const TMachiningParameters& P;
    double ArcEndTolerance = 0;
    int Mode = -1;
    double CurrentFeed = -1;
    TPoint2 At;
    std::size_t Arcs = 0;
};

// The opening every machine-ready program shares: % (linuxcnc), the header, the modal
// words, the retract to the clearance height, the spindle and its dwell.
void Preamble(TMachineText& out, TMoveWriter& move, const TMachiningParameters& p,
              const std::string& date) {
    if (p.Machine.Dialect == TDialect::LinuxCnc)
        out.Raw("%");
    for (const std::string& line : HeaderLines(p.Machine.Header, p, date))
        out.Raw(line);
    // One word of each modal group that matters, so nothing is left to the power-up state:
    // plane, units, no cutter or length compensation, first work offset, no canned cycle,
    // absolute distance, feed per minute.
    out.Begin();
    out.Word(p.Machine.Units == TUnits::Inch ? "G17 G20 G40 G49 G54 G80 G90 G94"
                                             : "G17 G21 G40 G49 G54 G80 G90 G94");
    out.End();
    move.RapidZ(p.RapidHeight);
    out.Begin();
    out.Word("M3");
    out.Word(RateWord('S', p.Machine.Spindle));
    out.End();
    if (p.Machine.SpindleDwell > 0) {
        out.Begin();
        out.Word("G4");
        out.Word(RateWord('P', p.Machine.SpindleDwell));
        out.End();
    }
}

// The closing they share: retract, spindle off, the footer, the program end, % (linuxcnc).
void Ending(TMachineText& out, TMoveWriter& move, const TMachiningParameters& p,
            const std::string& date) {
    const bool linuxcnc = p.Machine.Dialect == TDialect::LinuxCnc;
    move.RapidZ(p.RapidHeight);
    out.Begin();
    out.Word("M5");
    out.End();
    for (const std::string& line : HeaderLines(p.Machine.Footer, p, date))
        out.Raw(line);
    out.Begin();
    out.Word(linuxcnc ? "M2" : "M30");
    out.End();
    if (linuxcnc)
        out.Raw("%");
    out.Flush();
}

} // namespace

int MachineDecimals(const TMachiningParameters& p) {
    const int low = MinMachineDecimals + (p.Machine.Units == TUnits::Inch ? 1 : 0);
    const int high = p.Machine.Dialect == TDialect::Grbl ? MaxGrblDecimals : MaxMachineDecimals;
    return std::clamp(p.Decimal, low, high);
}

int ProgramDecimals(const TMachiningParameters& p) {
    if (p.Machine.Dialect == TDialect::Classic)
        return std::clamp(p.Decimal, 0, MaxGCodeDecimals);
    return MachineDecimals(p);
}

namespace {

// CheckMachineProgram without the depth, which a V-carve program takes from its paths.
void CheckMachineFrame(const TMachiningParameters& p) {
    RequireAbove("RoughFeed", p.RoughFeed, MinRate, p, "");
    RequireAbove("RoughPlunge", p.RoughPlunge, MinRate, p, "");
    RequireAbove("Spindle", p.Machine.Spindle, 1, p, ": the spindle must turn while cutting");
    if (!(p.RapidHeight > 0) || !std::isfinite(p.RapidHeight))
        throw EParameterValueError("RapidHeight must be above 0" + DialectLabel(p) +
                                   ": rapid moves must clear the work");
    const double grid = std::pow(10.0, -MachineDecimals(p));
    if (!(p.RapidHeight >= grid / 2))
        throw EParameterValueError("RapidHeight must be at least " + RateText(grid) +
                                   DialectLabel(p) + ": rapid moves must clear the work");
    if (p.Machine.LineNumbers) {
        if (p.Start < 0 || p.Start > MaxLineNumber)
            throw EParameterValueError("Start must be from 0 to " + std::to_string(MaxLineNumber) +
                                       DialectLabel(p));
        if (p.Increment > MaxLineNumber)
            throw EParameterValueError("Increment must be at most " +
                                       std::to_string(MaxLineNumber) + DialectLabel(p));
    }
}

} // namespace

void CheckMachineProgram(const TMachiningParameters& p) {
    CheckMachineSettings(p.Machine);
    if (p.Machine.Dialect == TDialect::Classic)
        return;
    CheckMachineFrame(p);
    const double grid = std::pow(10.0, -MachineDecimals(p));
    if (!(p.Depth >= grid / 2) || !std::isfinite(p.Depth))
        throw EParameterValueError("Depth must be at least " + RateText(grid) + DialectLabel(p) +
                                   ": the program would cut nothing");
}

void CheckMachineCarveProgram(const TMachiningParameters& p) {
    CheckMachineSettings(p.Machine);
    if (p.Machine.Dialect == TDialect::Classic)
        throw EProgramRuleError("V-carve paths need Z on every move, which the classic program "
                                "does not have: choose the grbl or linuxcnc dialect");
    CheckMachineFrame(p);
    const double grid = std::pow(10.0, -MachineDecimals(p));
    if (!(p.Engrave.VMaxDepth >= grid) || !std::isfinite(p.Engrave.VMaxDepth))
        throw EParameterValueError("VMaxDepth must be at least " + RateText(grid) +
                                   DialectLabel(p) + ": the program would cut nothing");
}

void EmitMachineCarveProgram(const TCarvePathArray& paths, const TMachiningParameters& p,
                             const std::function<void(std::string_view)>& sink) {
    CheckMachineCarveProgram(p);
    const std::string date = TodayText();
    TMachineText out(p, sink);
    TMoveWriter move(out, p);
    Preamble(out, move, p, date);
    const double grid = std::pow(10.0, -MachineDecimals(p));
    // Z of a point as written: never above one step below the surface (the tip of a sharp
    // corner touches it; a cutting move must end in the work), never below -VMaxDepth once
    // rounded (the cap is what the user allows).
    auto z = [&](double depth) {
        double v = -std::max(depth, grid);
        if (out.Rounded(v) < -p.Engrave.VMaxDepth)
            v = out.Rounded(v) + grid;
        return v;
    };
    bool down = false;
    for (const TCarvePath& path : paths) {
        if (path.Points.empty())
            continue;
        if (down)
            move.RapidZ(p.RapidHeight);
        const TPoint3& s = path.Points.front();
        move.Rapid({s.x, s.y});
        move.Plunge(z(s.depth));
        down = true;
        for (std::size_t i = 1; i < path.Points.size(); ++i)
            move.Line3({path.Points[i].x, path.Points[i].y}, z(path.Points[i].depth));
    }
    Ending(out, move, p, date);
}

std::vector<std::string> HeaderLines(std::string_view text, const TMachiningParameters& p,
                                     std::string_view date) {
    const std::pair<std::string_view, std::string> names[] = {
        {"{units}", std::string(UnitsName(p.Machine.Units))},
        {"{spindle}", RateText(p.Machine.Spindle)},
        {"{feed}", RateText(p.RoughFeed)},
        {"{date}", std::string(date)},
    };
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    std::string line;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "\\n") == 0 || text[i] == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            i += text[i] == '\n' ? 1 : 2;
            continue;
        }
        bool replaced = false;
        for (const auto& [name, value] : names)
            if (text.compare(i, name.size(), name) == 0) {
                line += value;
                i += name.size();
                replaced = true;
                break;
            }
        if (!replaced) {
            if (text[i] != '\r')
                line += text[i];
            ++i;
        }
    }
    lines.push_back(std::move(line));
    return lines;
}

std::string TodayText() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

void EmitMachineProgram(const TOutRegionArray& toolpaths, const TMachiningParameters& p,
                        const std::function<void(std::string_view)>& sink) {
    CheckMachineProgram(p);
    const std::string date = TodayText();
    TMachineText out(p, sink);
    TMoveWriter move(out, p);
    Preamble(out, move, p, date);
    bool down = false;
    std::vector<TPoint2> points;
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        if (t.Entities.empty())
            continue;
        const TPoint2 start = ToolpathStart(t);
        // The first toolpath always starts from the clearance plane, whatever its flag:
        // a cutting move there would cut air.
        if (t.RapidStart == 1 || !down) {
            if (down)
                move.RapidZ(p.RapidHeight);
            move.Rapid(start);
            move.Plunge(-p.Depth);
            down = true;
        } else if (t.RapidStart == 0) {
            move.Line(start);
        }
        points.clear();
        // An arc of the toolpath itself is written as a straight move to its end, as the
        // classic program does.
        for (const TMyEntity& e : t.Entities)
            points.push_back(SegmentEnd(e));
        for (const TFitMove& m : FitArcs(start, points, p.Machine.ArcTolerance)) {
            if (m.Arc)
                move.Arc(m.End, m.Centre, m.Clockwise);
            else
                move.Line(m.End);
        }
    }
    Ending(out, move, p, date);
}

} // namespace orlenta
