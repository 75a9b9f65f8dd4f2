// Field text to number conversion in the user's locale; see FieldNumbers.h.
#include "app/command/FieldNumbers.h"

#include "kernel/Errors.h"

#include <charconv>
#include <cmath>
#include <locale>

namespace orlenta {

char UserDecimalSeparator() {
    // std::locale("") throws when the environment names a locale that is not installed;
    // the program then reads numbers as the C locale does.
    try {
        return std::use_facet<std::numpunct<char>>(std::locale("")).decimal_point();
    } catch (const std::exception&) {
        return '.';
    }
}

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

double StrToFloat(const std::string& text, char separator) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;

    // Validate by hand, then hand a full-stop copy to from_chars, which ignores the global
    // locale: strtod would also take "inf", "nan", hex floats and a trailing remainder.
    std::string plain;
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            plain += '-'; // from_chars takes no leading plus
        ++i;
    }
    std::size_t digits = 0;
    while (i < e && isDigit(text[i])) {
        plain += text[i++];
        ++digits;
    }
    if (i < e && text[i] == separator) {
        plain += '.';
        ++i;
        while (i < e && isDigit(text[i])) {
            plain += text[i++];
            ++digits;
        }
    }
    if (digits > 0 && i < e && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-'))
            plain += text[i++];
        std::size_t expDigits = 0;
        while (i < e && isDigit(text[i])) {
            plain += text[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            throw EConvertError(text);
    }
    if (digits == 0 || i != e)
        throw EConvertError(text);

    bool tinyExponent = false;
    if (const auto ePos = plain.find('e'); ePos != std::string::npos)
        tinyExponent = plain.size() > ePos + 1 && plain[ePos + 1] == '-';
    double v = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec == std::errc::result_out_of_range && tinyExponent)
        return plain[0] == '-' ? -0.0 : 0.0; // underflow: a value too small to hold is zero
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v))
        throw EConvertError(text);
    return v;
}

double StrToFloat(const std::string& text) {
    static const char separator = UserDecimalSeparator();
    return StrToFloat(text, separator);
}

TCreateNumbers ReadCreateFields(const TCreateFields& f, char separator) {
    TCreateNumbers n;
    n.Text = f.Text;
    n.Arc = f.Arc;
    n.Alignment = f.Alignment;
    if (f.Text.empty())
        return n;
    if (f.Arc && (f.OriginX.empty() || f.OriginY.empty() || f.Height.empty() || f.Radius.empty())) {
        n.ArcFieldEmpty = true;
        return n;
    }
    n.Height = StrToFloat(f.Height, separator);
    n.Radius = StrToFloat(f.Radius, separator);
    if (!f.Arc) {
        n.Width = StrToFloat(f.Width, separator);
        n.OriginX = StrToFloat(f.OriginX, separator);
        n.OriginY = StrToFloat(f.OriginY, separator);
    } else {
        n.Angle = f.Angle.empty() ? 0.0 : StrToFloat(f.Angle, separator);
        if (n.Height == 0)
            return n;
        n.OriginX = StrToFloat(f.OriginX, separator);
        n.OriginY = StrToFloat(f.OriginY, separator);
    }
    return n;
}

TCreateNumbers ReadCreateFields(const TCreateFields& fields) {
    static const char separator = UserDecimalSeparator();
    return ReadCreateFields(fields, separator);
}

} // namespace orlenta
