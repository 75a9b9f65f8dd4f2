// Names and limits of the machine settings; see MachineSettings.h.
#include "kernel/MachineSettings.h"

#include <cctype>

namespace orlenta {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

std::string Number(double v) {
    std::string s = std::to_string(v);
    while (s.size() > 1 && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}

void CheckRange(const char* key, double v, double low, double high, bool lowOpen) {
    const bool ok = (lowOpen ? v > low : v >= low) && v <= high;
    if (!ok)
        throw EParameterValueError(std::string(key) + " must be " + (lowOpen ? "above " : "from ") +
                                   Number(low) + (lowOpen ? " and at most " : " to ") +
                                   Number(high));
}

} // namespace

std::string_view UnitsName(TUnits u) {
    return u == TUnits::Inch ? "inch" : "mm";
}

std::string_view DialectName(TDialect d) {
    switch (d) {
    case TDialect::Grbl:
        return "grbl";
    case TDialect::LinuxCnc:
        return "linuxcnc";
    case TDialect::Classic:
        break;
    }
    return "classic";
}

std::optional<TUnits> ParseUnits(std::string_view s) {
    if (SameName(s, "mm"))
        return TUnits::Millimetre;
    if (SameName(s, "inch") || SameName(s, "in"))
        return TUnits::Inch;
    return std::nullopt;
}

std::optional<TDialect> ParseDialect(std::string_view s) {
    for (TDialect d : {TDialect::Classic, TDialect::Grbl, TDialect::LinuxCnc})
        if (SameName(s, DialectName(d)))
            return d;
    return std::nullopt;
}

void CheckMachineSettings(const TMachineSettings& s) {
    CheckRange("Spindle", s.Spindle, 0, MaxSpindle, false);
    CheckRange("SpindleDwell", s.SpindleDwell, 0, MaxSpindleDwell, false);
    CheckRange("RapidRate", s.RapidRate, 0, MaxRapidRate, true);
    CheckRange("ArcTolerance", s.ArcTolerance, 0, MaxArcTolerance, false);
    if (s.Header.size() > MaxHeaderFooterLength)
        throw EParameterValueError("Header must be at most " +
                                   std::to_string(MaxHeaderFooterLength) + " characters");
    if (s.Footer.size() > MaxHeaderFooterLength)
        throw EParameterValueError("Footer must be at most " +
                                   std::to_string(MaxHeaderFooterLength) + " characters");
}

} // namespace orlenta
