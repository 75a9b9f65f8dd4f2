// The one set of range rules for the machining parameters, applied to values from every
// source: the parameter file, the parameter dialog, command-line options and batch keys.
#pragma once

#include "app/core/ParameterFile.h"

#include <string>
#include <vector>

namespace orlenta {

// The range of a parameter: Depth, RapidHeight, RoughFeed, RoughPlunge, Start and Increment
// 0 or more (no field can take a minus sign; a negative clearance or feed is a crash or a
// program the controller rejects); Precision 1 to 100 (outside it the converter silently
// keeps its previous precision); Decimal 0 to 20 (the G-code writer's limit). Depth 0, a
// feed of 0 and a clearance of 0 are in range: the check before saving names them.
bool InParameterRange(TParameterField field, double value);
// The range as a message shows it: "0 or more", "1 to 100".
std::string ParameterRangeText(TParameterField field);
// The key of the field in the parameter file: "Depth", "RapidHeight", ...
const char* ParameterKey(TParameterField field);

// A value of a parameter record outside its range.
struct TParameterRangeProblem {
    TParameterField Field;
    // "RapidHeight = -5: out of range (0 or more)", with the file's key and the value as
    // the file and the dialog show it.
    std::string Message;
};
// Every value of params outside its range, in the order of the fields.
std::vector<TParameterRangeProblem> ParameterRangeProblems(const TMachiningParameters& params);

} // namespace orlenta
