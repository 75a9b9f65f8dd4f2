// Number formats of the DXF writer; see DXFFormat.h.
//
// Rounding is decided on the exact binary value, with exact ties (a double such as
// 0.0078125 whose expansion ends in a 5 just past the last kept digit) going away from
// zero. The fixed format works on the value scaled by a power of ten and settles products
// that land next to a half with fma, so the decision never rests on a rounded product.
#include "dxf/DXFFormat.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace orlenta {

namespace {

constexpr char DigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233"
                              "34353637383940414243444546474849505152535455565758596061626364656667"
                              "6869707172737475767778798081828384858687888990919293949596979899";
constexpr double Pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

// Significant digits of the fixed format before it gives way to the general layout.
constexpr int FixedDigits = 7;
constexpr int GeneralDigits = 15;
// Distance from a half below which a scaled product is checked exactly: products stay
// below 1e7, where an ulp is about 2e-9.
constexpr double NearHalf = 1e-6;

char* AppendNonFinite(char* out, double v) {
    const char* text = std::isnan(v) ? "NAN" : "INF";
    std::memcpy(out, text, 3);
    return out + 3;
}

// True when a (positive, finite) lies exactly halfway between two multiples of 10^q, that
// is a = odd * 5^q * 2^(q-1).
bool IsDecimalTie(double a, int q) {
    int ex = 0;
    const double frac = std::frexp(a, &ex);
    std::uint64_t mant = static_cast<std::uint64_t>(std::ldexp(frac, 53));
    int e2 = ex - 53;
    const int tz = std::countr_zero(mant);
    mant >>= tz;
    e2 += tz;
    if (e2 != q - 1)
        return false;
    if (q <= 0)
        return true;
    if (q > 22) // 5^q exceeds any 53-bit mantissa
        return false;
    std::uint64_t p5 = 1;
    for (int i = 0; i < q; ++i)
        p5 *= 5;
    return mant % p5 == 0;
}

// Decimal digits of a (positive, finite) rounded to `digits` significant digits with ties
// away from zero; returns the decimal exponent of the first digit.
int RoundedDigits(double a, int digits, char* out) {
    char buf[64];
    auto convert = [&](double x, int& exp10) {
        const auto r =
            std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, digits - 1);
        const char* e = std::find(buf, r.ptr, 'e');
        std::from_chars(e[1] == '+' ? e + 2 : e + 1, r.ptr, exp10);
        int n = 0;
        for (const char* p = buf; p != e; ++p)
            if (*p != '.')
                out[n++] = *p;
    };
    int exp10 = 0;
    convert(a, exp10);
    // to_chars breaks exact ties to even; nudging a tie up by one ulp makes it round away
    // from zero. (A tie that carried into a new leading digit has already gone up, and a
    // nudge cannot change it.)
    if (IsDecimalTie(a, exp10 - (digits - 1)))
        convert(std::nextafter(a, INFINITY), exp10);
    return exp10;
}

char* AppendUnsigned(char* out, std::uint64_t v) {
    return std::to_chars(out, out + 20, v).ptr;
}

// The general layout: plain for exponents -4 .. digits-1, otherwise mantissa, E, exponent.
char* AppendGeneralDigits(char* out, double v, int digits) {
    if (!std::isfinite(v))
        return AppendNonFinite(out, v);
    if (v == 0) {
        *out++ = '0';
        return out;
    }
    char d[24];
    const int exp10 = RoundedDigits(std::fabs(v), digits, d);
    int n = digits;
    while (n > 1 && d[n - 1] == '0')
        --n;
    if (v < 0)
        *out++ = '-';
    if (exp10 >= -4 && exp10 < digits) {
        if (exp10 < 0) {
            *out++ = '0';
            *out++ = '.';
            for (int i = 0; i < -exp10 - 1; ++i)
                *out++ = '0';
            std::memcpy(out, d, n);
            return out + n;
        }
        for (int i = 0; i <= exp10; ++i)
            *out++ = i < n ? d[i] : '0';
        if (n > exp10 + 1) {
            *out++ = '.';
            std::memcpy(out, d + exp10 + 1, n - exp10 - 1);
            out += n - exp10 - 1;
        }
        return out;
    }
    *out++ = d[0];
    if (n > 1) {
        *out++ = '.';
        std::memcpy(out, d + 1, n - 1);
        out += n - 1;
    }
    *out++ = 'E';
    if (exp10 < 0)
        *out++ = '-';
    return AppendUnsigned(out, static_cast<std::uint64_t>(exp10 < 0 ? -exp10 : exp10));
}

// a * scale rounded to an integer, ties away from zero, decided on the exact product.
// Needs a * scale < 2^52. The rounded product is at most half an ulp (far below 1e-6 here)
// from the exact one, so only a product that lands next to a half needs fma to decide.
double RoundScaled(double a, double scale) {
    const double t = a * scale;
    // t is not negative and far below 2^63, so truncation is the floor; the integer
    // conversion avoids a library call on processors without a rounding instruction.
    double fl = static_cast<double>(static_cast<std::int64_t>(t));
    const double frac = t - fl;
    if (std::fabs(frac - 0.5) > NearHalf)
        return frac > 0.5 ? fl + 1 : fl;
    if (std::fma(a, scale, -fl) < 0)
        fl -= 1;
    else if (std::fma(a, scale, -(fl + 1)) >= 0)
        fl += 1;
    return std::fma(a, scale, -(fl + 0.5)) >= 0 ? fl + 1 : fl;
}

} // namespace

char* AppendGeneral(char* out, double v) {
    return AppendGeneralDigits(out, v, GeneralDigits);
}

char* AppendFixed(char* out, double v, int decimals) {
    assert(decimals >= 1 && decimals <= 6);
    if (!std::isfinite(v))
        return AppendNonFinite(out, v);
    const double a = std::fabs(v);
    if (a >= Pow10[FixedDigits])
        return AppendGeneralDigits(out, v, FixedDigits);
    // Kept decimals: all requested ones below 10^(7 - decimals), then as many as fit into
    // 7 significant digits.
    int kept = decimals;
    if (a >= Pow10[FixedDigits - decimals]) {
        int intDigits = FixedDigits - decimals + 1;
        while (intDigits < FixedDigits && a >= Pow10[intDigits])
            ++intDigits;
        kept = FixedDigits - intDigits;
    }
    // At most 10^7 scaled units: eight digits, least significant first, two at a time.
    std::uint32_t n = static_cast<std::uint32_t>(RoundScaled(a, Pow10[kept]));
    const bool zero = n == 0;
    char digits[12];
    int nd = 0;
    while (n >= 100) {
        const char* pair = DigitPairs + 2 * (n % 100);
        digits[nd++] = pair[1];
        digits[nd++] = pair[0];
        n /= 100;
    }
    digits[nd++] = static_cast<char>('0' + n % 10);
    if (n >= 10)
        digits[nd++] = static_cast<char>('0' + n / 10);
    while (nd <= kept)
        digits[nd++] = '0';
    if (nd - kept > FixedDigits) // 9999999.5 and up became eight digits
        return AppendGeneralDigits(out, v, FixedDigits);
    if (v < 0 && !zero) // a value that rounds to zero is written without a sign
        *out++ = '-';
    while (nd > kept)
        *out++ = digits[--nd];
    *out++ = '.';
    while (nd > 0)
        *out++ = digits[--nd];
    for (int i = kept; i < decimals; ++i)
        *out++ = '0';
    return out;
}

std::string GeneralToStr(double v) {
    char buf[NumberTextMax];
    return std::string(buf, AppendGeneral(buf, v));
}

std::string RealToStr(double v) {
    char buf[NumberTextMax];
    return std::string(buf, AppendFixed(buf, v, 6));
}

std::string Width10ToStr(double v) {
    char buf[400]; // fixed notation of the largest double
    const char* end = std::isfinite(v)
                          ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6).ptr
                          : AppendNonFinite(buf, v);
    const std::string text(static_cast<const char*>(buf), end);
    return text.size() < 10 ? std::string(10 - text.size(), ' ') + text : text;
}

std::string Point3DToStr(const Point3D& p) {
    char buf[NumberTextMax];
    std::string s = "(";
    s.append(buf, AppendFixed(buf, p.x, 2));
    s += ", ";
    s.append(buf, AppendFixed(buf, p.y, 2));
    s += ", ";
    s.append(buf, AppendFixed(buf, p.z, 2));
    s += ')';
    return s;
}

} // namespace orlenta
