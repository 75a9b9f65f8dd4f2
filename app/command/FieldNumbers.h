// Numbers typed into the main window: read with the user's decimal separator, and a text
// that is not a number ends the command with the conversion error. The one reader of the
// window's field texts; everything behind it takes numbers.
#pragma once

#include "app/command/CreateCommand.h"

#include <string>

namespace orlenta {

// The main window's inputs, as the user typed them.
struct TCreateFields {
    std::string Text;                        // edFont
    std::string Height;                      // txtHeight
    std::string Width;                       // txtWidth (linear only)
    std::string OriginX;                     // txtBoundBoxX: origin X (linear) or centre X (arc)
    std::string OriginY;                     // txtBoundBoxY
    std::string Radius;                      // txtRad (arc only, but always read)
    std::string Angle;                       // txtAng, degrees (arc only)
    bool Arc = false;                        // optArc checked
    TAlignment Alignment = TAlignment::Left; // rgArc
};

// Reads the fields into numbers in the order Create has always read them, converting only
// what Create will use: nothing for an empty text (Create stops with "No Text to convert!")
// or an arc with an empty origin, height or radius (ArcFieldEmpty; Create stops silently);
// otherwise Height, Radius, then Width, OriginX, OriginY (linear), or Angle (empty: 0) and,
// unless the height is 0 (Create stops there), OriginX, OriginY (arc). The first field that
// is not a number raises its EConvertError, with the separator given or the user's.
TCreateNumbers ReadCreateFields(const TCreateFields& fields, char separator);
TCreateNumbers ReadCreateFields(const TCreateFields& fields);

// The decimal separator of the user's locale (the environment's LC_NUMERIC / LANG), read
// without touching the C library's global locale so that file writers keep the full stop.
char UserDecimalSeparator();

// Converts a whole field text to a finite double. Leading and trailing blanks are allowed;
// otherwise the text must be an optional sign, digits with at most one separator (the
// given one), and an optional exponent. Anything else, and a value that does not fit in a
// double, raises EConvertError with the field's text.
double StrToFloat(const std::string& text, char separator);
double StrToFloat(const std::string& text);

} // namespace orlenta
