// The save path and its check; see SaveCommands.h.
#include "app/command/SaveCommands.h"

#include "app/core/ParameterFile.h"
#include "dxf/DXFObject.h"
#include "gcode/GCodeWriter.h"
#include "gcode/MachineWriter.h"
#include "kernel/ArcFit.h"
#include "svg/SVGWriter.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace orlenta {

namespace {

// v as the writer puts it into the program: fixed point with the given decimals.
std::string writtenText(double v, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

bool writtenAsZero(const std::string& text) {
    return text.find_first_of("123456789") == std::string::npos;
}

// A value that must be written as a positive number: nothing when it is, else the problem
// ("<name> is 0", "<name> 0.04 is written as 0.0", "<name> -5 is negative") and why it
// matters. decimalsKey names the parameter that sets the decimals, when one does.
void checkPositive(std::vector<std::string>& problems, const char* name, double v, int decimals,
                   const char* decimalsKey, const char* consequence) {
    // Built by appending: g++ 12 at -O3 reports a false -Wrestrict overlap for a literal
    // plus a temporary string here (GCC bug 105329).
    const std::string text = writtenText(v, decimals);
    std::string problem = name;
    if (v == 0) {
        problem.append(" is 0");
    } else if (writtenAsZero(text)) {
        problem.append(" ").append(FloatToGeneralText(v)).append(" is written as ");
        problem.append(text, text.front() == '-' ? 1 : 0);
        if (decimalsKey)
            problem.append(" (")
                .append(decimalsKey)
                .append(" ")
                .append(std::to_string(decimals))
                .append(")");
    } else if (v < 0) {
        problem.append(" ").append(FloatToGeneralText(v)).append(" is negative");
    } else {
        return;
    }
    problems.push_back(problem.append(": ").append(consequence));
}

// Element 0 is never written, and a toolpath without segments cuts nothing.
bool hasToolpaths(const TOutRegionArray& toolpaths) {
    return std::any_of(toolpaths.begin() + (toolpaths.empty() ? 0 : 1), toolpaths.end(),
                       [](const TVKOutRegion& t) { return !t.Entities.empty(); });
}

// The problems of a G-code program from the parameters and the numbered lines it has.
void gcodeProblems(std::vector<std::string>& problems, const TMachiningParameters& p,
                   const TGCodeLineNumbers& n, bool carving) {
    // The decimals the chosen dialect's writer uses; classic feed rates always get one.
    const int decimals = ProgramDecimals(p);
    // A V-carve path's depth follows the letter's width down to VMaxDepth, and its writer
    // never puts a point at the surface: the cap is the depth that can round away.
    if (carving)
        checkPositive(problems, "VMaxDepth", p.Engrave.VMaxDepth, decimals, "Decimal",
                      "the tool would not cut into the work");
    else
        checkPositive(problems, "Depth", p.Depth, decimals, "Decimal",
                      "the tool would not cut into the work");
    checkPositive(problems, "RoughFeed", p.RoughFeed, 1, nullptr,
                  "a controller refuses cutting moves without a feed rate");
    checkPositive(problems, "RoughPlunge", p.RoughPlunge, 1, nullptr,
                  "a controller refuses plunges without a feed rate");
    checkPositive(problems, "RapidHeight", p.RapidHeight, decimals, "Decimal",
                  "rapid moves would run at or below the work surface");
    const std::int64_t highest = std::max(n.First, n.Last);
    if (n.Count > 0 && highest > MaxControllerLineNumber)
        problems.push_back(std::string("Line numbers would reach ")
                               .append(std::to_string(highest))
                               .append(" (Start ")
                               .append(std::to_string(p.Start))
                               .append(", Increment ")
                               .append(std::to_string(p.Increment))
                               .append(", ")
                               .append(std::to_string(n.Count))
                               .append(" lines): common controllers accept at most ")
                               .append(std::to_string(MaxControllerLineNumber)));
}

const char* const NoToolpaths = "There are no toolpaths: the file would cut nothing";

bool savesCarvePaths(const TGlobals& state) {
    return !state.CarvePaths.empty() ||
           (state.Params.Engrave.Mode == TEngraveMode::VCarve && !hasToolpaths(state.Toolpaths));
}

} // namespace

std::vector<std::string> CheckBeforeSave(const TGlobals& state, TSaveFormat format) {
    std::vector<std::string> problems;
    const bool carving = savesCarvePaths(state);
    if (format == TSaveFormat::GCode)
        gcodeProblems(problems, state.Params, GCodeLineNumbers(state.Toolpaths, state.Params),
                      carving);
    if (carving && state.CarvePaths.empty())
        problems.push_back("There are no V-carve paths: the file would cut nothing");
    else if (!carving && !hasToolpaths(state.Toolpaths))
        problems.push_back(NoToolpaths);
    return problems;
}

std::vector<std::string> CheckBeforeSave(const TMachiningParameters& params,
                                         const TGCodeLineNumbers& lineNumbers, bool cuts) {
    std::vector<std::string> problems;
    gcodeProblems(problems, params, lineNumbers, false);
    if (!cuts)
        problems.push_back(NoToolpaths);
    return problems;
}

void StopToolpathBuild(TGlobals& state) {
    state.RunFlag = 0;
}

TSaveResult SaveToolpaths(TGlobals& state, const std::filesystem::path& file, TSaveFormat format,
                          bool force) {
    StopToolpathBuild(state);
    const bool carving = !state.CarvePaths.empty();
    if (carving &&
        (format == TSaveFormat::SVG ||
         (format == TSaveFormat::GCode && state.Params.Machine.Dialect == TDialect::Classic)))
        throw ECarveNeedsZMoves();
    TSaveResult result{false, CheckBeforeSave(state, format)};
    if (!result.Problems.empty() && !force)
        return result;
    if (carving) {
        if (format == TSaveFormat::GCode) {
            WriteCarveGCode(state.CarvePaths, file, state.Params);
        } else {
            DXF_Object drawing(state.CarvePaths, "Dxf");
            drawing.SaveToFile(file.string());
        }
        result.Saved = true;
        return result;
    }
    switch (format) {
    case TSaveFormat::GCode:
        WriteGCode(state.Toolpaths, file, state.Params);
        break;
    case TSaveFormat::DXF: {
        const double arcs = state.Params.Machine.ArcTolerance;
        // The drawing lives for this one save.
        DXF_Object drawing(arcs > 0 ? FitToolpathArcs(state.Toolpaths, arcs) : state.Toolpaths,
                           "Dxf");
        drawing.SaveToFile(file.string());
        break;
    }
    case TSaveFormat::SVG:
        WriteSVG(state.Toolpaths, file, state.Params);
        break;
    }
    result.Saved = true;
    return result;
}

const char* DefaultExtension(TSaveFormat format) {
    switch (format) {
    case TSaveFormat::DXF:
        return "Dxf";
    case TSaveFormat::SVG:
        return "svg";
    case TSaveFormat::GCode:
        break;
    }
    return "Dnc";
}

TSaveFormat FormatOfFile(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".dxf")
        return TSaveFormat::DXF;
    if (ext == ".svg")
        return TSaveFormat::SVG;
    return TSaveFormat::GCode;
}

std::string SuggestedFileName(std::string_view text, TSaveFormat format) {
    const auto kept = [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-';
    };
    std::string name;
    bool gap = false;
    for (const unsigned char c : text) {
        // Nothing starts with '-': such a name reads as an option.
        if (!kept(c) || (c == '-' && name.empty())) {
            gap = true;
            continue;
        }
        if (gap && !name.empty())
            name += '_';
        gap = false;
        name += static_cast<char>(c);
        if (name.size() >= MaxSuggestedNameLength)
            break;
    }
    name.resize(std::min(name.size(), MaxSuggestedNameLength));
    while (!name.empty() && (name.back() == '_' || name.back() == '-'))
        name.pop_back();
    if (name.empty())
        name = "Orlenta";
    return name + "." + DefaultExtension(format);
}

} // namespace orlenta
