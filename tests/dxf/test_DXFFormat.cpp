// The number formats of DXF files: pinned values and rounding at the last kept digit.
#include "dxf/DXFFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

using namespace orlenta;

namespace {

const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

struct Case {
    double value;
    const char* general;
    const char* real;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.value;
}

class NumberFormats : public ::testing::TestWithParam<Case> {};

TEST_P(NumberFormats, GeneralAndRealToStr) {
    const Case& c = GetParam();
    EXPECT_EQ(GeneralToStr(c.value), c.general) << c.value;
    EXPECT_EQ(RealToStr(c.value), c.real) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Pinned, NumberFormats,
    ::testing::Values(Case{10, "10", "10.000000"}, Case{0.5, "0.5", "0.500000"},
                      Case{-3.25, "-3.25", "-3.250000"}, Case{-2.25, "-2.25", "-2.250000"},
                      Case{0, "0", "0.000000"}, Case{-0.0, "0", "0.000000"},
                      Case{1E10, "10000000000", "1E10"}, Case{-1E10, "-10000000000", "-1E10"},
                      Case{0.00001, "1E-5", "0.000010"}, Case{0.0001, "0.0001", "0.000100"},
                      Case{123.456789, "123.456789", "123.456800"},
                      Case{0.12345678, "0.12345678", "0.123457"},
                      Case{1234567.891, "1234567.891", "1234568.000000"},
                      Case{12345678, "12345678", "1.234568E7"}, Case{1E15, "1E15", "1E15"},
                      Case{999999999999999, "999999999999999", "1E15"},
                      Case{1.5E-20, "1.5E-20", "0.000000"}, Case{-1E-7, "-1E-7", "0.000000"},
                      Case{Inf, "INF", "INF"}, Case{-Inf, "INF", "INF"}, Case{NaN, "NAN", "NAN"}));

// A following 5 rounds away from zero, decided on the exact binary value: 1/128 and
// 1234566.5 are exact ties, 0.1234565 is stored just below its tie.
TEST(RealToStr, RoundsExactTiesAwayFromZero) {
    EXPECT_EQ(RealToStr(0.0078125), "0.007813");
    EXPECT_EQ(RealToStr(-0.0078125), "-0.007813");
    EXPECT_EQ(RealToStr(1234566.5), "1234567.000000");
    EXPECT_EQ(RealToStr(0.5E-6), "0.000000"); // stored just below 0.0000005
    EXPECT_EQ(RealToStr(0.1234565), "0.123456");
    EXPECT_EQ(RealToStr(9999999.5), "1E7");
    EXPECT_EQ(RealToStr(9.9999996), "10.000000");
    EXPECT_EQ(RealToStr(270.00000000000006), "270.000000");
    EXPECT_EQ(GeneralToStr(12345678901234.25), "12345678901234.3");
}

// A slow reference for the fixed format: the exact decimal expansion of the double, cut
// after the kept decimals and rounded up when the next digit is 5 or more.
std::string ReferenceFixed(double v) {
    static char buf[1200];
    const double a = std::fabs(v);
    const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, 1100);
    const std::string exact(buf, r.ptr);
    const std::size_t point = exact.find('.');
    const std::string whole = exact.substr(0, point);
    const int intDigits = whole == "0" ? 0 : static_cast<int>(whole.size());
    const int kept = std::min(6, 7 - std::max(intDigits, 1));
    std::uint64_t n = std::stoull(whole + exact.substr(point + 1, kept));
    if (exact[point + 1 + kept] >= '5')
        ++n;
    std::uint64_t scale = 1;
    for (int i = 0; i < kept; ++i)
        scale *= 10;
    const std::string frac = kept > 0 ? std::to_string(n % scale) : "";
    std::string text = v < 0 && n != 0 ? "-" : "";
    text += std::to_string(n / scale);
    text += '.';
    text.append(static_cast<std::size_t>(kept) - frac.size(), '0');
    text += frac;
    text.append(static_cast<std::size_t>(6 - kept), '0');
    return text;
}

// Random magnitudes from 1e-9 to 1e6, and dyadic values that sit exactly on ties.
TEST(RealToStr, AgreesWithExactDecimalRounding) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> exponent(-9, 6.9);
    std::uniform_int_distribution<std::int64_t> mantissa(-(1LL << 23), 1LL << 23);
    std::uniform_int_distribution<int> shift(0, 12);
    for (int i = 0; i < 20000; ++i) {
        const double logs = std::pow(10.0, exponent(rng)) * (i % 2 ? 1 : -1);
        const double dyadic = std::ldexp(static_cast<double>(mantissa(rng)), -shift(rng));
        for (double v : {logs, dyadic}) {
            if (std::fabs(v) >= 9E6)
                continue;
            ASSERT_EQ(RealToStr(v), ReferenceFixed(v)) << std::hexfloat << v;
        }
    }
}

TEST(Width10ToStr, RightAlignsSixDecimals) {
    EXPECT_EQ(Width10ToStr(1), "  1.000000");
    EXPECT_EQ(Width10ToStr(-0.5), " -0.500000");
    EXPECT_EQ(Width10ToStr(12345.5), "12345.500000");
}

TEST(Point3DToStr, TwoDecimals) {
    EXPECT_EQ(Point3DToStr({1, 2.5, -0.126}), "(1.00, 2.50, -0.13)");
    EXPECT_EQ(Point3DToStr({123456.7, -0.004, 0.125}), "(123456.70, 0.00, 0.13)");
}

} // namespace
