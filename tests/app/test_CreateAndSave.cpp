// Create and Save as G-code in one pass against the two commands run one after the other:
// the same file bytes, the same notes, problems and failures, and the state the command
// line reads afterwards.
#include "tests/app/AppTestSupport.h"

#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "glyph/UTTF2Vct.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

// Everything a front end can see of one job.
struct TOutcome {
    TCreateOutcome Outcome = TCreateOutcome::Done;
    std::string Message;
    std::u32string Missing;
    std::string CreateError; // what() of a failure of the Create step
    bool Saved = false;
    std::vector<std::string> Problems;
    std::string SaveError;
    std::optional<std::string> File; // the target's bytes afterwards, if it exists
    TViewBox Box;
    std::int32_t Increment = 0;
    std::int32_t RunFlag = 0;
};

struct TJob {
    std::string Name;
    std::string Text;
    std::string Font = "DejaVu Sans";
    std::function<void(TCreateNumbers&, TTextStyle&, TMachiningParameters&)> Change = {};
    bool Force = false;
};

void PrintTo(const TJob& job, std::ostream* os) {
    *os << job.Name;
}

std::string whatOf(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& x) {
        return x.what();
    }
}

class CreateAndSaveTest : public ::testing::TestWithParam<TJob> {
  protected:
    // Runs the job on a fresh state; target holds "old" beforehand unless it is elsewhere.
    TOutcome run(bool oneStep, const fs::path& target) {
        const TJob& job = GetParam();
        TGlobals g;
        SetStartupValues(g);
        g.Params.Depth = 0.2;
        g.Params.RapidHeight = 2;
        g.Params.RoughFeed = 600;
        g.Params.RoughPlunge = 100;
        g.Params.Precision = 30;
        g.Params.Decimal = 4;
        g.Params.Start = 100;
        g.Params.Increment = 5;
        StepDownFollowsDepth(g.Params);
        TCreateNumbers n;
        n.Text = job.Text;
        n.Height = 5;
        TTextStyle style;
        if (job.Change)
            job.Change(n, style, g.Params);
        const TFontChoice font{job.Font, false, false};
        if (fs::exists(target.parent_path()))
            std::ofstream(target, std::ios::binary) << "old";
        TTTFToVectorConverter ttf;
        TOutcome o;
        try {
            if (oneStep) {
                const TCreateSaveResult r =
                    CreateAndSaveGCode(g, n, font, ttf, style, target, job.Force);
                o.Outcome = r.Created.Outcome;
                o.Message = r.Created.Message;
                o.Missing = r.Created.MissingCharacters;
                o.Saved = r.Saved.Saved;
                o.Problems = r.Saved.Problems;
                if (r.SaveError)
                    o.SaveError = whatOf(r.SaveError);
            } else {
                const TCreateResult c =
                    CreateCommand(g, n, font, ttf, {}, style, TContourUse::ToolpathsOnly);
                o.Outcome = c.Outcome;
                o.Message = c.Message;
                o.Missing = c.MissingCharacters;
                if (c.Outcome == TCreateOutcome::Done && c.Message.empty()) {
                    try {
                        const TSaveResult s =
                            SaveToolpaths(g, target, TSaveFormat::GCode, job.Force);
                        o.Saved = s.Saved;
                        o.Problems = s.Problems;
                    } catch (const std::exception& e) {
                        o.SaveError = e.what();
                    }
                }
            }
        } catch (const std::exception& e) {
            o.CreateError = e.what();
        }
        if (fs::exists(target))
            o.File = ReadAll(target);
        o.Box = g.ViewBox;
        o.Increment = g.Params.Increment;
        o.RunFlag = g.RunFlag;
        return o;
    }

    void expectSame(const fs::path& twoStepTarget, const fs::path& oneStepTarget) {
        const TOutcome a = run(false, twoStepTarget);
        const TOutcome b = run(true, oneStepTarget);
        EXPECT_EQ(b.Outcome, a.Outcome);
        EXPECT_EQ(b.Message, a.Message);
        EXPECT_TRUE(b.Missing == a.Missing);
        EXPECT_EQ(b.CreateError, a.CreateError);
        EXPECT_EQ(b.Saved, a.Saved);
        EXPECT_EQ(b.Problems, a.Problems);
        EXPECT_EQ(b.SaveError, a.SaveError);
        ASSERT_EQ(b.File.has_value(), a.File.has_value());
        if (a.File) {
            EXPECT_EQ(b.File->size(), a.File->size());
            EXPECT_TRUE(*b.File == *a.File) << "the programs differ";
        }
        EXPECT_EQ(b.Box.MinX, a.Box.MinX);
        EXPECT_EQ(b.Box.MaxX, a.Box.MaxX);
        EXPECT_EQ(b.Box.MinY, a.Box.MinY);
        EXPECT_EQ(b.Box.MaxY, a.Box.MaxY);
        EXPECT_EQ(b.Increment, a.Increment);
        EXPECT_EQ(b.RunFlag, a.RunFlag);
    }
};

TEST_P(CreateAndSaveTest, GivesWhatCreateThenSaveGives) {
    TTempFile a("two_step.Dnc"), b("one_step.Dnc");
    expectSame(a.Path, b.Path);
}

TEST_P(CreateAndSaveTest, FailsAsCreateThenSaveFailsForAMissingFolder) {
    TTempFile folder("no_such_folder");
    expectSame(folder.Path / "two_step.Dnc", folder.Path / "one_step.Dnc");
}

const TJob Jobs[] = {
    {"Outlines", "Orlenta 0123 ACME Pump Valve"},
    {"StrokeFontFromTheNearerEnd", "Hello, stroke world 42", "Hershey Roman Simplex"},
    {"SpacingAlignmentAndOrigin", "Wide  text", "DejaVu Sans",
     [](TCreateNumbers& n, TTextStyle& s, TMachiningParameters&) {
         s.Spacing = {0.1, 0.3};
         n.Alignment = TAlignment::Right;
         n.OriginX = 12.5;
         n.OriginY = -3;
         n.Width = 40;
     }},
    {"HighPrecisionAndIncrementZero", "Ogee@&", "DejaVu Sans",
     [](TCreateNumbers&, TTextStyle&, TMachiningParameters& p) {
         p.Precision = 100;
         p.Increment = 0;
     }},
    {"MissingGlyphs", "A\u4e2dB"},
    {"OnlySpacesCutNothing", "   "},
    {"EmptyTextStops", ""},
    {"DepthZeroIsNotSaved", "Depth", "DejaVu Sans",
     [](TCreateNumbers&, TTextStyle&, TMachiningParameters& p) {
         p.Depth = 0;
         StepDownFollowsDepth(p);
     }},
    {"LineNumbersPastTheLimit", "Numbers", "DejaVu Sans",
     [](TCreateNumbers&, TTextStyle&, TMachiningParameters& p) { p.Start = 9'999'000; }},
    {"LineNumbersPastTheLimitForced", "Numbers", "DejaVu Sans",
     [](TCreateNumbers&, TTextStyle&, TMachiningParameters& p) { p.Start = 9'999'000; }, true},
    {"HugeHeightOverflows", "Big", "DejaVu Sans",
     [](TCreateNumbers& n, TTextStyle&, TMachiningParameters&) { n.Height = 1e307; }},
    {"ArcRunsBothCommands", "Round", "DejaVu Sans",
     [](TCreateNumbers& n, TTextStyle&, TMachiningParameters&) {
         n.Arc = true;
         n.Radius = 30;
     }},
    {"SeveralLinesRunBothCommands", "Two\nlines"},
    {"ShapedRunsBothCommands", "AV Wa", "DejaVu Sans",
     [](TCreateNumbers&, TTextStyle& s, TMachiningParameters&) { s.Shape = true; }},
    {"MachineDialectRunsBothCommands", "grbl", "DejaVu Sans",
     [](TCreateNumbers&, TTextStyle&, TMachiningParameters& p) {
         p.Machine.Dialect = TDialect::Grbl;
     }},
};

INSTANTIATE_TEST_SUITE_P(Jobs, CreateAndSaveTest, ::testing::ValuesIn(Jobs),
                         [](const auto& info) { return info.param.Name; });

} // namespace
