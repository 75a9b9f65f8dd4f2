// The finiteness checkpoint and conversions that must raise instead of hitting
// undefined behaviour.
#include "kernel/Errors.h"
#include "kernel/Hooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orlenta;

TEST(FloatFlags, NonFiniteValues) {
    EXPECT_THROW(CheckFinite(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
    EXPECT_THROW(CheckFinite(-std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_NO_THROW(CheckFinite(1e308));
}

TEST(SafeConversion, OutOfRangeRaisesInsteadOfUndefinedBehaviour) {
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(RoundToInt32(2.5), 2); // banker's rounding
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_THROW(TruncToInt32(2147483648.0), EInvalidOp);
    EXPECT_THROW(RoundToInt32(1e300), EInvalidOp);
    EXPECT_THROW(TruncToInt32(std::nan("")), EInvalidOp);
    EXPECT_THROW(TruncToInt64(1e19), EInvalidOp);
    EXPECT_EQ(TruncToInt64(-1e18), -1000000000000000000LL);
}

TEST(Hooks, DefaultToNothingAndCanBeReplaced) {
    ProcessMessages();
    ShowMessage("ignored");
    int pumped = 0;
    std::string shown;
    auto oldPump = SetMessagePumpHook([&] { ++pumped; });
    auto oldBox = SetMessageBoxHook([&](const std::string& s) { shown = s; });
    ProcessMessages();
    ShowMessage("Radius is too small");
    EXPECT_EQ(pumped, 1);
    EXPECT_EQ(shown, "Radius is too small");
    SetMessagePumpHook(oldPump);
    SetMessageBoxHook(oldBox);
}
