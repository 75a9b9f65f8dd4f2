// Feeds arbitrary bytes to the parameter file's reader and writer as a file's content and
// checks the round trip: a text the writer accepts is one the reader reads completely,
// the saved text reads back as the values written, saving it again changes nothing, and
// every other section, key, value and comment of the input survives.
#include "app/core/IniText.h"
#include "app/core/ParameterFile.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <strings.h>
#include <vector>

using namespace orlenta;

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "round trip broken: %s\n", what);
    std::abort();
}

bool IsOwnKey(const char* section, const char* key) {
    static const char* const Own[] = {
        "Depth",     "RapidHeight", "RoughFeed", "RoughPlunge", "Precision",   "Decimal",
        "Start",     "Increment",   "Units",     "Dialect",     "Spindle",     "SpindleDwell",
        "RapidRate", "LineNumbers", "Header",    "Footer",      "ArcTolerance"};
    if (strcasecmp(section, ParametersSection) != 0)
        return false;
    return std::any_of(std::begin(Own), std::end(Own),
                       [key](const char* own) { return strcasecmp(own, key) == 0; });
}

// Every section, key and value (in order per key) that is not one of the eight keys.
std::map<std::string, std::vector<std::string>> OtherEntries(std::string_view text) {
    CSimpleIniA ini;
    ini.SetMultiKey(true);
    if (ini.LoadData(text.data(), text.size()) < 0)
        Fail("load");
    std::map<std::string, std::vector<std::string>> entries;
    entries["[parameters]"]; // the writer adds it where it is missing
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto& section : sections) {
        std::string name = section.pItem;
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        entries["[" + name + "]"];
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys) {
            if (IsOwnKey(section.pItem, key.pItem))
                continue;
            CSimpleIniA::TNamesDepend values;
            ini.GetAllValues(section.pItem, key.pItem, values);
            values.sort(CSimpleIniA::Entry::LoadOrder());
            std::string k = key.pItem;
            for (char& c : k)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            auto& list = entries["[" + name + "]" + k];
            for (const auto& v : values)
                list.emplace_back(v.pItem);
        }
    }
    return entries;
}

std::map<std::string, int> Comments(std::string_view text) {
    std::map<std::string, int> comments;
    for (std::string_view line : IniLines(text)) {
        if (!IsIniComment(line))
            continue;
        while (line.front() == ' ' || line.front() == '\t')
            line.remove_prefix(1);
        while (line.back() == ' ' || line.back() == '\t')
            line.remove_suffix(1);
        ++comments[std::string(line)];
    }
    return comments;
}

// Values to write, picked by the input's first bytes: ordinary, negative, tiny, huge; the
// machine settings within their limits (the only values the program ever holds), the
// defaults among them so that a setting is sometimes left out of the file.
TMachiningParameters ValuesFor(const std::uint8_t* data, std::size_t size) {
    static const double Reals[] = {0.3, 0, -5, 1e-5, 123456.789, 1e300, -0.125, 2.5};
    static const std::int32_t Ints[] = {8, 0, -7, 2147483647, -2147483647 - 1, 100, 5, 20};
    const auto pick = [&](std::size_t i) { return i < size ? data[i] % 8 : i % 8; };
    TMachiningParameters p;
    p.Depth = Reals[pick(0)];
    p.StepDown = p.Depth;
    p.RapidHeight = Reals[pick(1)];
    p.RoughFeed = Reals[pick(2)];
    p.RoughPlunge = Reals[pick(3)];
    p.Precision = Ints[pick(4)];
    p.Decimal = Ints[pick(5)];
    p.Start = Ints[pick(6)];
    p.Increment = Ints[pick(7)];
    static const double Spindles[] = {10000, 0, 24000, 1e6, 0.5, 12345.678, 1, 999999};
    static const double Rates[] = {1000, 1e7, 1e-5, 250.5, 3, 1000, 42, 7e6};
    static const double Small[] = {0, 10, 0.001, 2.5, 0, 3600, 1e-6, 0.125};
    static const char* const Lines[] = {"",
                                        "(S{spindle})\\n(by Orlenta)",
                                        "%",
                                        "G0 Z5 ; lift",
                                        "",
                                        "M5\\nM30",
                                        "(\"quoted\")",
                                        "#<x> = 1"};
    const auto machine = [&](std::size_t i) { return pick(8 + i); };
    TMachineSettings& m = p.Machine;
    m.Units = machine(0) % 2 ? TUnits::Inch : TUnits::Millimetre;
    m.Dialect = machine(1) < 4   ? TDialect::Classic
                : machine(1) < 6 ? TDialect::Grbl
                                 : TDialect::LinuxCnc;
    m.Spindle = Spindles[machine(2)];
    m.SpindleDwell = std::min(Small[machine(3)], MaxSpindleDwell);
    m.RapidRate = Rates[machine(4)];
    m.LineNumbers = machine(5) % 3 == 1;
    m.Header = Lines[machine(6)];
    m.Footer = Lines[machine(7)];
    m.ArcTolerance = std::min(Small[machine(8)], MaxArcTolerance);
    return p;
}

bool SameValues(const TMachiningParameters& a, const TMachiningParameters& b) {
    return a.Depth == b.Depth && a.StepDown == b.StepDown && a.RapidHeight == b.RapidHeight &&
           a.RoughFeed == b.RoughFeed && a.RoughPlunge == b.RoughPlunge &&
           a.Precision == b.Precision && a.Decimal == b.Decimal && a.Start == b.Start &&
           a.Increment == b.Increment && a.Machine.Units == b.Machine.Units &&
           a.Machine.Dialect == b.Machine.Dialect && a.Machine.Spindle == b.Machine.Spindle &&
           a.Machine.SpindleDwell == b.Machine.SpindleDwell &&
           a.Machine.RapidRate == b.Machine.RapidRate &&
           a.Machine.LineNumbers == b.Machine.LineNumbers && a.Machine.Header == b.Machine.Header &&
           a.Machine.Footer == b.Machine.Footer && a.Machine.ArcTolerance == b.Machine.ArcTolerance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so any read past it is caught.
    const std::string text(reinterpret_cast<const char*>(data), size);
    TMachiningParameters loaded;
    bool readable = true;
    try {
        ReadParametersText(text, loaded);
    } catch (const EParameterTextError&) {
        readable = false;
    } catch (const EParameterValueError&) {
        // The text is read; a machine setting in it is refused. The writer replaces it.
    }
    const TMachiningParameters written = ValuesFor(data, size);
    std::string saved;
    try {
        saved = MergeParametersText(text, written);
    } catch (const EParameterTextError&) {
        if (readable)
            Fail("a text the reader reads is refused by the writer");
        return 0;
    }
    if (!IniTextProblem(saved).empty())
        Fail("the saved text is not fully readable");
    TMachiningParameters back;
    try {
        ReadParametersText(saved, back);
    } catch (const EParameterTextError&) {
        Fail("the saved text is refused");
    } catch (const EParameterValueError&) {
        Fail("a machine setting of the saved text is refused");
    }
    if (!SameValues(back, written))
        Fail("the saved values read back differently");
    if (MergeParametersText(saved, written) != saved)
        Fail("saving again changes the text");
    if (OtherEntries(text) != OtherEntries(saved))
        Fail("another section, key or value was lost or changed");
    const auto before = Comments(text);
    const auto after = Comments(saved);
    for (const auto& [line, count] : before) {
        const auto it = after.find(line);
        if (it == after.end() || it->second < count)
            Fail("a comment was lost");
    }
    return 0;
}
