// Numbers typed into the main window: read with the user's decimal separator, and a text
// that is not a number ends the command with the conversion error.
#pragma once

#include <string>

// The decimal separator of the user's locale (the environment's LC_NUMERIC / LANG), read
// without touching the C library's global locale so that file writers keep the full stop.
char UserDecimalSeparator();

// Converts a whole field text to a finite double. Leading and trailing blanks are allowed;
// otherwise the text must be an optional sign, digits with at most one separator (the
// given one), and an optional exponent. Anything else, and a value that does not fit in a
// double, raises EConvertError with the field's text.
double StrToFloat(const std::string& text, char separator);
double StrToFloat(const std::string& text);
