// The Create command and the save helpers without a window: every stop, every message,
// the state each leaves behind, and the saved files read back against the toolpaths.
#include "tests/app/AppTestSupport.h"

#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/Errors.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

class CreateCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGlobals();
        // A sentinel: the stops must leave the toolpaths of the previous Create alone.
        Globals().Toolpaths.resize(2);
        Globals().Toolpaths[1].Depth = 42;
        font.Name = "DejaVu Sans";
    }

    TCreateFields linear(const std::string& text, const std::string& height = "10") {
        TCreateFields f;
        f.Text = text;
        f.Height = height;
        f.Width = "0";
        f.OriginX = "0";
        f.OriginY = "0";
        f.Radius = "0";
        f.Angle = "0";
        return f;
    }
    TCreateFields arc(const std::string& text, const std::string& radius) {
        TCreateFields f = linear(text);
        f.Arc = true;
        f.Radius = radius;
        return f;
    }
    TCreateResult run(const TCreateFields& f) { return CreateCommand(f, font, ttf); }
    bool toolpathsUntouched() const {
        return Globals().Toolpaths.size() == 2 && Globals().Toolpaths[1].Depth == 42;
    }

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
    Globals().Contours.resize(5);
    run(arc("AB", "0"));
    EXPECT_EQ(Globals().Contours.size(), 1u);
    // The empty text stops before the reset.
    Globals().Contours.resize(5);
    run(linear(""));
    EXPECT_EQ(Globals().Contours.size(), 5u);
}

TEST_F(CreateCommandTest, RadiusTooSmallCompletesWithNothingPlaced) {
    const TCreateResult r = run(arc("WIDE", "1"));
    EXPECT_EQ(r.Outcome, TCreateOutcome::Done);
    EXPECT_EQ(r.Message, "Radius is too small");
    EXPECT_EQ(Globals().Contours.size(), 1u);
    EXPECT_EQ(Globals().Toolpaths.size(), 1u);
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
    Globals().Params.Depth = 0.25;
    Globals().Params.StepDown = 0.25;
    const TCreateResult r = run(linear("AB"));
    ASSERT_EQ(r.Outcome, TCreateOutcome::Done);
    EXPECT_EQ(r.Message, "");
    const TGlobals& g = Globals();
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

TEST_F(CreateCommandTest, WidthSizesTheTextWhenGiven) {
    TCreateFields f = linear("HH", "0");
    f.Width = "50";
    f.OriginX = "100";
    f.Alignment = 2; // Right: the text ends near the origin
    run(f);
    EXPECT_NEAR(Globals().ViewBox.MaxX, 100, 5);
    EXPECT_GT(Globals().ViewBox.Width, 90);
}

TEST_F(CreateCommandTest, DepthZeroMakesNoToolpaths) {
    Globals().Params.Depth = 0;
    Globals().Params.StepDown = 0;
    EXPECT_EQ(run(linear("AB")).Outcome, TCreateOutcome::Done);
    EXPECT_GT(Globals().Contours.size(), 1u);
    EXPECT_EQ(Globals().Toolpaths.size(), 1u);
}

TEST_F(CreateCommandTest, TheViewIsFittedBeforeTheToolpathsAreBuilt) {
    int calls = 0;
    CreateCommand(linear("AB"), font, ttf, [&](const TViewBox& box) {
        ++calls;
        EXPECT_DOUBLE_EQ(box.MaxX, Globals().ViewBox.MaxX);
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
    const TViewBox& b = Globals().ViewBox;
    // Around the top of the circle at (100, 30); the box also holds (0, 0).
    EXPECT_GT(b.MaxY, 30);
    EXPECT_LT(b.MaxY, 45);
    EXPECT_GT(b.MaxX, 100);
    EXPECT_GT(Globals().Toolpaths.size(), 3u);
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
            innerOutcome = CreateCommand(linear("XYZ"), font, ttf).Outcome;
    });
    const TCreateResult r = run(linear("AB"));
    SetMessagePumpHook(previous);
    EXPECT_GT(inner, 0);
    EXPECT_EQ(innerOutcome, TCreateOutcome::Ignored);
    EXPECT_EQ(r.Outcome, TCreateOutcome::Done);
    EXPECT_FALSE(CreateRunning());

    // The outer Create's result is what a lone Create of "AB" gives.
    const std::size_t count = Globals().Toolpaths.size();
    run(linear("AB"));
    EXPECT_EQ(Globals().Toolpaths.size(), count);
}

TEST_F(CreateCommandTest, SavedGCodeFollowsTheToolpathsCreateBuilt) {
    Globals().Params.Decimal = 4;
    Globals().Params.Start = 10;
    Globals().Params.Increment = 10;
    run(linear("Ob"));
    for (std::size_t i = 1; i < Globals().Toolpaths.size(); ++i)
        ASSERT_LE(Globals().Toolpaths[i].RapidStart, 1);
    TTempFile file("create.Dnc");
    SaveToolpathsAsGCode(file.Path.string());
    const std::string program = ReadAll(file.Path);
    ExpectSameMoves(ReadGCodeMoves(program), ExpectedMoves(Globals().Toolpaths), 0.00006);
    EXPECT_EQ(program.rfind("G90 T0 F", 0), 0u);
    EXPECT_NE(program.find("\r\nN10 G00 Z"), std::string::npos);
}

TEST_F(CreateCommandTest, SavedDXFHoldsOneLinePerSegment) {
    run(linear("Ob"));
    std::size_t segments = 0;
    for (std::size_t i = 1; i < Globals().Toolpaths.size(); ++i)
        segments += Globals().Toolpaths[i].Entities.size();
    TTempFile file("create.Dxf");
    SaveToolpathsAsDXF(file.Path.string());
    const std::string drawing = ReadAll(file.Path);
    const std::regex line("\r?\n *0\r?\nLINE\r?\n");
    const auto count = std::distance(std::sregex_iterator(drawing.begin(), drawing.end(), line),
                                     std::sregex_iterator());
    EXPECT_EQ(static_cast<std::size_t>(count), segments);
    EXPECT_NE(drawing.find("EOF"), std::string::npos);
}

} // namespace
