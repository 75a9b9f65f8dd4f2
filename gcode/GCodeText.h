// Number formatting shared by the G-code writers: fixed-point text of doubles exactly as
// printf's "%.*f" in the C locale writes it, several times faster.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace orlenta {

namespace gcodetext {

// Large enough for any finite double in fixed notation with MaxGCodeDecimals digits
// (309 integer digits for the largest double, sign, point, decimals).
inline constexpr std::size_t NumberRoom = 400;
// Output is handed to the file in chunks of about this size.
inline constexpr std::size_t ChunkSize = 1 << 16;

inline constexpr double Pow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
// Below this, |v| * 10^decimals is computed with an error under 1.2e-4, so a fraction
// farther than TieMargin from one half rounds the same way as the exact value.
inline constexpr double FastLimit = 1e12;
inline constexpr double TieMargin = 1e-3;

// 10^0 to 10^19, to count the digits of an integer.
inline constexpr auto Pow10Int = [] {
    std::array<std::uint64_t, 20> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
    return p;
}();

// "00" to "99": two digits per division halves the chain of dependent divisions.
inline constexpr auto DigitPairs = [] {
    std::array<char, 200> d{};
    for (int i = 0; i < 100; ++i) {
        d[2 * i] = static_cast<char>('0' + i / 10);
        d[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return d;
}();

// Writes the two digits of pair (< 100) just before p.
inline char* PutPair(char* p, std::uint64_t pair) {
    p -= 2;
    p[0] = DigitPairs[2 * pair];
    p[1] = DigitPairs[2 * pair + 1];
    return p;
}

// Fixed-point text of v by scaling to an integer: several times faster than the general
// conversion and, where it answers, identical to it. Values near a rounding tie, large
// values and many decimals are left to std::to_chars (returns nullptr).
inline char* FastFixed(char* out, double v, int decimals) {
    if (decimals >= static_cast<int>(std::size(Pow10)))
        return nullptr;
    const double scaled = std::fabs(v) * Pow10[decimals];
    if (!(scaled < FastLimit))
        return nullptr;
    const auto whole = static_cast<std::uint64_t>(scaled);
    const double frac = scaled - static_cast<double>(whole); // exact (Sterbenz)
    if (std::fabs(frac - 0.5) < TieMargin)
        return nullptr;
    std::uint64_t n = whole + (frac > 0.5 ? 1 : 0);
    // Length first, then the digits right to left straight into place.
    int digits = 1;
    while (digits < static_cast<int>(Pow10Int.size()) && n >= Pow10Int[digits])
        ++digits;
    const bool negative = std::signbit(v); // printf signs a negative value rounding to 0
    const int intDigits = digits > decimals ? digits - decimals : 1;
    char* const end = out + negative + intDigits + (decimals > 0 ? decimals + 1 : 0);
    char* p = end;
    int i = 0;
    for (; i + 2 <= decimals; i += 2, n /= 100)
        p = PutPair(p, n % 100);
    if (i < decimals) {
        *--p = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    if (decimals > 0)
        *--p = '.';
    for (; n >= 100; n /= 100)
        p = PutPair(p, n % 100);
    if (n >= 10)
        p = PutPair(p, n);
    else
        *--p = static_cast<char>('0' + n);
    if (negative)
        *--p = '-';
    return end;
}

} // namespace gcodetext

} // namespace orlenta
