// Setting up jobs from keys and values, reading batch files and naming their outputs;
// see CliJob.h.
#include "cli/CliJob.h"

#include "app/command/FieldNumbers.h"
#include "app/core/ParameterFile.h"
#include "app/core/ParameterRules.h"
#include "gcode/GCodeWriter.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/Errors.h"
#include "kernel/MachineSettings.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <ostream>
#include <sstream>

namespace orlenta {

namespace {

ECliError usageError(const std::string& message) {
    return ECliError(message, ECliError::UsageFailed);
}

std::string lowerCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return s;
}

std::string trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

bool readFlag(const std::string& value) {
    const std::string v = lowerCase(trimmed(value));
    if (v == "yes" || v == "true" || v == "on" || v == "1")
        return true;
    if (v == "no" || v == "false" || v == "off" || v == "0")
        return false;
    throw usageError("'" + value + "' is not yes or no");
}

TAlignment readAlignment(const std::string& value) {
    const std::string v = lowerCase(trimmed(value));
    if (v == "left" || v == "0")
        return TAlignment::Left;
    if (v == "cent" || v == "centre" || v == "center" || v == "1")
        return TAlignment::Cent;
    if (v == "right" || v == "2")
        return TAlignment::Right;
    throw usageError("'" + value + "' is not left, cent or right");
}

TSaveFormat readFormat(const std::string& value) {
    const std::string v = lowerCase(trimmed(value));
    if (v == "gcode" || v == "dnc")
        return TSaveFormat::GCode;
    if (v == "dxf")
        return TSaveFormat::DXF;
    if (v == "svg")
        return TSaveFormat::SVG;
    throw usageError("'" + value + "' is not gcode, dxf or svg");
}

// A machining parameter, checked by the rules that hold for every source of parameters.
double readParameter(const std::string& text, TParameterField field) {
    const double v = ReadNumber(text);
    if (!InParameterRange(field, v))
        throw usageError("'" + text + "' is out of range (" + ParameterRangeText(field) + ")");
    return v;
}

// A V-carve setting; its own limits are checked where the carving starts.
double readNonNegative(const std::string& text) {
    const double v = ReadNumber(text);
    if (v < 0)
        throw usageError("'" + text + "' is negative");
    return v;
}

// A machine setting: the file's limits (MachineSettings.h) hold for the option too.
double readSetting(const std::string& text, double max) {
    const double v = ReadNumber(text);
    if (!(v >= 0 && v <= max))
        throw usageError("'" + text + "' is out of range (0 to " + FloatToGeneralText(max) + ")");
    return v;
}

std::int32_t readInteger(const std::string& text, TParameterField field) {
    const std::string t = trimmed(text);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        throw usageError("'" + text + "' is not a whole number");
    if (v > std::numeric_limits<std::int32_t>::max() ||
        !InParameterRange(field, static_cast<double>(v)))
        throw usageError("'" + text + "' is out of range (" + ParameterRangeText(field) + ")");
    return static_cast<std::int32_t>(v);
}

constexpr std::int32_t MaxInt32 = std::numeric_limits<std::int32_t>::max();

// A shell argument or a batch line cannot easily hold a line break: the two characters
// \n stand for one.
std::string withLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The whole file as the text, without the line break that ends its last line.
std::string readTextFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw usageError(name + ": " + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

// Sets one key. Returns false for a key that is not known.
bool setKey(TCliJob& job, const std::string& key, const std::string& value) {
    TCreateNumbers& n = job.Numbers;
    if (key == "text") {
        n.Text = withLineBreaks(value);
        job.TextGiven = true;
    } else if (key == "text-file") {
        n.Text = readTextFile(value);
        job.TextGiven = true;
    } else if (key == "char-spacing") {
        job.Style.Spacing.Char = ReadNumber(value);
    } else if (key == "word-spacing") {
        job.Style.Spacing.Word = ReadNumber(value);
    } else if (key == "line-spacing") {
        job.Style.LineSpacing = ReadNumber(value);
    } else if (key == "mirror") {
        job.Style.Mirror = readFlag(value);
    } else if (key == "arc-bottom") {
        job.Style.ArcReading = readFlag(value) ? TArcReading::Bottom : TArcReading::Top;
    } else if (key == "rotation") {
        job.Style.Rotation = ReadNumber(value);
    } else if (key == "shape") {
        job.Style.Shape = readFlag(value);
    } else if (key == "font") {
        const std::string name = trimmed(value);
        if (name.empty())
            throw usageError("the font name is empty");
        job.Font.Name = name;
    } else if (key == "bold") {
        job.Font.Bold = readFlag(value);
    } else if (key == "italic") {
        job.Font.Italic = readFlag(value);
    } else if (key == "arc") {
        n.Arc = readFlag(value);
    } else if (key == "align") {
        n.Alignment = readAlignment(value);
    } else if (key == "x") {
        n.OriginX = ReadNumber(value);
    } else if (key == "y") {
        n.OriginY = ReadNumber(value);
    } else if (key == "width") {
        n.Width = ReadNumber(value);
    } else if (key == "height") {
        n.Height = ReadNumber(value);
    } else if (key == "angle") {
        n.Angle = ReadNumber(value);
    } else if (key == "radius") {
        n.Radius = ReadNumber(value);
    } else if (key == "depth") {
        job.Params.Depth = readParameter(value, TParameterField::Depth);
    } else if (key == "rapid-height") {
        job.Params.RapidHeight = readParameter(value, TParameterField::RapidHeight);
    } else if (key == "feed") {
        job.Params.RoughFeed = readParameter(value, TParameterField::RoughFeed);
    } else if (key == "plunge") {
        job.Params.RoughPlunge = readParameter(value, TParameterField::RoughPlunge);
    } else if (key == "precision") {
        job.Params.Precision = readInteger(value, TParameterField::Precision);
    } else if (key == "decimals") {
        job.Params.Decimal = readInteger(value, TParameterField::Decimal);
    } else if (key == "start") {
        job.Params.Start = readInteger(value, TParameterField::Start);
    } else if (key == "increment") {
        job.Params.Increment = readInteger(value, TParameterField::Increment);
    } else if (key == "units") {
        const auto u = ParseUnits(trimmed(value));
        if (!u)
            throw usageError("'" + value + "' is not mm or inch");
        job.Params.Units = *u;
    } else if (key == "dialect") {
        const auto d = ParseDialect(trimmed(value));
        if (!d)
            throw usageError("'" + value + "' is not classic, grbl or linuxcnc");
        job.Params.Dialect = *d;
    } else if (key == "spindle") {
        job.Params.Spindle = readSetting(value, MaxSpindle);
    } else if (key == "spindle-dwell") {
        job.Params.SpindleDwell = readSetting(value, MaxSpindleDwell);
    } else if (key == "arcs") {
        job.Params.ArcTolerance = readSetting(value, MaxArcTolerance);
    } else if (key == "line-numbers") {
        job.Params.LineNumbers = readFlag(value);
    } else if (key == "vcarve") {
        job.Params.EngraveMode = readFlag(value) ? TEngraveMode::VCarve : TEngraveMode::Outline;
    } else if (key == "vbit-angle") {
        job.Params.VBitAngle = readNonNegative(value);
    } else if (key == "vmax-depth") {
        job.Params.VMaxDepth = readNonNegative(value);
    } else if (key == "vaccuracy") {
        job.Params.VAccuracy = readNonNegative(value);
    } else if (key == "output") {
        if (value.empty())
            throw usageError("the output file name is empty");
        job.Output = value;
    } else if (key == "outline-units") {
        job.OutlineUnits = readFlag(value);
    } else if (key == "format") {
        job.Format = readFormat(value);
    } else if (key == "force") {
        job.Force = readFlag(value);
    } else {
        return false;
    }
    return true;
}

} // namespace

namespace {

// Sets to what an option gave, when it gave anything.
template <class T, class U> void take(T& to, const std::optional<U>& from) {
    if (from)
        to = *from;
}

} // namespace

void ApplyOverrides(const TParameterOverrides& o, TMachiningParameters& params) {
    take(params.Depth, o.Depth);
    take(params.RapidHeight, o.RapidHeight);
    take(params.RoughFeed, o.RoughFeed);
    take(params.RoughPlunge, o.RoughPlunge);
    take(params.Precision, o.Precision);
    take(params.Decimal, o.Decimal);
    take(params.Start, o.Start);
    take(params.Increment, o.Increment);
    TMachineSettings& m = params.Machine;
    take(m.Units, o.Units);
    take(m.Dialect, o.Dialect);
    take(m.Spindle, o.Spindle);
    take(m.SpindleDwell, o.SpindleDwell);
    take(m.ArcTolerance, o.ArcTolerance);
    take(m.LineNumbers, o.LineNumbers);
    TEngraveSettings& e = params.Engrave;
    take(e.Mode, o.EngraveMode);
    take(e.VBitAngle, o.VBitAngle);
    take(e.VMaxDepth, o.VMaxDepth);
    take(e.VAccuracy, o.VAccuracy);
    StepDownFollowsDepth(params);
}

const std::vector<TJobKey>& JobKeys() {
    static const char* const Text = "Text and font";
    static const char* const Place = "Placement (numbers always with a full stop)";
    static const char* const Machine = "Machining parameters (replace those of the file)";
    static const std::vector<TJobKey> keys = {
        {"text", "TEXT", "the text to engrave (or give it as the first argument)", Text},
        {"font", "FACE",
         "font face name, a system or a stroke font (--list-fonts); default Stick40, "
         "taken as the stroke font Hershey Roman Simplex",
         Text},
        {"text-file", "FILE", "read the text from FILE (UTF-8, one or more lines)", Text},
        {"bold", nullptr, "bold face", Text},
        {"italic", nullptr, "italic face", Text},
        {"arc", nullptr, "lay the text along an arc instead of a straight line", Place},
        {"x", "NUM", "origin X (linear) or centre X (arc); default 0", Place},
        {"y", "NUM", "origin Y (linear) or centre Y (arc); default 0", Place},
        {"width", "NUM", "text width (linear only): sizes the text by its width", Place},
        {"height", "NUM", "text height; default 1", Place},
        {"angle", "DEG", "start angle of an arc in degrees (0 at the top, clockwise)", Place},
        {"radius", "NUM", "radius of the arc", Place},
        {"align", "left|cent|right", "alignment against the origin or start angle; default left",
         Place},
        {"char-spacing", "NUM",
         "room added after every character, fraction of the height; "
         "default 0",
         Place},
        {"word-spacing", "NUM",
         "room added after every space on top, fraction of the height; "
         "default 0",
         Place},
        {"line-spacing", "NUM",
         "distance between baselines of lines (\\n in the text), "
         "multiple of the height; default 1.5",
         Place},
        {"mirror", nullptr, "flip the text in X about x = 0, to engrave from the back", Place},
        {"arc-bottom", nullptr,
         "arc text upright below the centre, reading left to right; --angle then counts "
         "counter-clockwise from the bottom",
         Place},
        {"rotation", "DEG",
         "linear text: turn it counter-clockwise about its origin by DEG degrees; default 0",
         Place},
        {"shape", nullptr,
         "shape outline text with the font's own rules: kerning, ligatures, accents, "
         "right-to-left scripts (stroke fonts are laid out as without)",
         Place},
        {"depth", "NUM", "engraving depth", Machine},
        {"rapid-height", "NUM", "clearance height of rapid moves", Machine},
        {"feed", "NUM", "cutting feed rate", Machine},
        {"plunge", "NUM", "plunge feed rate", Machine},
        {"precision", "1..100", "strokes per curve piece of the outlines", Machine},
        {"decimals", "0..20", "digits after the decimal point of G-code coordinates", Machine},
        {"start", "INT", "first G-code line number", Machine},
        {"increment", "INT", "step between G-code line numbers", Machine},
        {"units", "mm|inch", "units of every number (G21/G20); nothing is converted", Machine},
        {"dialect", "classic|grbl|linuxcnc",
         "G-code for this controller; classic: the numbered .Dnc program", Machine},
        {"spindle", "RPM", "spindle speed of grbl/linuxcnc programs", Machine},
        {"spindle-dwell", "SEC", "spin-up wait before the first plunge; 0: none", Machine},
        {"arcs", "TOL", "fit G2/G3 (DXF ARC) arcs within TOL of the outline; 0: lines", Machine},
        {"line-numbers", nullptr, "N words in grbl/linuxcnc programs", Machine},
        {"vcarve", nullptr, "V-carve the letters along their centre lines (grbl, linuxcnc, DXF)",
         Machine},
        {"vbit-angle", "DEG", "included angle of the V-bit", Machine},
        {"vmax-depth", "NUM", "V-carving never cuts deeper than this", Machine},
        {"vaccuracy", "NUM", "how far V-carve depths and cuts may stray", Machine},
        {"outline-units", nullptr,
         "accept a height and width of 0 or less: the text keeps the font's own units", Place},
        {"format", "gcode|dxf|svg",
         "output format; default by the extension (.Dnc/.nc/.ngc, .Dxf, .svg)", "Output"},
        {"force", nullptr, "save even when the check before saving finds problems (see below)",
         "Output"},
    };
    return keys;
}

void ApplySettings(TCliJob& job, const std::vector<std::pair<std::string, std::string>>& settings,
                   const std::string& where) {
    bool width = false;
    bool height = false;
    for (const auto& [key, value] : settings) {
        bool known = false;
        try {
            known = setKey(job, key, value);
        } catch (const std::exception& e) {
            throw usageError(where + key + ": " + e.what());
        }
        if (!known)
            throw usageError(where + "unknown key '" + key + "'");
        width = width || key == "width";
        height = height || key == "height";
    }
    if (width && !height)
        job.Numbers.Height = 0;
    if (height && !width)
        job.Numbers.Width = 0;
}

void CheckTextSize(const TCliJob& job, const std::string& where) {
    const TCreateNumbers& n = job.Numbers;
    if (n.Arc || job.OutlineUnits)
        return;
    if (n.Height < 0 || n.Width < 0 || (n.Height == 0 && n.Width == 0))
        throw usageError(where + "the text size is 0 or less (height " +
                         FloatToGeneralText(n.Height) + ", width " + FloatToGeneralText(n.Width) +
                         "): give a positive --height or --width, or --outline-units to keep "
                         "the font's own units");
}

double ReadNumber(const std::string& text) {
    return StrToFloat(text, '.');
}

std::vector<TBatchLine> ParseBatch(std::string_view content, const std::string& name) {
    constexpr std::string_view Bom = "\xEF\xBB\xBF";
    if (content.substr(0, Bom.size()) == Bom)
        content.remove_prefix(Bom.size());

    std::vector<TBatchLine> lines;
    int number = 0;
    while (!content.empty()) {
        const std::size_t eol = content.find('\n');
        std::string_view line = content.substr(0, eol);
        content.remove_prefix(eol == std::string_view::npos ? content.size() : eol + 1);
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            throw usageError(name + ":" + std::to_string(number) + ": not a text line");
        if (trimmed(line).empty())
            continue;

        TBatchLine job;
        job.LineNumber = number;
        std::size_t tab = line.find('\t');
        job.Text = std::string(line.substr(0, tab));
        while (tab != std::string_view::npos) {
            line.remove_prefix(tab + 1);
            tab = line.find('\t');
            const std::string field = trimmed(line.substr(0, tab));
            if (field.empty())
                continue; // doubled or trailing tabs, as spreadsheets write them
            const std::size_t eq = field.find('=');
            if (eq == std::string::npos)
                throw usageError(name + ":" + std::to_string(number) + ": '" + field +
                                 "' is not key=value");
            job.Settings.emplace_back(trimmed(field.substr(0, eq)), field.substr(eq + 1));
        }
        lines.push_back(std::move(job));
    }
    return lines;
}

std::string ExpandOutputPattern(const std::string& pattern, int lineNumber,
                                const std::string& text) {
    constexpr std::size_t MaxTextChars = 64; // keeps names well below the 255-byte limit
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if ((c == '{' || c == '}') && i + 1 < pattern.size() && pattern[i + 1] == c) {
            out += c;
            ++i;
            continue;
        }
        if (c != '{') {
            out += c;
            continue;
        }
        const std::size_t close = pattern.find('}', i);
        const std::string field =
            pattern.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        if (close == std::string::npos)
            throw usageError("output pattern: '{" + field + "' is not closed");
        i = close;
        if (field == "n") {
            out += std::to_string(lineNumber);
        } else if (field.starts_with("n:") && field.size() == 3 && field[2] >= '1' &&
                   field[2] <= '9') {
            std::string digits = std::to_string(lineNumber);
            const std::size_t width = static_cast<std::size_t>(field[2] - '0');
            if (digits.size() < width)
                digits.insert(0, width - digits.size(), '0');
            out += digits;
        } else if (field == "text") {
            std::string safe;
            for (const char t : text) {
                if (safe.size() == MaxTextChars)
                    break;
                const bool keep = (t >= 'a' && t <= 'z') || (t >= 'A' && t <= 'Z') ||
                                  (t >= '0' && t <= '9') || t == '-' || t == '_';
                safe += keep ? t : '_';
            }
            out += safe;
        } else {
            throw usageError("output pattern: unknown placeholder '{" + field +
                             "}' (use {n}, {n:3} or {text})");
        }
    }
    return out;
}

TSaveFormat ResolveFormat(std::optional<TSaveFormat> format, const std::string& fileName) {
    if (format)
        return *format;
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t slash = fileName.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        const std::string ext = lowerCase(fileName.substr(dot + 1));
        if (ext == "dnc" || ext == "nc" || ext == "ngc")
            return TSaveFormat::GCode;
        if (ext == "dxf")
            return TSaveFormat::DXF;
        if (ext == "svg")
            return TSaveFormat::SVG;
    }
    throw usageError("'" + fileName +
                     "': the name ends neither in .Dnc, .nc, .ngc, .Dxf nor .svg; give --format "
                     "gcode, dxf or svg");
}

void ReportError(std::ostream& err, const ECliError& e) {
    const auto line = [&err](std::string text) {
        for (char& c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        err << "orlenta-cli: " << text << '\n';
    };
    for (const std::string& d : e.Details)
        line(d);
    line(e.what());
    err.flush();
}

} // namespace orlenta
