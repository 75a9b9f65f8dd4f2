// orlenta-cli's machine-ready output: grbl and linuxcnc programs that a real interpreter
// runs from the first line to the last, arcs, SVG read by a real parser, statistics.
#include "tests/cli/CliTestSupport.h"
#include "tests/support/NodeReaders.h"

#include <gtest/gtest.h>

namespace {

using namespace clitest;

// A shop's parameter file, as a user keeps it beside the program.
constexpr const char* ShopParameters = "[Parameters]\n"
                                       "Depth=0.2\n"
                                       "RapidHeight=2\n"
                                       "RoughFeed=600\n"
                                       "RoughPlunge=100\n"
                                       "Precision=8\n"
                                       "Decimal=4\n"
                                       "Start=100\n"
                                       "Increment=5\n"
                                       "Spindle=12000\n"
                                       "SpindleDwell=2\n";

// A file name in single quotes for the shell. Built by appending: g++ 12 at -O3 reports a
// false -Wrestrict overlap for a literal plus a temporary string (GCC bug 105329).
std::string Quoted(const fs::path& file) {
    std::string quoted(1, '\'');
    return quoted.append(file.string()).append(1, '\'');
}

class CliMachine : public TScratchDir {
  protected:
    TRun Run(std::vector<std::string> args) {
        WriteBytes(Dir / "shop.cfg", ShopParameters);
        args.insert(args.end(), {"--params", (Dir / "shop.cfg").string()});
        return RunCli(Dir, args);
    }
    TReaderOutput ReadProgram(const std::string& name, const std::string& dialect) {
        TReaderOutput r = RunNodeReader("read_gcode.js", Quoted(Dir / name) + " " + dialect);
        for (const auto& e : r.Errors)
            ADD_FAILURE() << name << ": " << e;
        return r;
    }
};

TEST_F(CliMachine, EachDialectRunsFromFirstLineToLast) {
    for (const std::string dialect : {"grbl", "linuxcnc"}) {
        SCOPED_TRACE(dialect);
        const TRun run =
            Run({"ACME Ltd", "--height", "10", "--dialect", dialect, "-o", "a.nc", "--stats=json"});
        ASSERT_EQ(run.Status, 0) << run.Err;
        auto r = ReadProgram("a.nc", dialect);
        EXPECT_EQ(r.Values["dwell"], "2");
        EXPECT_EQ(r.Values["depth"], "0.2");
        // The statistics name the same cuts and plunges as the interpreter counts.
        EXPECT_NE(run.Out.find("\"plunges\": " + r.Values["plunges"] + ","), std::string::npos)
            << run.Out;
        EXPECT_NE(run.Out.find("\"segments\": " + r.Values["cuts"] + ","), std::string::npos)
            << run.Out;
        EXPECT_EQ(run.Out.front(), '{');
    }
}

TEST_F(CliMachine, ArcsShrinkTheProgramAndPassTheControllersChecks) {
    ASSERT_EQ(Run({"Bob's Coffee 2026", "--font", "DejaVu Sans", "--height", "10", "--precision",
                   "24", "--dialect", "grbl", "-o", "lines.nc"})
                  .Status,
              0);
    const TRun run =
        Run({"Bob's Coffee 2026", "--font", "DejaVu Sans", "--height", "10", "--precision", "24",
             "--dialect", "grbl", "--arcs", "0.01", "--units", "mm", "-o", "arcs.nc", "--stats"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    auto r = ReadProgram("arcs.nc", "grbl");
    EXPECT_GT(std::stoi(r.Values["arcs"]), 20);
    EXPECT_LT(ReadBytes(Dir / "arcs.nc").size() * 3, ReadBytes(Dir / "lines.nc").size());
    EXPECT_EQ(run.Out.rfind("size: ", 0), 0u) << run.Out;
    EXPECT_NE(run.Out.find(" mm\n"), std::string::npos);
    ASSERT_EQ(Run({"Bob", "--font", "DejaVu Sans", "--arcs", "0.01", "-o", "arcs.Dxf"}).Status, 0);
    EXPECT_NE(ReadBytes(Dir / "arcs.Dxf").find("\nARC\r\n"), std::string::npos);
}

TEST_F(CliMachine, SvgOpensInARealParser) {
    const TRun run =
        Run({"ACME Ltd", "--height", "10", "--units", "inch", "-o", "a.svg", "--stats=json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    auto r = RunNodeReader("read_svg.js", Quoted(Dir / "a.svg"));
    EXPECT_TRUE(r.Errors.empty());
    EXPECT_NE(run.Out.find("\"toolpaths\": " + r.Values["paths"] + ","), std::string::npos);
    EXPECT_EQ(r.Values["size"].back(), 'n'); // "…in"
}

TEST_F(CliMachine, BadMachineOptionsAreUsageErrors) {
    EXPECT_EQ(Run({"A", "--dialect", "fanuc", "-o", "a.nc"}).Err,
              "orlenta-cli: --dialect: 'fanuc' is not classic, grbl or linuxcnc\n");
    EXPECT_EQ(Run({"A", "--units", "cm", "-o", "a.nc"}).Status, 2);
    EXPECT_EQ(Run({"A", "--stats=xml", "-o", "a.nc"}).Status, 2);
    const TRun zero = Run({"A", "--dialect", "grbl", "--spindle", "0", "-o", "a.nc"});
    EXPECT_EQ(zero.Status, 1);
    EXPECT_NE(zero.Err.find("Spindle must be at least 1"), std::string::npos) << zero.Err;
    EXPECT_FALSE(fs::exists(Dir / "a.nc"));
}

// V-carving from the command line and from batch keys: the programs run in a real
// interpreter within the maximum depth, plunging once per path as the statistics say; what
// cannot be V-carved is refused with its message and leaves no file.
TEST_F(CliMachine, VCarvedProgramsRunWithinTheMaximumDepth) {
    const TRun run =
        Run({"ACME", "--font", "DejaVu Sans", "--height", "10", "--dialect", "grbl", "--vcarve",
             "--vbit-angle", "90", "--vmax-depth", "0.5", "-o", "v.nc", "--stats=json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    auto r = ReadProgram("v.nc", "grbl");
    EXPECT_LE(std::stod(r.Values["depth"]), 0.5);
    EXPECT_GT(std::stod(r.Values["depth"]), 0.49);
    EXPECT_NE(run.Out.find("\"plunges\": " + r.Values["plunges"] + ","), std::string::npos)
        << run.Out;

    WriteBytes(Dir / "jobs.txt",
               "ACME\tfont=DejaVu Sans\theight=10\tvcarve=yes\tvmax-depth=0.3\tdialect=linuxcnc\t"
               "output=b.nc\n");
    const TRun batch = Run({"--batch", (Dir / "jobs.txt").string()});
    ASSERT_EQ(batch.Status, 0) << batch.Err;
    r = ReadProgram("b.nc", "linuxcnc");
    EXPECT_LE(std::stod(r.Values["depth"]), 0.3);
    EXPECT_GT(std::stod(r.Values["depth"]), 0.29);

    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } refused[] = {
        {{"--font", "DejaVu Sans"}, "V-carve paths need Z on every move"},
        {{"--font", "Stick40", "--dialect", "grbl"}, "the letters of a stroke font have no inside"},
        {{"--font", "DejaVu Sans", "--dialect", "grbl", "--vbit-angle", "180"},
         "The V-bit angle must lie between 1 and 179 degrees"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.Message);
        std::vector<std::string> args{"ACME", "--vcarve", "-o", "refused.nc"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TRun failed = Run(args);
        EXPECT_EQ(failed.Status, 1);
        EXPECT_NE(failed.Err.find(c.Message), std::string::npos) << failed.Err;
        EXPECT_FALSE(fs::exists(Dir / "refused.nc"));
    }
}

} // namespace
