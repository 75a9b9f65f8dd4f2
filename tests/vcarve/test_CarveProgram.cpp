// A V-carved text written as a grbl and a linuxcnc program and read back by an independent
// interpreter against the controllers' rules: no rejected line, spindle on while cutting,
// one plunge per path, never deeper than VMaxDepth.
#include "vcarve/VCarve.h"

#include "gcode/GCodeWriter.h"
#include "gcode/MachineWriter.h"
#include "glyph/FreeTypeFontService.h"
#include "kernel/ProgramStatistics.h"
#include "layout/LinearLayout.h"
#include "tests/support/NodeReaders.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace orlenta;

namespace {

class CarveProgram : public TempDirTest {};

TEST_F(CarveProgram, GrblAndLinuxCncRunItWithinTheMaximumDepth) {
    TTTFToVectorConverter converter;
    converter.SetFont({"DejaVu Sans", false, false});
    converter.SetPrecision(8);
    TRegionArrayX contours(1);
    LayoutLinear(U"ACME Ltd", contours, converter, 10, 0, 0);
    TMachiningParameters p;
    p.Depth = p.StepDown = 0.2;
    p.RapidHeight = 3;
    p.RoughFeed = 300;
    p.RoughPlunge = 100;
    p.Decimal = 3;
    p.Engrave.Mode = TEngraveMode::VCarve;
    p.Engrave.VBitAngle = 60;
    p.Engrave.VMaxDepth = 0.6543; // not on the program's 0.001 grid: rounding must not pass it
    const TCarvePathArray paths = BuildCarvePaths(contours, CarveSettings(p));
    ASSERT_GT(paths.size(), 8u);

    for (TDialect d : {TDialect::Grbl, TDialect::LinuxCnc}) {
        const std::string dialect(DialectName(d));
        SCOPED_TRACE(dialect);
        p.Machine.Dialect = d;
        const std::filesystem::path file = Dir / ("vcarve_" + dialect + ".nc");
        WriteCarveGCode(paths, file, p);
        const TReaderOutput r =
            RunNodeReader("read_gcode.js", "'" + file.string() + "' " + dialect);
        for (const std::string& e : r.Errors)
            ADD_FAILURE() << e;
        EXPECT_EQ(std::stoul(r.Values.at("plunges")), paths.size());
        // The statistics count what the interpreter saw: plunges and the length cut.
        const TProgramStatistics s = ComputeCarveStatistics(paths, p);
        EXPECT_EQ(s.Plunges, paths.size());
        EXPECT_NEAR(std::stod(r.Values.at("length")), s.CuttingLength,
                    0.001 * static_cast<double>(s.Segments));
        const double deepest = std::stod(r.Values.at("depth"));
        EXPECT_LE(deepest, p.Engrave.VMaxDepth);
        EXPECT_GT(deepest, p.Engrave.VMaxDepth - 0.001);
    }

    // The classic program has no move in X, Y and Z: refused before any file is made.
    p.Machine.Dialect = TDialect::Classic;
    EXPECT_THROW(WriteCarveGCode(paths, Dir / "classic.Dnc", p), EProgramRuleError);
    EXPECT_FALSE(std::filesystem::exists(Dir / "classic.Dnc"));
}

} // namespace
