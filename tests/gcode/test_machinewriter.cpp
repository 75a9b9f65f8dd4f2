// The grbl and linuxcnc dialects and the arc fit: golden programs, a real G-code
// interpreter reading every combination of settings back against the controllers' rules,
// and the checks that refuse a program a controller would reject.
#include "gcode/GCodeWriter.h"
#include "gcode/MachineWriter.h"
#include "kernel/Errors.h"
#include "kernel/ProgramStatistics.h"
#include "kernel/QuorvelKernel.h"
#include "tests/support/KernelFixtures.h"
#include "tests/support/NodeReaders.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

TMachiningParameters ExampleParams(TDialect dialect) {
    TMachiningParameters p = orlenta::ExampleParams();
    p.Machine.Dialect = dialect;
    p.Machine.Spindle = 12000;
    return p;
}

// The classic worked example: a clockwise square, then a line joined without a retract.
TOutRegionArray ExampleToolpaths() {
    return {TVKOutRegion{}, Toolpath(1, ClockwiseSquare()), Toolpath(0, {{2, 0}, {3, 0}})};
}

// Closed clockwise outlines as flattened text gives: circles and ellipses of many short
// strokes, some squares, seeded.
TOutRegionArray CurvyToolpaths(int count, int strokes, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> radius(0.3, 4), squash(0.4, 1);
    TOutRegionArray t(1);
    for (int k = 0; k < count; ++k) {
        const double cx = 10 * (k % 8), cy = 9 * (k / 8), r = radius(rng), q = squash(rng);
        std::vector<TPoint2> pts;
        if (k % 5 == 4) {
            pts = ClockwiseSquare({cx, cy}, r);
        } else {
            for (int i = 0; i <= strokes; ++i) {
                const double a = -2 * M_PI * (i % strokes) / strokes;
                pts.push_back({cx + r * std::cos(a), cy + q * r * std::sin(a)});
            }
        }
        t.push_back(Toolpath(1, pts));
    }
    return t;
}

class MachineProgram : public TempDirTest {
  protected:
    // Writes the program, has the interpreter read it and checks it kept every rule and did
    // what the statistics say the toolpaths hold.
    TReaderOutput ReadBack(const TOutRegionArray& toolpaths, const TMachiningParameters& p) {
        const fs::path file = Dir / "out.nc";
        WriteGCode(toolpaths, file, p);
        EXPECT_EQ(ReadBytes(file), FormatGCode(toolpaths, p));
        const std::string dialect(DialectName(p.Machine.Dialect));
        TReaderOutput r = RunNodeReader("read_gcode.js", "'" + file.string() + "' " + dialect);
        for (const auto& e : r.Errors)
            ADD_FAILURE() << dialect << ": " << e;
        const TProgramStatistics s = ComputeStatistics(toolpaths, p);
        const double grid = std::pow(10.0, -std::min(p.Decimal, MaxGrblDecimals));
        EXPECT_EQ(r.Values["units"], p.Machine.Units == TUnits::Inch ? "inch" : "mm");
        EXPECT_EQ(std::stoul(r.Values["plunges"]), s.Plunges);
        EXPECT_NEAR(std::stod(r.Values["depth"]), p.Depth, grid);
        // Arcs follow the strokes within the tolerance: the length within a fraction of it.
        const double slack = p.Machine.ArcTolerance > 0 ? 0.01 * s.CuttingLength : 0;
        EXPECT_NEAR(std::stod(r.Values["length"]), s.CuttingLength,
                    slack + grid * static_cast<double>(s.Segments + 1));
        std::istringstream box(r.Values["box"]);
        double minX, minY, maxX, maxY;
        box >> minX >> minY >> maxX >> maxY;
        const double boxSlack = grid + p.Machine.ArcTolerance;
        EXPECT_NEAR(minX, s.MinX, boxSlack);
        EXPECT_NEAR(minY, s.MinY, boxSlack);
        EXPECT_NEAR(maxX, s.MaxX, boxSlack);
        EXPECT_NEAR(maxY, s.MaxY, boxSlack);
        if (p.Machine.ArcTolerance == 0) {
            EXPECT_EQ(std::stoul(r.Values["cuts"]), s.Segments + 1); // + the join in the example
            EXPECT_EQ(r.Values["arcs"], "0");
        }
        return r;
    }
};

TEST_F(MachineProgram, WorkedExampleGolden) {
    for (TDialect d : {TDialect::Grbl, TDialect::LinuxCnc}) {
        auto p = ExampleParams(d);
        p.Machine.SpindleDwell = 2;
        const std::string golden = "gcode_example_" + std::string(DialectName(d)) + ".nc";
        EXPECT_TRUE(MatchesGolden(FormatGCode(ExampleToolpaths(), p), golden));
    }
}

// Every dialect, both units, with and without line numbers and dwell: the interpreter finds
// no rejected word, units before the first move, spindle on before the first plunge, a
// feed before the first cut, the program end last, and the moves the toolpaths hold.
TEST_F(MachineProgram, RealInterpreterAcceptsEveryCombination) {
    for (TDialect d : {TDialect::Grbl, TDialect::LinuxCnc})
        for (TUnits u : {TUnits::Millimetre, TUnits::Inch})
            for (bool numbered : {false, true}) {
                SCOPED_TRACE(std::string(DialectName(d)) + " " + std::string(UnitsName(u)) +
                             (numbered ? " numbered" : ""));
                auto p = ExampleParams(d);
                p.Machine.Units = u;
                p.Machine.LineNumbers = numbered;
                p.Machine.SpindleDwell = numbered ? 1.5 : 0;
                p.Machine.Header = "(Orlenta {date})\\n(units {units}, S{spindle}, F{feed})";
                p.Machine.Footer = "(end)";
                auto r = ReadBack(ExampleToolpaths(), p);
                EXPECT_EQ(r.Values["dwell"], numbered ? "1.5" : "0");
            }
}

TEST_F(MachineProgram, LineNumbersRestartBelowGrblsLimit) {
    auto p = ExampleParams(TDialect::Grbl);
    p.Machine.LineNumbers = true;
    p.Start = 9'999'990;
    p.Increment = 7;
    ReadBack(ExampleToolpaths(), p); // the reader fails any N above 10,000,000
    const std::string text = FormatGCode(ExampleToolpaths(), p);
    EXPECT_NE(text.find("N9999990 "), std::string::npos);
    EXPECT_NE(text.find("N9999997 "), std::string::npos);
    EXPECT_EQ(text.find("N10000004"), std::string::npos);
}

TEST_F(MachineProgram, ArcsPassTheEndPointCheckAndShrinkTheProgram) {
    const auto toolpaths = CurvyToolpaths(24, 240);
    for (TDialect d : {TDialect::Grbl, TDialect::LinuxCnc})
        for (TUnits u : {TUnits::Millimetre, TUnits::Inch}) {
            SCOPED_TRACE(std::string(DialectName(d)) + " " + std::string(UnitsName(u)));
            auto p = ExampleParams(d);
            p.Machine.Units = u;
            p.Decimal = 4;
            const std::size_t lines = FormatGCode(toolpaths, p).size();
            p.Machine.ArcTolerance = 0.01;
            auto r = ReadBack(toolpaths, p);
            EXPECT_GT(std::stoul(r.Values["arcs"]), 24u);
            EXPECT_LT(FormatGCode(toolpaths, p).size() * 10, lines);
        }
}

TEST_F(MachineProgram, RefusedSettingsNameTheKeyAndLeaveTheFile) {
    const fs::path file = Dir / "keep.nc";
    WriteBytes(file, "old");
    struct Case {
        const char* key;
        void (*change)(TMachiningParameters&);
    } cases[] = {
        {"Spindle", [](TMachiningParameters& p) { p.Machine.Spindle = 0; }},
        {"RoughFeed", [](TMachiningParameters& p) { p.RoughFeed = 0; }},
        {"RoughPlunge", [](TMachiningParameters& p) { p.RoughPlunge = NAN; }},
        {"Depth", [](TMachiningParameters& p) { p.Depth = 0; }},
        {"RapidHeight", [](TMachiningParameters& p) { p.RapidHeight = -1; }},
        {"SpindleDwell", [](TMachiningParameters& p) { p.Machine.SpindleDwell = -1; }},
        {"ArcTolerance", [](TMachiningParameters& p) { p.Machine.ArcTolerance = 11; }},
        {"Start",
         [](TMachiningParameters& p) {
             p.Machine.LineNumbers = true;
             p.Start = 10'000'001;
         }},
    };
    for (const Case& c : cases) {
        auto p = ExampleParams(TDialect::Grbl);
        c.change(p);
        try {
            WriteGCode(ExampleToolpaths(), file, p);
            ADD_FAILURE() << c.key << " was accepted";
        } catch (const EParameterValueError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.key, 0), 0u) << e.what();
        }
    }
    auto p = ExampleParams(TDialect::Grbl);
    p.Machine.Header = std::string(80, '(');
    EXPECT_THROW(WriteGCode(ExampleToolpaths(), file, p), EProgramRuleError);
    p = ExampleParams(TDialect::Grbl);
    p.Decimal = 20; // capped at 6: GRBL's lines stay short
    EXPECT_NO_THROW(WriteGCode(ExampleToolpaths(), Dir / "capped.nc", p));
    TOutRegionArray far = {TVKOutRegion{}, Toolpath(1, {{1e30, 0}, {-1e30, 1e30}})};
    EXPECT_THROW(WriteGCode(far, file, p), EProgramRuleError);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"capped.nc", "keep.nc"}));
}

TEST(ClassicFrame, HeaderAndFooterSurroundTheUnchangedProgram) {
    TMachiningParameters p = ExampleParams(TDialect::Classic);
    const std::string plain = FormatGCode(ExampleToolpaths(), p);
    p.Machine.Header = "(job {units})\\n(feed {feed})";
    p.Machine.Footer = "M30";
    p.Machine.Spindle = 0; // the classic program has no spindle: nothing to check
    EXPECT_EQ(FormatGCode(ExampleToolpaths(), p), "(job mm)\r\n(feed 10)\r\n" + plain + "M30\r\n");
    EXPECT_EQ(HeaderLines("{date}", p, "2026-01-02"), std::vector<std::string>{"2026-01-02"});
    EXPECT_TRUE(HeaderLines("", p, "x").empty());
}

} // namespace
