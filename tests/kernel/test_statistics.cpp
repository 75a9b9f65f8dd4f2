// Toolpath statistics: the worked example by hand, the machine settings' limits and names.
#include "kernel/ProgramStatistics.h"
#include "tests/support/KernelFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orlenta;

namespace {

// A unit square with a rapid start, a line joined to it by a cut, a square far away with
// its own rapid start, and an empty toolpath that counts for nothing.
TEST(Statistics, FiguresOfAKnownProgram) {
    TMachiningParameters p;
    p.Depth = 0.5;
    p.RapidHeight = 1;
    p.RoughPlunge = 5;
    p.RoughFeed = 10;
    p.Machine.RapidRate = 100;
    const TOutRegionArray t = {TVKOutRegion{}, Toolpath(1, ClockwiseSquare()),
                               Toolpath(0, {{2, 0}, {3, 0}}), TVKOutRegion{},
                               Toolpath(1, ClockwiseSquare({3, 4}, 2))};
    const TProgramStatistics s = ComputeStatistics(t, p);
    EXPECT_EQ(s.Toolpaths, 3u);
    EXPECT_EQ(s.Segments, 4u + 1 + 4);
    EXPECT_EQ(s.Plunges, 2u);
    EXPECT_DOUBLE_EQ(s.Width, 5);
    EXPECT_DOUBLE_EQ(s.Height, 6);
    EXPECT_DOUBLE_EQ(s.CuttingLength, 4 + 2 + 1 + 8); // square, join, line, big square
    EXPECT_DOUBLE_EQ(s.PlungeLength, 2 * 1.5);        // clearance to depth, twice
    EXPECT_DOUBLE_EQ(s.RapidLength, 1.5 + 4 + 1.5);   // retract, (3,0) to (3,4), retract
    EXPECT_DOUBLE_EQ(s.Minutes, 15.0 / 10 + 3.0 / 5 + 7.0 / 100);
    EXPECT_EQ(StatisticsText(s, TUnits::Inch).substr(0, 17), "size: 5 x 6 inch\n");
    EXPECT_NE(StatisticsJson(s, TUnits::Millimetre).find("\"rapid_length\": 7,"),
              std::string::npos);
    EXPECT_EQ(ComputeStatistics({}, p).Toolpaths, 0u);
    EXPECT_EQ(ComputeStatistics({}, p).Minutes, 0);
}

TEST(MachineSettings, NamesAndLimits) {
    for (TDialect d : {TDialect::Classic, TDialect::Grbl, TDialect::LinuxCnc})
        EXPECT_EQ(ParseDialect(DialectName(d)), d);
    EXPECT_EQ(ParseDialect("GRBL"), TDialect::Grbl);
    EXPECT_FALSE(ParseDialect("fanuc"));
    EXPECT_EQ(ParseUnits("in"), TUnits::Inch);
    EXPECT_FALSE(ParseUnits("cm"));
    EXPECT_NO_THROW(CheckMachineSettings(TMachineSettings{}));
    TMachineSettings s;
    s.RapidRate = 0;
    try {
        CheckMachineSettings(s);
        ADD_FAILURE();
    } catch (const EParameterValueError& e) {
        EXPECT_STREQ(e.what(), "RapidRate must be above 0 and at most 10000000");
    }
    s = {};
    s.Spindle = NAN;
    EXPECT_THROW(CheckMachineSettings(s), EParameterValueError);
}

} // namespace
