// The Create command and the save path without a window: every stop, every message, the
// state each leaves behind, the saved files read back against the toolpaths, and the check
// before saving.
#include "tests/app/AppTestSupport.h"

#include "app/command/CreateCommand.h"
#include "app/command/FieldNumbers.h"
#include "app/command/SaveCommands.h"
#include "app/core/ParameterFile.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/Errors.h"
#include "vcarve/VCarve.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <tuple>

using namespace orlenta;

namespace {

class CreateCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g = TGlobals{};
        SetStartupValues(g);
        g.Contours.assign(1, TVKRegionX{});
        // A sentinel: the stops must leave the toolpaths of the previous Create alone.
        g.Toolpaths.resize(2);
        g.Toolpaths[1].Depth = 42;
        font.Name = "DejaVu Sans";
    }

    TCreateFields linear(const std::string& text, const std::string& height = "10") {
        TCreateFields f;
        f.Text = text;
        f.Height = height;
        // Copies of one string: g++ 12 at -O3 reports a false -Wrestrict overlap for a
        // literal assigned to a string here (GCC bug 105329).
        const std::string zero(1, '0');
        f.Width = f.OriginX = f.OriginY = f.Radius = f.Angle = zero;
        return f;
    }
    TCreateFields arc(const std::string& text, const std::string& radius) {
        TCreateFields f = linear(text);
        f.Arc = true;
        f.Radius = radius;
        return f;
    }
    TCreateResult run(const TCreateFields& f) {
        return CreateCommand(g, ReadCreateFields(f, '.'), font, ttf);
    }
    bool toolpathsUntouched() const {
        return g.Toolpaths.size() == 2 && g.Toolpaths[1].Depth == 42;
    }

    TGlobals g; // the state every command of a test works on
    TMessageRecorder recorder;
    TFontChoice font;
    TTTFToVectorConverter ttf;
};

TEST_F(CreateCommandTest, StopsLeaveTheToolpathsAndReportTheirMessage) {
    struct Case {
        const char* name;
        TCreateFields fields;
        const char* message;
    };
    TCreateFields emptyCentre = arc("AB", "20");
    emptyCentre.OriginY = "";
    TCreateFields emptyRadius = arc("AB", "");
    TCreateFields zeroHeight = arc("AB", "20");
    zeroHeight.Height = "0";
    // Characters, not bytes: two-byte letters count once each.
    std::string longText;
    for (std::size_t i = 0; i <= MaxTextLength; ++i)
        longText += "\xC3\xA9";
    const std::string tooLong = "The text is too long: at most 100000 characters";
    const Case cases[] = {
        {"empty text", linear(""), "No Text to convert!"},
        {"too long a text", linear(std::string(MaxTextLength + 1, 'A')), tooLong.c_str()},
        {"too long a text of two-byte letters", linear(longText), tooLong.c_str()},
        {"arc with an empty centre", emptyCentre, ""},
        {"arc with an empty radius", emptyRadius, ""},
        {"arc with height 0", zeroHeight, ""},
        {"arc with radius 0", arc("AB", "0"), "Radius can not be 0!"},
    };
    for (const Case& c : cases) {
        SetUp();
        const TCreateResult r = run(c.fields);
        EXPECT_EQ(r.Outcome, TCreateOutcome::Stopped) << c.name;
        EXPECT_EQ(r.Message, c.message) << c.name;
        EXPECT_TRUE(toolpathsUntouched()) << c.name;
    }
    // Nothing was shown by the command itself: the front end decides.
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(CreateCommandTest, StopAfterTheResetLeavesOnlyThePlaceholder) {
    g.Contours.resize(5);
    run(arc("AB", "0"));
    EXPECT_EQ(g.Contours.size(), 1u);
    // The empty text stops before the reset.
    g.Contours.resize(5);
    run(linear(""));
    EXPECT_EQ(g.Contours.size(), 5u);
}

TEST_F(CreateCommandTest, RadiusTooSmallCompletesWithNothingPlaced) {
    const TCreateResult r = run(arc("WIDE", "1"));
    EXPECT_EQ(r.Outcome, TCreateOutcome::Done);
    EXPECT_EQ(r.Message, "Radius is too small");
    EXPECT_EQ(g.Contours.size(), 1u);
    EXPECT_EQ(g.Toolpaths.size(), 1u);
    EXPECT_TRUE(recorder.Messages.empty()); // returned, not shown
}

TEST_F(CreateCommandTest, ANonNumberEndsTheCommandWithTheConversionError) {
    for (const char* field : {"height", "width", "radius"}) {
        TCreateFields f = linear("AB");
        std::string& target = std::string(field) == "height"  ? f.Height
                              : std::string(field) == "width" ? f.Width
                                                              : f.Radius;
        target = "1-2";
        try {
            run(f);
            ADD_FAILURE() << field << " accepted";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "'1-2' is not a valid floating point value") << field;
        }
        EXPECT_TRUE(toolpathsUntouched()) << field;
    }
}

TEST_F(CreateCommandTest, LinearTextGetsOneToolpathPerContourAtTheDepth) {
    g.Params.Depth = 0.25;
    g.Params.StepDown = 0.25;
    const TCreateResult r = run(linear("AB"));
    ASSERT_EQ(r.Outcome, TCreateOutcome::Done);
    EXPECT_EQ(r.Message, "");
    EXPECT_EQ(g.RunFlag, RunFlagCreate);
    ASSERT_GT(g.Toolpaths.size(), 2u);
    for (std::size_t i = 1; i < g.Toolpaths.size(); ++i) {
        EXPECT_DOUBLE_EQ(g.Toolpaths[i].Depth, 0.25);
        EXPECT_FALSE(g.Toolpaths[i].Entities.empty());
    }
    for (const TVKRegionX& c : g.Contours)
        EXPECT_EQ(c.Pending, 1);
    // Height 10 from origin (0, 0): the capitals stand on the baseline, below 10 high.
    EXPECT_DOUBLE_EQ(g.ViewBox.MinY, 0);
    EXPECT_GT(g.ViewBox.MaxY, 5);
    EXPECT_LT(g.ViewBox.MaxY, 10);
    EXPECT_GT(g.ViewBox.MaxX, 10);
}

// V-carving replaces the toolpaths by carve paths within the letters, never deeper than the
// maximum; an outline Create afterwards drops them again. A bit angle out of range ends the
// command before the last Create's toolpaths are dropped.
TEST_F(CreateCommandTest, VCarveModeBuildsCarvePathsInsteadOfToolpaths) {
    g.Params.Engrave.Mode = TEngraveMode::VCarve;
    g.Params.Engrave.VBitAngle = 200;
    EXPECT_THROW(run(linear("AB")), EVCarveSetting);
    EXPECT_TRUE(toolpathsUntouched());

    g.Params.Engrave.VBitAngle = 90;
    g.Params.Engrave.VMaxDepth = 0.4;
    ASSERT_EQ(run(linear("AB")).Outcome, TCreateOutcome::Done);
    EXPECT_EQ(g.Toolpaths.size(), 1u);
    ASSERT_GT(g.CarvePaths.size(), 2u);
    double deepest = 0;
    for (const TCarvePath& p : g.CarvePaths)
        for (const TPoint3& v : p.Points) {
            deepest = std::max(deepest, v.depth);
            EXPECT_GE(v.x, g.ViewBox.MinX - g.Params.Engrave.VAccuracy);
            EXPECT_LE(v.x, g.ViewBox.MaxX + g.Params.Engrave.VAccuracy);
        }
    EXPECT_DOUBLE_EQ(deepest, 0.4); // strokes of a 10 high letter are wider than 0.8

    // Saved: DXF holds one LINE per piece; a classic program is refused, nothing written.
    std::size_t pieces = 0;
    for (const TCarvePath& p : g.CarvePaths)
        pieces += std::max<std::size_t>(p.Points.size() - 1, 1);
    TTempFile drawingFile("vcarve.Dxf");
    ASSERT_TRUE(SaveToolpaths(g, drawingFile.Path, TSaveFormat::DXF).Saved);
    const std::string drawing = ReadAll(drawingFile.Path);
    const std::regex line("\r?\n *0\r?\nLINE\r?\n");
    EXPECT_EQ(
        static_cast<std::size_t>(std::distance(
            std::sregex_iterator(drawing.begin(), drawing.end(), line), std::sregex_iterator())),
        pieces);
    TTempFile program("vcarve.Dnc");
    EXPECT_THROW(SaveToolpaths(g, program.Path, TSaveFormat::GCode, true), ECarveNeedsZMoves);
    EXPECT_FALSE(std::filesystem::exists(program.Path));

    g.Params.Engrave.Mode = TEngraveMode::Outline;
    ASSERT_EQ(run(linear("AB")).Outcome, TCreateOutcome::Done);
    EXPECT_TRUE(g.CarvePaths.empty());
    EXPECT_GT(g.Toolpaths.size(), 2u);
}

// The face that drew the text: its own for an installed or a stroke font, the stand-in for
// Stick40, fontconfig's choice for a name the machine lacks; nothing for a Create that
// stopped.
TEST_F(CreateCommandTest, TheResultNamesTheFaceThatDrewTheText) {
    EXPECT_EQ(run(linear("A")).FontFace, "DejaVu Sans");
    font.Name = "Hershey Script Simplex";
    EXPECT_EQ(run(linear("A")).FontFace, "Hershey Script Simplex");
    font.Name = "Stick40";
    EXPECT_EQ(run(linear("A")).FontFace, "Hershey Roman Simplex");
    font.Name = "Orlenta No Such Face";
    const TCreateResult substituted = run(linear("A"));
    ASSERT_EQ(substituted.Outcome, TCreateOutcome::Done);
    EXPECT_FALSE(substituted.FontFace.empty());
    EXPECT_NE(substituted.FontFace, font.Name);
    EXPECT_EQ(run(linear("")).FontFace, "");
}

TEST_F(CreateCommandTest, WidthSizesTheTextWhenGiven) {
    TCreateFields f = linear("HH", "0");
    f.Width = "50";
    f.OriginX = "100";
    f.Alignment = TAlignment::Right; // Right: the text ends near the origin
    run(f);
    EXPECT_NEAR(g.ViewBox.MaxX, 100, 5);
    EXPECT_GT(g.ViewBox.Width, 90);
}

TEST_F(CreateCommandTest, DepthZeroMakesNoToolpaths) {
    g.Params.Depth = 0;
    g.Params.StepDown = 0;
    EXPECT_EQ(run(linear("AB")).Outcome, TCreateOutcome::Done);
    EXPECT_GT(g.Contours.size(), 1u);
    EXPECT_EQ(g.Toolpaths.size(), 1u);
}

TEST_F(CreateCommandTest, TheViewIsFittedBeforeTheToolpathsAreBuilt) {
    int calls = 0;
    CreateCommand(g, ReadCreateFields(linear("AB"), '.'), font, ttf, [&](const TViewBox& box) {
        ++calls;
        EXPECT_DOUBLE_EQ(box.MaxX, g.ViewBox.MaxX);
        EXPECT_TRUE(toolpathsUntouched());
    });
    EXPECT_EQ(calls, 1);
}

TEST_F(CreateCommandTest, ArcTextIsPlacedAroundTheCentre) {
    TCreateFields f = arc("ABC", "50");
    f.OriginX = "100";
    f.OriginY = "-20";
    f.Angle = ""; // empty angle: 0, the top of the circle
    ASSERT_EQ(run(f).Outcome, TCreateOutcome::Done);
    const TViewBox& b = g.ViewBox;
    // Around the top of the circle at (100, 30); the box also holds (0, 0).
    EXPECT_GT(b.MaxY, 30);
    EXPECT_LT(b.MaxY, 45);
    EXPECT_GT(b.MaxX, 100);
    EXPECT_GT(g.Toolpaths.size(), 3u);
}

TEST_F(CreateCommandTest, HugeSizesRaiseInsteadOfReachingTheToolpaths) {
    EXPECT_THROW(run(linear("AB", "1e308")), OrlentaError);
    TCreateFields f = linear("AB");
    f.OriginX = "1.79e308";
    f.Width = "1e308";
    EXPECT_THROW(run(f), OrlentaError);
    EXPECT_TRUE(toolpathsUntouched());
}

TEST_F(CreateCommandTest, ACreateStartedWhileOneRunsIsIgnored) {
    int inner = 0;
    TCreateOutcome innerOutcome = TCreateOutcome::Done;
    const MessagePumpHook previous = SetMessagePumpHook([&] {
        if (inner++ == 0)
            innerOutcome = run(linear("XYZ")).Outcome;
    });
    const TCreateResult r = run(linear("AB"));
    SetMessagePumpHook(previous);
    EXPECT_GT(inner, 0);
    EXPECT_EQ(innerOutcome, TCreateOutcome::Ignored);
    EXPECT_EQ(r.Outcome, TCreateOutcome::Done);
    EXPECT_FALSE(CreateRunning());

    // The outer Create's result is what a lone Create of "AB" gives.
    const std::size_t count = g.Toolpaths.size();
    run(linear("AB"));
    EXPECT_EQ(g.Toolpaths.size(), count);
}

TEST_F(CreateCommandTest, SavedGCodeFollowsTheToolpathsCreateBuilt) {
    g.Params.Decimal = 4;
    g.Params.Start = 10;
    g.Params.Increment = 10;
    run(linear("Ob"));
    for (std::size_t i = 1; i < g.Toolpaths.size(); ++i)
        ASSERT_LE(g.Toolpaths[i].RapidStart, 1);
    TTempFile file("create.Dnc");
    g.Params.RoughFeed = 100;
    g.Params.RoughPlunge = 50;
    g.Params.RapidHeight = 2;
    ASSERT_TRUE(SaveToolpaths(g, file.Path, TSaveFormat::GCode).Saved);
    const std::string program = ReadAll(file.Path);
    ExpectSameMoves(ReadGCodeMoves(program), ExpectedMoves(g.Toolpaths), 0.00006);
    EXPECT_EQ(program.rfind("G90 T0 F", 0), 0u);
    EXPECT_NE(program.find("\r\nN10 G00 Z"), std::string::npos);
}

TEST_F(CreateCommandTest, SavedDXFHoldsOneLinePerSegment) {
    run(linear("Ob"));
    std::size_t segments = 0;
    for (std::size_t i = 1; i < g.Toolpaths.size(); ++i)
        segments += g.Toolpaths[i].Entities.size();
    TTempFile file("create.Dxf");
    ASSERT_TRUE(SaveToolpaths(g, file.Path, TSaveFormat::DXF).Saved);
    const std::string drawing = ReadAll(file.Path);
    const std::regex line("\r?\n *0\r?\nLINE\r?\n");
    const auto count = std::distance(std::sregex_iterator(drawing.begin(), drawing.end(), line),
                                     std::sregex_iterator());
    EXPECT_EQ(static_cast<std::size_t>(count), segments);
    EXPECT_NE(drawing.find("EOF"), std::string::npos);
}

} // namespace

namespace {

TMachiningParameters SaneParameters() {
    TMachiningParameters p;
    p.Depth = p.StepDown = 0.2;
    p.RapidHeight = 3;
    p.RoughFeed = 300;
    p.RoughPlunge = 100;
    p.Precision = 8;
    p.Decimal = 3;
    p.Start = 10;
    p.Increment = 10;
    return p;
}

// The walk from Create to the file passes the state along: two states with their own
// parameters and texts build and save their own programs, and the process-wide state is
// not touched.
TEST_F(CreateCommandTest, TwoStatesDoNotInterfere) {
    ResetGlobals();
    TGlobals other;
    SetStartupValues(other);
    g.Params = SaneParameters();
    g.Params.Depth = 0.25;
    g.Params.Decimal = 4;
    other.Params = SaneParameters();
    other.Params.Depth = 0.5;
    other.Params.Decimal = 2;
    other.Params.Start = 1000;

    TCreateNumbers big;
    big.Text = "Ob";
    big.Height = 20;
    ASSERT_EQ(run(linear("AB")).Outcome, TCreateOutcome::Done);
    ASSERT_EQ(CreateCommand(other, big, font, ttf).Outcome, TCreateOutcome::Done);
    EXPECT_LT(g.ViewBox.MaxY, 10);
    EXPECT_GT(other.ViewBox.MaxY, 10);

    TTempFile first("first.Dnc");
    TTempFile second("second.Dnc");
    ASSERT_TRUE(SaveToolpaths(g, first.Path, TSaveFormat::GCode).Saved);
    ASSERT_TRUE(SaveToolpaths(other, second.Path, TSaveFormat::GCode).Saved);
    for (const auto& [state, file, depthWord, firstLine] :
         {std::tuple{&g, &first, "Z-0.2500 ", "\r\nN10 G00 Z3.0000"},
          std::tuple{&other, &second, "Z-0.50 ", "\r\nN1000 G00 Z3.00"}}) {
        const std::string program = ReadAll(file->Path);
        ExpectSameMoves(ReadGCodeMoves(program), ExpectedMoves(state->Toolpaths), 0.006);
        EXPECT_NE(program.find(depthWord), std::string::npos) << depthWord;
        EXPECT_NE(program.find(firstLine), std::string::npos) << firstLine;
    }
    EXPECT_EQ(Globals().Toolpaths.size(), 1u);
    EXPECT_EQ(Globals().Contours.size(), 1u);
    EXPECT_EQ(Globals().RunFlag, 0);
}

// A Save handled while the toolpath builder hands control to the message loop writes the
// toolpaths built so far and stops the build there.
TEST_F(CreateCommandTest, ASaveDuringTheBuildWritesWhatIsBuiltSoFar) {
    g.Params = SaneParameters();
    TTempFile file("pump.Dnc");
    std::size_t savedCount = 0;
    const MessagePumpHook previous = SetMessagePumpHook([&] {
        // More than the sentinel's two: the toolpath builder is under way.
        if (savedCount == 0 && g.RunFlag == RunFlagCreate && g.Toolpaths.size() > 3) {
            savedCount = g.Toolpaths.size();
            EXPECT_TRUE(SaveToolpaths(g, file.Path, TSaveFormat::GCode).Saved);
        }
    });
    run(linear("ABCDEFGH"));
    SetMessagePumpHook(previous);
    ASSERT_GT(savedCount, 0u);
    EXPECT_EQ(g.Toolpaths.size(), savedCount);
    ExpectSameMoves(ReadGCodeMoves(ReadAll(file.Path)), ExpectedMoves(g.Toolpaths), 0.0006);

    TGlobals whole;
    whole.Params = SaneParameters();
    CreateCommand(whole, ReadCreateFields(linear("ABCDEFGH"), '.'), font, ttf);
    EXPECT_GT(whole.Toolpaths.size(), savedCount);
}

// One toolpath (rapid start, two strokes): its program numbers 7 lines.
TOutRegionArray OneToolpath() {
    TVKOutRegion t;
    t.RapidStart = 1;
    t.Entities = {TMyEntity{0, 0, 0, 5, 0}, TMyEntity{5, 0, 0, 5, 5}};
    return {TVKOutRegion{}, t};
}

struct TCheckCase {
    const char* Name;
    std::function<void(TMachiningParameters&)> Edit;
    TOutRegionArray Toolpaths;
    TSaveFormat Format;
    std::vector<std::string> Problems;
};

TEST(CheckBeforeSave, NamesEveryProblemOfTheFileAboutToBeWritten) {
    const std::string noToolpaths = "There are no toolpaths: the file would cut nothing";
    const std::string notIntoTheWork = ": the tool would not cut into the work";
    const std::string noFeed = ": a controller refuses cutting moves without a feed rate";
    const std::string noPlunge = ": a controller refuses plunges without a feed rate";
    const std::string noClearance = ": rapid moves would run at or below the work surface";
    const auto startup = [](TMachiningParameters& p) {
        TGlobals fresh;
        SetStartupValues(fresh);
        p = fresh.Params;
    };
    TVKOutRegion emptyPath;
    emptyPath.RapidStart = 1;
    const TCheckCase cases[] = {
        {"sane", {}, OneToolpath(), TSaveFormat::GCode, {}},
        {"the start-up values",
         startup,
         OneToolpath(),
         TSaveFormat::GCode,
         {"Depth 0.5 is written as 0 (Decimal 0)" + notIntoTheWork, "RoughFeed is 0" + noFeed,
          "RoughPlunge is 0" + noPlunge, "RapidHeight is 0" + noClearance}},
        {"a depth the decimals round away",
         [](TMachiningParameters& p) { p.Depth = 0.0004; },
         OneToolpath(),
         TSaveFormat::GCode,
         {"Depth 0.0004 is written as 0.000 (Decimal 3)" + notIntoTheWork}},
        {"a depth the decimals keep, a plunge rate rounding up",
         [](TMachiningParameters& p) {
             p.Depth = 0.0006;
             p.RoughPlunge = 0.05;
         },
         OneToolpath(),
         TSaveFormat::GCode,
         {}},
        // The machine-ready writers raise the decimals (4 in inches); the check sees what
        // they write, not what the classic writer would.
        {"grbl writes a depth that Decimal 0 alone would round away",
         [](TMachiningParameters& p) {
             p.Machine.Dialect = TDialect::Grbl;
             p.Decimal = 0;
             p.Depth = 0.5;
         },
         OneToolpath(),
         TSaveFormat::GCode,
         {}},
        {"linuxcnc in inches keeps a fourth decimal",
         [](TMachiningParameters& p) {
             p.Machine.Dialect = TDialect::LinuxCnc;
             p.Machine.Units = TUnits::Inch;
             p.Depth = 0.0004;
         },
         OneToolpath(),
         TSaveFormat::GCode,
         {}},
        {"decimals beyond what is written",
         [](TMachiningParameters& p) {
             p.Decimal = 25;
             p.Depth = 1e-21;
         },
         OneToolpath(),
         TSaveFormat::GCode,
         {"Depth 1e-21 is written as 0.00000000000000000000 (Decimal 20)" + notIntoTheWork}},
        {"negative values",
         [](TMachiningParameters& p) {
             p.Depth = -0.2;
             p.RoughFeed = 0.04;
             p.RapidHeight = -1;
         },
         OneToolpath(),
         TSaveFormat::GCode,
         {"Depth -0.2 is negative" + notIntoTheWork, "RoughFeed 0.04 is written as 0.0" + noFeed,
          "RapidHeight -1 is negative" + noClearance}},
        {"last line number at the limit",
         [](TMachiningParameters& p) { p.Start = 9'999'940; },
         OneToolpath(),
         TSaveFormat::GCode,
         {}},
        {"last line number past the limit",
         [](TMachiningParameters& p) { p.Start = 9'999'950; },
         OneToolpath(),
         TSaveFormat::GCode,
         {"Line numbers would reach 10000010 (Start 9999950, Increment 10, 7 lines): common "
          "controllers accept at most 10000000"}},
        {"no toolpaths", {}, {TVKOutRegion{}}, TSaveFormat::GCode, {noToolpaths}},
        {"a toolpath without strokes",
         {},
         {TVKOutRegion{}, emptyPath},
         TSaveFormat::GCode,
         {noToolpaths}},
        {"a drawing ignores the machining parameters",
         startup,
         OneToolpath(),
         TSaveFormat::DXF,
         {}},
        {"a drawing without toolpaths", startup, {TVKOutRegion{}}, TSaveFormat::DXF, {noToolpaths}},
    };
    const TTempFile file("check.out");
    for (const TCheckCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGlobals state;
        state.Params = SaneParameters();
        if (c.Edit)
            c.Edit(state.Params);
        state.Toolpaths = c.Toolpaths;
        EXPECT_EQ(CheckBeforeSave(state, c.Format), c.Problems);

        // The save path refuses what the check finds, unless forced; either way it stops a
        // running build first.
        state.RunFlag = RunFlagCreate;
        const TSaveResult refused = SaveToolpaths(state, file.Path, c.Format);
        EXPECT_EQ(state.RunFlag, 0);
        EXPECT_EQ(refused.Saved, c.Problems.empty());
        EXPECT_EQ(refused.Problems, c.Problems);
        EXPECT_EQ(std::filesystem::exists(file.Path), c.Problems.empty());
        EXPECT_TRUE(SaveToolpaths(state, file.Path, c.Format, true).Saved);
        EXPECT_TRUE(std::filesystem::exists(file.Path));
        std::filesystem::remove(file.Path);
    }
}

// Where the save writes V-carve paths, the maximum depth is the depth that must reach into
// the work (Depth is not used), and having no V-carve path is the empty file; a save of
// outline toolpaths keeps the outline checks whatever the mode says.
TEST(CheckBeforeSave, VCarvePathsAreCheckedByTheirMaximumDepth) {
    const std::string notIntoTheWork = ": the tool would not cut into the work";
    const std::string noCarvePaths = "There are no V-carve paths: the file would cut nothing";
    TCarvePath path;
    path.Points = {{0, 0, 0.2}, {5, 0, 0.4}, {5, 5, 0.1}};
    const TCarvePathArray onePath{path};
    const struct {
        const char* Name;
        std::function<void(TMachiningParameters&)> Edit;
        TOutRegionArray Toolpaths;
        TCarvePathArray CarvePaths;
        TSaveFormat Format;
        std::vector<std::string> Problems;
    } cases[] = {
        {"Depth 0 does not matter", {}, {TVKOutRegion{}}, onePath, TSaveFormat::GCode, {}},
        {"a maximum depth the decimals round away",
         [](TMachiningParameters& p) { p.Engrave.VMaxDepth = 0.0004; },
         {TVKOutRegion{}},
         onePath,
         TSaveFormat::GCode,
         {"VMaxDepth 0.0004 is written as 0.000 (Decimal 3)" + notIntoTheWork}},
        {"linuxcnc in inches keeps a fourth decimal",
         [](TMachiningParameters& p) {
             p.Machine.Dialect = TDialect::LinuxCnc;
             p.Machine.Units = TUnits::Inch;
             p.Engrave.VMaxDepth = 0.0004;
         },
         {TVKOutRegion{}},
         onePath,
         TSaveFormat::GCode,
         {}},
        {"a maximum depth of 0",
         [](TMachiningParameters& p) { p.Engrave.VMaxDepth = 0; },
         {TVKOutRegion{}},
         onePath,
         TSaveFormat::GCode,
         {"VMaxDepth is 0" + notIntoTheWork}},
        {"V-carve mode, nothing carved",
         {},
         {TVKOutRegion{}},
         {},
         TSaveFormat::GCode,
         {noCarvePaths}},
        {"a drawing without V-carve paths",
         {},
         {TVKOutRegion{}},
         {},
         TSaveFormat::DXF,
         {noCarvePaths}},
        {"outline toolpaths made before the switch to V-carving",
         [](TMachiningParameters& p) { p.Engrave.VMaxDepth = 0; },
         OneToolpath(),
         {},
         TSaveFormat::GCode,
         {"Depth is 0" + notIntoTheWork}},
    };
    const TTempFile file("carve-check.out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TGlobals state;
        state.Params = SaneParameters();
        state.Params.Machine.Dialect = TDialect::Grbl;
        state.Params.Engrave.Mode = TEngraveMode::VCarve;
        state.Params.Depth = 0;
        if (c.Edit)
            c.Edit(state.Params);
        state.Toolpaths = c.Toolpaths;
        state.CarvePaths = c.CarvePaths;
        EXPECT_EQ(CheckBeforeSave(state, c.Format), c.Problems);
        const TSaveResult saved = SaveToolpaths(state, file.Path, c.Format);
        EXPECT_EQ(saved.Saved, c.Problems.empty());
        EXPECT_EQ(std::filesystem::exists(file.Path), c.Problems.empty());
        std::filesystem::remove(file.Path);
    }
}

// The parameter file shipped with the program passes the check on a real text.
TEST_F(CreateCommandTest, TheShippedParametersPassTheCheck) {
    ASSERT_TRUE(LoadParameters(g.Params, SHIPPED_PARAMETERS_FILE));
    ASSERT_EQ(run(linear("ACME Ltd")).Outcome, TCreateOutcome::Done);
    EXPECT_EQ(CheckBeforeSave(g, TSaveFormat::GCode), std::vector<std::string>{});
    EXPECT_EQ(g.Params.Decimal, 3);
}

} // namespace
