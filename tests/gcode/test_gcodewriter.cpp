// The G-code writer: golden programs, a read-back of written moves, and failures that must
// leave the user's file as it was.
#include "gcode/GCodeWriter.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"
#include "tests/support/KernelFixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <random>
#include <sstream>
#include <sys/resource.h>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

TOutRegionArray ExampleToolpaths() {
    return {TVKOutRegion{}, Toolpath(1, {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}),
            Toolpath(0, {{2, 0}, {3, 0}})};
}

class GCodeFile : public TempDirTest {
  protected:
    // Writes through WriteGCode and compares with tests/data/<golden>; on a mismatch the
    // actual bytes are left beside it as <golden>.out for a diff.
    void ExpectGolden(const std::string& golden, const TOutRegionArray& toolpaths,
                      const TMachiningParameters& params) {
        const fs::path file = Dir / "out.Dnc";
        WriteGCode(toolpaths, file, params);
        const std::string actual = ReadBytes(file);
        EXPECT_TRUE(MatchesGolden(actual, golden));
        EXPECT_EQ(actual, FormatGCode(toolpaths, params));
    }
};

TEST_F(GCodeFile, WorkedExample) {
    ExpectGolden("gcode_example.Dnc", ExampleToolpaths(), ExampleParams());
}

TEST_F(GCodeFile, EmptyArrayGivesHeaderAndFinalRetract) {
    ExpectGolden("gcode_empty.Dnc", {}, ExampleParams());
    ExpectGolden("gcode_empty.Dnc", {TVKOutRegion{}}, ExampleParams());
}

TEST_F(GCodeFile, DecimalZeroWritesNoPointButFeedsKeepOne) {
    auto p = ExampleParams();
    p.Decimal = 0;
    p.Depth = 2;
    ExpectGolden("gcode_decimal0.Dnc", ExampleToolpaths(), p);
}

TEST_F(GCodeFile, StartOneIncrementOne) {
    auto p = ExampleParams();
    p.Start = 1;
    p.Increment = 1;
    ExpectGolden("gcode_start1.Dnc", ExampleToolpaths(), p);
}

// Also: a first toolpath without rapid entry writes no Z before its first move.
TEST_F(GCodeFile, NegativeCoordinates) {
    TMachiningParameters p;
    p.Start = 10;
    p.Increment = 10;
    p.Decimal = 3;
    p.Depth = 0.25;
    p.RapidHeight = 2.5;
    p.RoughPlunge = 2.5;
    p.RoughFeed = 120;
    TOutRegionArray t = {TVKOutRegion{}, Toolpath(0, {{-1.25, -0.5}, {-2.5, -0.5}, {-2.5, 3.75}}),
                         Toolpath(1, {{-0.125, -10}, {-100.0626, -10.0004}})};
    ExpectGolden("gcode_negative.Dnc", t, p);
}

// ---- reading back ---------------------------------------------------------------------

struct TMove {
    bool Rapid = false;
    double X = 0, Y = 0, Z = 0, F = 0;
};

// A reader for the subset of G-code the writer produces: modal G00/G01, X, Y, Z, F words,
// every block numbered. Returns the position after each block that moves.
std::vector<TMove> ReadMoves(const std::string& program, const TMachiningParameters& p) {
    std::vector<TMove> moves;
    TMove state;
    std::istringstream in(program);
    std::string line;
    std::int64_t expectedN = std::int64_t{p.Start};
    bool header = true;
    while (std::getline(in, line)) {
        EXPECT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        line.pop_back();
        std::istringstream words(line);
        std::string w;
        bool moved = false;
        bool first = true;
        while (words >> w) {
            const double v = std::stod(w.substr(1));
            switch (w[0]) {
            case 'N':
                EXPECT_TRUE(first) << line;
                EXPECT_EQ(std::stoll(w.substr(1)), expectedN) << line;
                expectedN += p.Increment;
                break;
            case 'G':
                state.Rapid = v == 0;
                break;
            case 'T':
                break;
            case 'F':
                state.F = v;
                break;
            case 'X':
                state.X = v;
                moved = true;
                break;
            case 'Y':
                state.Y = v;
                moved = true;
                break;
            case 'Z':
                state.Z = v;
                moved = true;
                break;
            default:
                ADD_FAILURE() << "unexpected word " << w;
            }
            first = false;
        }
        EXPECT_EQ(header, line.rfind("G90", 0) == 0) << line;
        header = false;
        if (moved)
            moves.push_back(state);
    }
    return moves;
}

TEST(GCodeReadBack, MovesFollowTheToolpaths) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> coord(-150, 150);
    TOutRegionArray toolpaths(1);
    for (int t = 0; t < 40; ++t) {
        std::vector<TPoint2> pts;
        for (int k = 0; k < 2 + t % 7; ++k)
            pts.push_back({coord(rng), coord(rng)});
        toolpaths.push_back(Toolpath(t % 3 == 2 ? 0 : 1, pts));
    }
    TMachiningParameters p = ExampleParams();
    p.Decimal = 4;
    p.RoughFeed = 250;
    p.RoughPlunge = 60;
    const auto moves = ReadMoves(FormatGCode(toolpaths, p), p);

    std::vector<TMove> expected;
    TMove at;
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const auto& t = toolpaths[i];
        const TPoint2 s = ToolpathStart(t);
        if (t.RapidStart == 1) {
            at.Rapid = true;
            at.Z = p.RapidHeight;
            expected.push_back(at);
            at.X = s.x;
            at.Y = s.y;
            expected.push_back(at);
            at.Rapid = false;
            at.Z = -p.Depth;
            at.F = p.RoughPlunge;
            expected.push_back(at);
            at.F = p.RoughFeed;
        } else {
            at.X = s.x;
            at.Y = s.y;
            expected.push_back(at);
        }
        for (const auto& e : t.Entities) {
            at.X = SegmentEnd(e).x;
            at.Y = SegmentEnd(e).y;
            expected.push_back(at);
        }
    }
    at.Rapid = true;
    at.Z = p.RapidHeight;
    expected.push_back(at);

    ASSERT_EQ(moves.size(), expected.size());
    const double tol = 0.5e-4 + 1e-12;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(moves[i].Rapid, expected[i].Rapid);
        EXPECT_NEAR(moves[i].X, expected[i].X, tol);
        EXPECT_NEAR(moves[i].Y, expected[i].Y, tol);
        EXPECT_NEAR(moves[i].Z, expected[i].Z, tol);
        if (!moves[i].Rapid) {
            EXPECT_EQ(moves[i].F, expected[i].F);
        }
    }
}

// ---- numbers ----------------------------------------------------------------------------

// Coordinates must read exactly as C's "%.*f" writes them, ties and signs included.
TEST(GCodeNumbers, CoordinatesMatchPrintf) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-8, 14);
    std::vector<double> values = {0.0,    -0.0,    0.125,    -0.125, 2.5,      0.0005,
                                  1.0005, -1.0005, 999.9995, 1e-300, 123456.5, 0.49999999999999994};
    for (int i = 0; i < 4000; ++i)
        values.push_back(mantissa(rng) * std::pow(10.0, exponent(rng)));
    for (int decimals : {0, 1, 2, 3, 4, 6, 9, 12, 15, 16, 20}) {
        SCOPED_TRACE(decimals);
        TMachiningParameters p = ExampleParams();
        p.Decimal = decimals;
        TVKOutRegion t;
        t.RapidStart = 2; // no entry block: only the segment moves
        std::string expected = "G90 T0 F10.0\r\n";
        std::int64_t n = p.Start;
        char buf[512];
        for (std::size_t k = 0; k + 1 < values.size(); k += 2) {
            TMyEntity e;
            e.X2 = values[k];
            e.Y2 = values[k + 1];
            t.Entities.push_back(e);
            std::snprintf(buf, sizeof buf, "N%lld X%.*f Y%.*f\r\n", static_cast<long long>(n),
                          decimals, values[k], decimals, values[k + 1]);
            expected += buf;
            n += p.Increment;
        }
        std::snprintf(buf, sizeof buf, "N%lld G00 Z%.*f\r\n", static_cast<long long>(n), decimals,
                      p.RapidHeight);
        expected += buf;
        EXPECT_EQ(FormatGCode({TVKOutRegion{}, t}, p), expected);
    }
}

TEST(GCodeNumbers, DecimalIsClampedToABoundedRange) {
    TMachiningParameters p = ExampleParams();
    p.Decimal = INT_MAX;
    EXPECT_EQ(FormatGCode({}, p), "G90 T0 F10.0\r\nN100 G00 Z1.00000000000000000000\r\n");
    p.Decimal = -7;
    EXPECT_EQ(FormatGCode({}, p), "G90 T0 F10.0\r\nN100 G00 Z1\r\n");
}

TEST(GCodeNumbers, LineNumbersDoNotWrapAtThirtyTwoBits) {
    TMachiningParameters p = ExampleParams();
    p.Start = INT_MAX;
    p.Increment = INT_MAX;
    const auto program = FormatGCode(ExampleToolpaths(), p);
    EXPECT_NE(program.find("\r\nN2147483647 G00 Z"), std::string::npos);
    EXPECT_NE(program.find("\r\nN4294967294 G00 X"), std::string::npos);
    p.Start = INT_MIN;
    p.Increment = INT_MIN;
    const auto down = FormatGCode(ExampleToolpaths(), p);
    EXPECT_NE(down.find("\r\nN-2147483648 G00 Z"), std::string::npos);
    EXPECT_NE(down.find("\r\nN-4294967296 G00 X"), std::string::npos);
}

// The counted line numbers are those of the written program, for every kind of toolpath
// (rapid start or not, empty, with a lead-in only) and numbering (zero, negative, 32-bit ends).
TEST(GCodeNumbers, CountedLineNumbersAreThoseOfTheProgram) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> kind(0, 4);
    std::uniform_int_distribution<std::int32_t> number(-1000, 1000);
    const std::pair<std::int32_t, std::int32_t> numberings[] = {
        {100, 5}, {0, 0}, {1, -1}, {INT_MAX, INT_MAX}, {INT_MIN, 7}};
    for (int round = 0; round < 50; ++round) {
        TOutRegionArray toolpaths(1);
        for (int t = 0; t < round % 9; ++t) {
            const int k = kind(rng);
            TVKOutRegion path = Toolpath(k % 3, {{0, 0}, {1, 0}, {1, 1}});
            if (k == 3)
                path.Entities.clear(); // writes nothing
            if (k == 4) {
                path.Entities.clear(); // a lead-in alone still starts a toolpath
                path.HasLeads = 1;
                path.LeadIn.Mark = 1;
            }
            toolpaths.push_back(path);
        }
        TMachiningParameters p = ExampleParams();
        const auto [start, increment] =
            round < 5 ? numberings[round] : std::pair{number(rng), number(rng)};
        p.Start = start;
        p.Increment = increment;
        if (round % 4 == 1) {
            p.Machine.Header = "(Plate)\n(two lines)";
            p.Machine.Footer = "(end)";
        }
        const std::string program = FormatGCode(toolpaths, p);
        std::vector<std::int64_t> written;
        std::istringstream in(program);
        for (std::string line; std::getline(in, line);)
            if (line.starts_with("N"))
                written.push_back(std::stoll(line.substr(1)));
        const TGCodeLineNumbers counted = GCodeLineNumbers(toolpaths, p);
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(counted.Count, written.size()) << round;
        EXPECT_EQ(counted.First, written.front()) << round;
        EXPECT_EQ(counted.Last, written.back()) << round;

        // Toolpath by toolpath: the same bytes, numbers and verdict on cutting.
        std::string streamed;
        TGCodeStream stream(p, [&streamed](std::string_view chunk) { streamed.append(chunk); });
        bool cuts = false;
        for (std::size_t i = 1; i < toolpaths.size(); ++i) {
            stream.Add(toolpaths[i]);
            cuts = cuts || !toolpaths[i].Entities.empty();
        }
        stream.Finish();
        EXPECT_FALSE(stream.Error());
        EXPECT_EQ(streamed, program) << round;
        EXPECT_EQ(stream.LineNumbers().Count, counted.Count) << round;
        EXPECT_EQ(stream.LineNumbers().Last, counted.Last) << round;
        EXPECT_EQ(stream.Cuts(), cuts) << round;
    }
}

TEST(GCodeNumbers, AStreamKeepsTheSinksFailureAndGoesOnCounting) {
    const TMachiningParameters p = ExampleParams();
    int calls = 0;
    TGCodeStream stream(p, [&calls](std::string_view) {
        ++calls;
        throw EInOutError("No space left on device");
    });
    // Enough toolpaths to fill several chunks: one failure ends the writing.
    TOutRegionArray toolpaths(1);
    for (int i = 0; i < 5000; ++i)
        toolpaths.push_back(ExampleToolpaths()[1 + i % 2]);
    for (std::size_t i = 1; i < toolpaths.size(); ++i)
        stream.Add(toolpaths[i]);
    EXPECT_NO_THROW(stream.Finish());
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(stream.Error());
    EXPECT_THROW(std::rethrow_exception(stream.Error()), EInOutError);
    EXPECT_TRUE(stream.Cuts());
    EXPECT_EQ(stream.LineNumbers().Count, GCodeLineNumbers(toolpaths, p).Count);
    EXPECT_EQ(stream.LineNumbers().Last, GCodeLineNumbers(toolpaths, p).Last);
}

TEST(GCodeNumbers, NonFiniteValuesAreRefused) {
    TMachiningParameters p = ExampleParams();
    p.RoughFeed = std::nan("");
    EXPECT_THROW(FormatGCode({}, p), EInvalidOp);
    p = ExampleParams();
    p.RapidHeight = INFINITY;
    EXPECT_THROW(FormatGCode({}, p), EOverflow);
}

TEST(GCodeNumbers, FullStopWhateverTheLocale) {
    const char* found = nullptr;
    for (const char* name :
         {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "fr_FR.utf8", "nl_NL.UTF-8"})
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    if (!found)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    std::locale::global(std::locale(found));
    const auto program = FormatGCode(ExampleToolpaths(), ExampleParams());
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(program.find(','), std::string::npos);
    EXPECT_NE(program.find("Z-0.500 F5.0"), std::string::npos);
}

// ---- failures -------------------------------------------------------------------------

TEST_F(GCodeFile, FullDeviceReportsTheSystemMessage) {
    try {
        WriteGCode(ExampleToolpaths(), "/dev/full", ExampleParams());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "No space left on device");
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(GCodeFile, MissingFolderReportsTheSystemMessage) {
    try {
        WriteGCode(ExampleToolpaths(), Dir / "no" / "such.Dnc", ExampleParams());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "No such file or directory");
    }
}

// A program of well over one chunk, so that part of it reaches the disk before the
// failure.
TOutRegionArray LongProgram(std::size_t segments) {
    std::vector<TPoint2> pts;
    for (std::size_t i = 0; i <= segments; ++i)
        pts.push_back({static_cast<double>(i % 97), static_cast<double>(i % 89)});
    return {TVKOutRegion{}, Toolpath(1, pts)};
}

TEST_F(GCodeFile, FailureMidWayKeepsTheOldFileAndLeavesNoPartialFile) {
    const fs::path file = Dir / "job.Dnc";
    WriteBytes(file, "the user's old program\r\n");
    auto toolpaths = LongProgram(20000);
    toolpaths.push_back(Toolpath(1, {{0, 0}, {std::nan(""), 1}}));
    EXPECT_THROW(WriteGCode(toolpaths, file, ExampleParams()), EInvalidOp);
    EXPECT_EQ(ReadBytes(file), "the user's old program\r\n");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"job.Dnc"});
}

TEST_F(GCodeFile, FileSizeLimitIsAnIoErrorAndKeepsTheOldFile) {
    const fs::path file = Dir / "job.Dnc";
    WriteBytes(file, "old\r\n");
    FileSizeLimit limit(100000);
    ASSERT_TRUE(limit.Set());
    std::string message;
    try {
        WriteGCode(LongProgram(50000), file, ExampleParams());
    } catch (const EInOutError& e) {
        message = e.what();
    }
    limit.Restore();
    EXPECT_EQ(message, "File too large");
    EXPECT_EQ(ReadBytes(file), "old\r\n");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"job.Dnc"});
}

} // namespace
