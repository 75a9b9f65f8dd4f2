// The parameter file and the dialog's conversions; see ParameterFile.h.
#include "app/core/ParameterFile.h"

#include "app/core/IniText.h"
#include "app/core/ParameterRules.h"
#include "kernel/MachineSettings.h"
#include "kernel/SafeFile.h"

// Bytes in, bytes out: no UTF conversion library. Debian's SimpleIni.h keeps its template
// bodies behind SI_IMPLEMENTATION; instantiating them here spares linking its ICU build.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <new>
#include <system_error>
#include <utility>

namespace orlenta {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Reads the whole file; nothing when it cannot be read or is too large to be ours.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& file, std::string& why) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec) {
        why = ec.message();
        return std::nullopt;
    }
    if (size > MaxParametersFileSize) {
        why = "File too large";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = std::generic_category().message(errno);
        return std::nullopt;
    }
    std::string data(static_cast<std::size_t>(size), '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.bad()) {
        why = "Read error";
        return std::nullopt;
    }
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

// The number in a value as people write it: "0.3", "0.3 ; note", "\"0.3\"". A ";" or "#"
// after a blank starts a comment; one pair of matching quotes around the number is dropped.
std::string_view ValueText(std::string_view value) {
    for (std::size_t i = 0; i < value.size(); ++i)
        if ((value[i] == ';' || value[i] == '#') &&
            (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
            value = value.substr(0, i);
            break;
        }
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = Trim(value.substr(1, value.size() - 2));
    return value;
}

// A key that is missing or empty gives its fallback; a value that is not a number is
// refused, never replaced by the fallback.
template <class T, class Parse>
T KeyValue(const CSimpleIniA& ini, const char* key, T fallback, Parse parse, const char* kind) {
    const char* v = ini.GetValue(ParametersSection, key, nullptr);
    if (!v)
        return fallback;
    const std::string_view text = ValueText(v);
    if (text.empty())
        return fallback;
    if (const auto parsed = parse(text))
        return *parsed;
    throw EParameterTextError(std::string(key) + ": '" + ShownInMessage(Trim(v)) + "' is not " +
                              kind);
}

double FloatKey(const CSimpleIniA& ini, const char* key, double fallback) {
    return KeyValue(ini, key, fallback, ParseIniFloat, "a number");
}

std::int32_t IntKey(const CSimpleIniA& ini, const char* key, std::int32_t fallback) {
    return KeyValue(ini, key, fallback, ParseIniInt, "a whole number");
}

std::string IntText(std::int32_t v) {
    return std::to_string(v);
}

// SimpleIni ties each comment to the section or key after it, so comments after the last
// key of the file are dropped on saving. Every comment line of the original that the saved
// text lacks is appended at its end, in the original order. Lines are split as the reader
// splits them, so a lone CR ends a line here too.
void RestoreLostComments(std::string_view original, std::string& saved) {
    std::map<std::string, int, std::less<>> present;
    for (const std::string_view line : IniLines(saved))
        if (IsIniComment(line))
            ++present[std::string(Trim(line))];
    std::string lost;
    for (std::string_view line : IniLines(original)) {
        if (!IsIniComment(line))
            continue;
        line = Trim(line);
        const auto it = present.find(line);
        if (it != present.end() && it->second > 0)
            --it->second;
        else
            lost.append(line).push_back('\n');
    }
    if (!lost.empty())
        saved.append("\n").append(lost);
}

// Loads text that IniTextProblem passed. SimpleIni reports only a lack of memory.
void LoadIni(CSimpleIniA& ini, std::string_view text) {
    if (ini.LoadData(text.data(), text.size()) < 0)
        throw std::bad_alloc();
}

// A machine setting that is not valid: "<key> must be <must>, not \"<value>\"".
[[noreturn]] void RefuseSetting(const char* key, const std::string& must, const char* value) {
    throw EParameterValueError(std::string(key) + " must be " + must + ", not \"" +
                               ShownInMessage(Trim(value)) + "\"");
}

// The machine settings of the text; a key that is missing keeps its default, one that is
// present must hold a valid value. Comments and quotes around a value are dropped as for
// the eight keys, except in Header and Footer, which are G-code lines as they stand.
TMachineSettings LoadMachineSettings(const CSimpleIniA& ini) {
    TMachineSettings m;
    auto text = [&](const char* key) { return ini.GetValue(ParametersSection, key, nullptr); };
    auto number = [&](const char* key, double& into) {
        if (const char* v = text(key)) {
            const auto parsed = ParseIniFloat(ValueText(v));
            if (!parsed)
                RefuseSetting(key, "a number", v);
            into = *parsed;
        }
    };
    if (const char* v = text("Units")) {
        const auto u = ParseUnits(ValueText(v));
        if (!u)
            RefuseSetting("Units", "mm or inch", v);
        m.Units = *u;
    }
    if (const char* v = text("Dialect")) {
        const auto d = ParseDialect(ValueText(v));
        if (!d)
            RefuseSetting("Dialect", "classic, grbl or linuxcnc", v);
        m.Dialect = *d;
    }
    number("Spindle", m.Spindle);
    number("SpindleDwell", m.SpindleDwell);
    number("RapidRate", m.RapidRate);
    number("ArcTolerance", m.ArcTolerance);
    if (const char* v = text("LineNumbers")) {
        const auto n = ParseIniInt(ValueText(v));
        if (!n || (*n != 0 && *n != 1))
            RefuseSetting("LineNumbers", "0 or 1", v);
        m.LineNumbers = *n == 1;
    }
    if (const char* v = text("Header"))
        m.Header = v;
    if (const char* v = text("Footer"))
        m.Footer = v;
    CheckMachineSettings(m);
    return m;
}

// The V-carve settings of the file, read the same way; their ranges are checked when a
// V-carve Create uses them.
TEngraveSettings LoadEngraveSettings(const CSimpleIniA& ini) {
    TEngraveSettings e;
    auto text = [&](const char* key) { return ini.GetValue(ParametersSection, key, nullptr); };
    auto number = [&](const char* key, double& into) {
        if (const char* v = text(key)) {
            const auto parsed = ParseIniFloat(v);
            if (!parsed)
                throw EParameterValueError(std::string(key) + " must be a number, not \"" + v +
                                           "\"");
            into = *parsed;
        }
    };
    if (const char* v = text("EngraveMode")) {
        const auto m = ParseEngraveMode(Trim(v));
        if (!m)
            throw EParameterValueError(
                std::string("EngraveMode must be outline or vcarve, not \"") + v + "\"");
        e.Mode = *m;
    }
    number("VBitAngle", e.VBitAngle);
    number("VMaxDepth", e.VMaxDepth);
    number("VAccuracy", e.VAccuracy);
    return e;
}

} // namespace

EIniWriteError::EIniWriteError(const std::filesystem::path& file, std::string reason)
    : EInOutError("Unable to write to " + file.string()), Reason_(std::move(reason)) {}

EParameterFileError::EParameterFileError(const std::filesystem::path& file, std::string reason)
    : EInOutError(file.string() + ": " + reason), Reason_(std::move(reason)) {}

std::filesystem::path DefaultParametersPath() {
    return ExecutableDirectory() / ParametersFileName;
}

namespace {
TParameterFiles& ParameterFilesOverride() {
    static TParameterFiles files;
    return files;
}
} // namespace

TParameterFiles ParameterFiles() {
    const TParameterFiles& set = ParameterFilesOverride();
    return set.Write.empty() ? FindParameterFiles(CurrentInstallLayout()) : set;
}

std::filesystem::path ParametersPath() {
    return ParameterFiles().Write;
}

void SetParameterFiles(TParameterFiles files) {
    ParameterFilesOverride() = std::move(files);
}

void SetParametersPath(std::filesystem::path file) {
    SetParameterFiles({file, file});
}

void ReadParametersText(std::string_view text, TMachiningParameters& params) {
    if (std::string problem = IniTextProblem(text); !problem.empty())
        throw EParameterTextError(std::move(problem));
    CSimpleIniA ini;
    LoadIni(ini, text);
    if (!ini.GetSection(ParametersSection))
        throw EParameterTextError("no [Parameters] section");
    // Everything is read before anything is stored: a refused file changes nothing.
    TMachiningParameters n = params;
    n.Depth = FloatKey(ini, "Depth", 1);
    StepDownFollowsDepth(n);
    n.RapidHeight = FloatKey(ini, "RapidHeight", 1);
    n.RoughFeed = FloatKey(ini, "RoughFeed", 1);
    n.RoughPlunge = FloatKey(ini, "RoughPlunge", 1);
    n.Precision = IntKey(ini, "Precision", 8);
    n.Decimal = IntKey(ini, "Decimal", 6);
    n.Start = IntKey(ini, "Start", 100);
    n.Increment = IntKey(ini, "Increment", 5);
    // A machine setting that is not valid leaves the eight keys read: the engraving
    // itself can still be made, only a machine-ready program cannot.
    n.Machine = TMachineSettings{};
    n.Engrave = TEngraveSettings{};
    params = n;
    params.Machine = LoadMachineSettings(ini);
    params.Engrave = LoadEngraveSettings(ini);
}

namespace {

// One load and save of the INI writer with the keys set.
std::string MergeOnce(std::string_view original, const TMachiningParameters& params) {
    CSimpleIniA ini;
    ini.SetSpaces(false);  // "Depth=0.5", as profile files are written
    ini.SetMultiKey(true); // a key given twice in another section keeps both values
    LoadIni(ini, original);
    const std::string values[] = {FloatToGeneralText(params.Depth),
                                  FloatToGeneralText(params.RapidHeight),
                                  FloatToGeneralText(params.RoughFeed),
                                  FloatToGeneralText(params.RoughPlunge),
                                  IntText(params.Precision),
                                  IntText(params.Decimal),
                                  IntText(params.Start),
                                  IntText(params.Increment)};
    const char* keys[] = {"Depth",     "RapidHeight", "RoughFeed", "RoughPlunge",
                          "Precision", "Decimal",     "Start",     "Increment"};
    for (std::size_t i = 0; i < std::size(keys); ++i)
        if (ini.SetValue(ParametersSection, keys[i], values[i].c_str(), nullptr, true) < 0)
            throw std::bad_alloc();
    // The machine settings go into the file only once they differ from their defaults (or
    // the file has them already), so a file saved with the defaults is as it always was.
    const TMachineSettings& m = params.Machine;
    const TMachineSettings d;
    const std::pair<const char*, std::string> machine[] = {
        {"Units", std::string(UnitsName(m.Units))},
        {"Dialect", std::string(DialectName(m.Dialect))},
        {"Spindle", FloatToGeneralText(m.Spindle)},
        {"SpindleDwell", FloatToGeneralText(m.SpindleDwell)},
        {"RapidRate", FloatToGeneralText(m.RapidRate)},
        {"LineNumbers", m.LineNumbers ? "1" : "0"},
        {"Header", m.Header},
        {"Footer", m.Footer},
        {"ArcTolerance", FloatToGeneralText(m.ArcTolerance)},
    };
    const bool differs[] = {m.Units != d.Units,
                            m.Dialect != d.Dialect,
                            m.Spindle != d.Spindle,
                            m.SpindleDwell != d.SpindleDwell,
                            m.RapidRate != d.RapidRate,
                            m.LineNumbers != d.LineNumbers,
                            m.Header != d.Header,
                            m.Footer != d.Footer,
                            m.ArcTolerance != d.ArcTolerance};
    for (std::size_t i = 0; i < std::size(machine); ++i) {
        const auto& [key, value] = machine[i];
        if (!differs[i] && !ini.GetValue(ParametersSection, key, nullptr))
            continue;
        if (ini.SetValue(ParametersSection, key, value.c_str(), nullptr, true) < 0)
            throw std::bad_alloc();
    }
    // The V-carve settings the same way.
    const TEngraveSettings& e = params.Engrave;
    const TEngraveSettings ed;
    const std::pair<const char*, std::string> engrave[] = {
        {"EngraveMode", std::string(EngraveModeName(e.Mode))},
        {"VBitAngle", FloatToGeneralText(e.VBitAngle)},
        {"VMaxDepth", FloatToGeneralText(e.VMaxDepth)},
        {"VAccuracy", FloatToGeneralText(e.VAccuracy)},
    };
    const bool engraveDiffers[] = {e.Mode != ed.Mode, e.VBitAngle != ed.VBitAngle,
                                   e.VMaxDepth != ed.VMaxDepth, e.VAccuracy != ed.VAccuracy};
    for (std::size_t i = 0; i < std::size(engrave); ++i) {
        const auto& [key, value] = engrave[i];
        if (!engraveDiffers[i] && !ini.GetValue(ParametersSection, key, nullptr))
            continue;
        if (ini.SetValue(ParametersSection, key, value.c_str(), nullptr, true) < 0)
            throw std::bad_alloc();
    }
    std::string out;
    if (ini.Save(out, original.starts_with("\xEF\xBB\xBF")) < 0)
        throw std::bad_alloc();
    RestoreLostComments(original, out);
    return out;
}

} // namespace

std::string MergeParametersText(std::string_view original, const TMachiningParameters& params) {
    // Whatever else the text holds must survive: a text the reader cannot read completely
    // is not rewritten.
    if (std::string problem = IniTextProblem(original); !problem.empty())
        throw EParameterTextError(std::move(problem));
    // The writer's layout settles in one more round: a comment that it writes at the top
    // of the file is set apart by blank lines when read back. Saving the settled text, so
    // that saving again never changes the file.
    return MergeOnce(MergeOnce(original, params), params);
}

bool LoadParameters(TMachiningParameters& params, const std::filesystem::path& file) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (ec)
        throw EParameterFileError(file, ec.message());
    if (!exists)
        return false;
    std::string why;
    const auto data = ReadSmallFile(file, why);
    if (!data)
        throw EParameterFileError(file, why);
    try {
        ReadParametersText(*data, params);
    } catch (const EParameterTextError& e) {
        throw EParameterFileError(file, e.what());
    } catch (const EParameterValueError& e) {
        throw EParameterValueError(file.string() + ": " + e.what());
    }
    return true;
}

bool LoadParameters(TMachiningParameters& params) {
    return LoadParameters(params, ParameterFiles().Read);
}

namespace {

// MergeParametersText into file on the text of base (file itself, or the file a new one
// starts from; none when it does not exist).
void SaveParametersOver(const TMachiningParameters& params, const std::filesystem::path& file,
                        const std::filesystem::path& base) {
    std::error_code ec;
    std::string original;
    if (std::filesystem::exists(base, ec)) {
        std::string why;
        auto data = ReadSmallFile(base, why);
        if (!data)
            throw EIniWriteError(file, why);
        original = std::move(*data);
    }
    std::string out;
    try {
        out = MergeParametersText(original, params);
    } catch (const EParameterTextError& e) {
        throw EIniWriteError(file, e.what());
    } catch (const std::bad_alloc&) {
        throw EIniWriteError(file, "out of memory");
    }
    try {
        WriteFileSafely(file, out);
    } catch (const EInOutError& e) {
        throw EIniWriteError(file, e.what());
    }
}

} // namespace

void SaveParameters(const TMachiningParameters& params, const std::filesystem::path& file) {
    SaveParametersOver(params, file, file);
}

void SaveParameters(const TMachiningParameters& params) {
    const TParameterFiles files = ParameterFiles();
    std::error_code ec;
    if (std::filesystem::exists(files.Write, ec)) {
        SaveParametersOver(params, files.Write, files.Write);
        return;
    }
    // The user's folder may not exist before the first save.
    if (files.Write.has_parent_path())
        std::filesystem::create_directories(files.Write.parent_path(), ec);
    if (ec)
        throw EIniWriteError(files.Write, ec.message());
    SaveParametersOver(params, files.Write, files.Read);
}

std::string FloatToGeneralText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

std::optional<double> ParseIniFloat(std::string_view text) {
    const std::string_view t = Trim(text);
    // Check the shape first, so that from_chars sees only plain decimal numbers (no
    // "inf", "nan" or hexadecimal forms) and a comma separator can be swapped in place.
    std::string s;
    s.reserve(t.size());
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-')
            s.push_back('-');
        ++i;
    }
    std::size_t digits = 0;
    for (; i < t.size() && IsDigit(t[i]); ++i, ++digits)
        s.push_back(t[i]);
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        s.push_back('.');
        for (++i; i < t.size() && IsDigit(t[i]); ++i, ++digits)
            s.push_back(t[i]);
    }
    if (digits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        s.push_back('e');
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            s.push_back(t[i++]);
        std::size_t expDigits = 0;
        for (; i < t.size() && IsDigit(t[i]); ++i, ++expDigits)
            s.push_back(t[i]);
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int32_t> ParseIniInt(std::string_view text) {
    std::string_view t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty() || t.front() == '+' || t.front() == '-')
        return std::nullopt;
    std::int64_t magnitude = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return std::nullopt;
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::optional<double> DialogTextToFloat(std::string_view text) {
    if (Trim(text).empty())
        return 0.0;
    return ParseIniFloat(text);
}

std::optional<std::int32_t> DialogTextToInt(std::string_view text) {
    std::string_view t = Trim(text);
    if (t.empty())
        return 0;
    if (t.front() == '+') {
        t.remove_prefix(1); // from_chars takes a minus only
        if (!t.empty() && t.front() == '-')
            return std::nullopt;
    }
    if (t.empty() || !IsDigit(t.back()))
        return std::nullopt;
    std::int32_t v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return std::nullopt;
    return v;
}

namespace {

const char* FieldLabel(TParameterField field) {
    switch (field) {
    case TParameterField::Depth:
        return "Depth";
    case TParameterField::RapidHeight:
        return "Rapid Height";
    case TParameterField::RoughFeed:
        return "Feedrate";
    case TParameterField::RoughPlunge:
        return "Plunge Rate";
    case TParameterField::Precision:
        return "Precision";
    case TParameterField::Decimal:
        return "Dec. Places";
    case TParameterField::Start:
        return "Start At";
    case TParameterField::Increment:
        return "Increment";
    }
    return "";
}

bool IsIntegerField(TParameterField field) {
    return field >= TParameterField::Precision;
}

} // namespace

EParameterFieldError::EParameterFieldError(TParameterField field, const std::string& text)
    : OrlentaError(std::string(FieldLabel(field)) + ": '" + text + "' is not a valid " +
                   (IsIntegerField(field) ? "whole number" : "number")),
      Field_(field) {}

EParameterFieldError::EParameterFieldError(TParameterField field, const std::string& text,
                                           const std::string& range)
    : OrlentaError(std::string(FieldLabel(field)) + ": '" + text + "' is out of range (" + range +
                   ")"),
      Field_(field) {}

void ReadDialogFields(const TParameterTexts& f, TMachiningParameters& p) {
    const auto real = [](TParameterField field, const std::string& text) {
        const auto v = DialogTextToFloat(text);
        if (!v)
            throw EParameterFieldError(field, text);
        if (!InParameterRange(field, *v))
            throw EParameterFieldError(field, text, ParameterRangeText(field));
        return *v;
    };
    const auto whole = [](TParameterField field, const std::string& text) {
        const auto v = DialogTextToInt(text);
        if (!v)
            throw EParameterFieldError(field, text);
        if (!InParameterRange(field, *v))
            throw EParameterFieldError(field, text, ParameterRangeText(field));
        return *v;
    };
    // Everything is read before anything is stored: a bad field changes nothing.
    TMachiningParameters n = p;
    n.Depth = real(TParameterField::Depth, f.Depth);
    n.RapidHeight = real(TParameterField::RapidHeight, f.RapidHeight);
    n.RoughFeed = real(TParameterField::RoughFeed, f.RoughFeed);
    n.RoughPlunge = real(TParameterField::RoughPlunge, f.RoughPlunge);
    n.Precision = whole(TParameterField::Precision, f.Precision);
    n.Decimal = whole(TParameterField::Decimal, f.Decimal);
    n.Start = whole(TParameterField::Start, f.Start);
    n.Increment = whole(TParameterField::Increment, f.Increment);
    StepDownFollowsDepth(n);
    p = n;
}

TParameterTexts ParameterTexts(const TMachiningParameters& p) {
    return {FloatToGeneralText(p.Depth),
            FloatToGeneralText(p.RapidHeight),
            FloatToGeneralText(p.RoughFeed),
            FloatToGeneralText(p.RoughPlunge),
            IntText(p.Precision),
            IntText(p.Decimal),
            IntText(p.Start),
            IntText(p.Increment)};
}

} // namespace orlenta
