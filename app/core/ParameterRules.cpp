// The machining parameters' range rules; see ParameterRules.h.
#include "app/core/ParameterRules.h"

#include "gcode/GCodeWriter.h"
#include "glyph/UTTF2Vct.h"

#include <cmath>
#include <limits>

namespace orlenta {

namespace {

struct TRange {
    double Min;
    double Max; // infinity: no upper bound
};

TRange RangeOf(TParameterField field) {
    constexpr double None = std::numeric_limits<double>::infinity();
    switch (field) {
    case TParameterField::Precision:
        return {MinPrecision, MaxPrecision};
    case TParameterField::Decimal:
        return {0, MaxGCodeDecimals};
    case TParameterField::Depth:
    case TParameterField::RapidHeight:
    case TParameterField::RoughFeed:
    case TParameterField::RoughPlunge:
    case TParameterField::Start:
    case TParameterField::Increment:
        break;
    }
    return {0, None};
}

} // namespace

bool InParameterRange(TParameterField field, double value) {
    const TRange r = RangeOf(field);
    return value >= r.Min && value <= r.Max;
}

std::string ParameterRangeText(TParameterField field) {
    const TRange r = RangeOf(field);
    if (std::isinf(r.Max))
        return FloatToGeneralText(r.Min) + " or more";
    return FloatToGeneralText(r.Min) + " to " + FloatToGeneralText(r.Max);
}

const char* ParameterKey(TParameterField field) {
    switch (field) {
    case TParameterField::Depth:
        return "Depth";
    case TParameterField::RapidHeight:
        return "RapidHeight";
    case TParameterField::RoughFeed:
        return "RoughFeed";
    case TParameterField::RoughPlunge:
        return "RoughPlunge";
    case TParameterField::Precision:
        return "Precision";
    case TParameterField::Decimal:
        return "Decimal";
    case TParameterField::Start:
        return "Start";
    case TParameterField::Increment:
        return "Increment";
    }
    return "";
}

std::vector<TParameterRangeProblem> ParameterRangeProblems(const TMachiningParameters& p) {
    const TParameterTexts texts = ParameterTexts(p);
    const struct {
        TParameterField Field;
        double Value;
        const std::string& Text;
    } values[] = {
        {TParameterField::Depth, p.Depth, texts.Depth},
        {TParameterField::RapidHeight, p.RapidHeight, texts.RapidHeight},
        {TParameterField::RoughFeed, p.RoughFeed, texts.RoughFeed},
        {TParameterField::RoughPlunge, p.RoughPlunge, texts.RoughPlunge},
        {TParameterField::Precision, static_cast<double>(p.Precision), texts.Precision},
        {TParameterField::Decimal, static_cast<double>(p.Decimal), texts.Decimal},
        {TParameterField::Start, static_cast<double>(p.Start), texts.Start},
        {TParameterField::Increment, static_cast<double>(p.Increment), texts.Increment},
    };
    std::vector<TParameterRangeProblem> problems;
    for (const auto& v : values)
        if (!InParameterRange(v.Field, v.Value))
            problems.push_back({v.Field, std::string(ParameterKey(v.Field)) + " = " + v.Text +
                                             ": out of range (" + ParameterRangeText(v.Field) +
                                             ")"});
    return problems;
}

} // namespace orlenta
