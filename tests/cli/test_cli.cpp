// The built orlenta-cli against the desktop program's own Create and Save run in this
// process: same bytes for the same inputs, the window's messages as errors, no file left
// behind by a failure, and batches of many jobs.
#include "tests/cli/CliTestSupport.h"
#include "tests/support/OrdinaryUser.h"

#include "app/command/CreateCommand.h"
#include "app/command/FieldNumbers.h"
#include "app/command/SaveCommands.h"
#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "glyph/UTTF2Vct.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <locale>
#include <regex>
#include <sstream>

using namespace orlenta;

using namespace clitest;

namespace {

constexpr const char* ShopParameters = "[Parameters]\n"
                                       "Depth=0.3\n"
                                       "RapidHeight=2\n"
                                       "RoughFeed=300\n"
                                       "RoughPlunge=100\n"
                                       "Precision=12\n"
                                       "Decimal=3\n"
                                       "Start=10\n"
                                       "Increment=10\n";

// Field texts are typed with a full stop here; the window reads the user's separator.
std::string field(std::string text) {
    std::replace(text.begin(), text.end(), '.', UserDecimalSeparator());
    return text;
}

// What the desktop program saves for these fields after loading cfg.
std::string DesktopOutput(TCreateFields fields, const TFontChoice& font, const fs::path& cfg,
                          const fs::path& file,
                          const std::function<void(TMachiningParameters&)>& edit = {}) {
    for (std::string* f : {&fields.Height, &fields.Width, &fields.OriginX, &fields.OriginY,
                           &fields.Radius, &fields.Angle})
        *f = field(*f);
    TGlobals g;
    SetStartupValues(g);
    EXPECT_TRUE(LoadParameters(g.Params, cfg));
    if (edit)
        edit(g.Params);
    TTTFToVectorConverter ttf;
    const TCreateResult result = CreateCommand(g, ReadCreateFields(fields), font, ttf);
    EXPECT_EQ(result.Outcome, TCreateOutcome::Done);
    EXPECT_GT(g.Toolpaths.size(), 1u);
    const TSaveFormat format = file.extension() == ".Dxf" ? TSaveFormat::DXF : TSaveFormat::GCode;
    EXPECT_TRUE(SaveToolpaths(g, file, format).Saved);
    const std::string bytes = ReadBytes(file);
    fs::remove(file);
    return bytes;
}

class Cli : public TScratchDir {
  protected:
    void SetUp() override {
        TScratchDir::SetUp();
        Cfg = Dir / "shop.cfg";
        WriteBytes(Cfg, ShopParameters);
    }

    // Runs the binary with the shop's parameters.
    TRun Run(std::vector<std::string> args, const std::map<std::string, std::string>& env = {}) {
        args.insert(args.end(), {"--params", Cfg.string()});
        return RunCli(Dir, args, env);
    }

    // The files a run left, apart from the parameter file and the batch file.
    std::vector<std::string> Outputs() const {
        std::vector<std::string> names = Files();
        std::erase_if(names,
                      [](const std::string& n) { return n == "shop.cfg" || n == "jobs.txt"; });
        return names;
    }

    fs::path Cfg;
};

struct TSameJob {
    const char* Name;
    std::vector<std::string> Args;
    TCreateFields Fields;
    TFontChoice Font;
};

const std::vector<TSameJob> SameJobs = {
    {"linear",
     {"Orlenta 42", "--font", "Arial", "--bold=no", "--height", "5", "-x", "10", "-y", "-3.5",
      "--align", "cent"},
     {"Orlenta 42", "5", "0", "10", "-3.5", "0", "0", false, TAlignment::Cent},
     {"Arial", false, false}},
    {"linear by width",
     {"Plate", "--font", "DejaVu Sans", "--italic", "--width", "80", "--align", "right", "-x",
      "100"},
     {"Plate", "0", "80", "100", "0", "0", "0", false, TAlignment::Right},
     {"DejaVu Sans", false, true}},
    {"arc",
     {"SERIAL 0042", "--arc", "--radius", "30", "--height", "4", "--angle", "-40.5", "--align",
      "right", "--bold", "--font", "Arial", "-x", "5", "-y", "5"},
     {"SERIAL 0042", "4", "0", "5", "5", "30", "-40.5", true, TAlignment::Right},
     {"Arial", true, false}},
};

TEST_F(Cli, LinearAndArcJobsSaveTheDesktopBytes) {
    for (const TSameJob& job : SameJobs)
        for (const char* name : {"out.Dnc", "out.Dxf"}) {
            SCOPED_TRACE(std::string(job.Name) + " " + name);
            std::vector<std::string> args = job.Args;
            args.insert(args.end(), {"-o", name});
            const TRun run = Run(args);
            ASSERT_EQ(run.Status, 0) << run.Err;
            EXPECT_EQ(run.Err, "");
            const std::string cli = ReadBytes(Dir / name);
            EXPECT_EQ(cli, DesktopOutput(job.Fields, job.Font, Cfg,
                                         Dir / ("desktop-" + std::string(name))));
            fs::remove(Dir / name);
        }
}

// The characters the font lacks are named once each on standard error (not the space or
// the tab); the file is the one the window saves.
TEST_F(Cli, WarnsOfCharactersTheFontLacksAndSavesAsTheWindowDoes) {
    const std::string text = "A\u0436\u4e2d \u2603\t\u4e2dB";
    const TRun run = Run({text, "--font", "Arial", "--height", "5", "-o", "out.Dnc"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err,
              "orlenta-cli: warning: the font \"Arial\" has no glyph for: \u4e2d, \u2603\n");
    EXPECT_EQ(ReadBytes(Dir / "out.Dnc"),
              DesktopOutput({text, "5", "0", "0", "0", "0", "0", false, TAlignment::Left},
                            {"Arial", false, false}, Cfg, Dir / "desktop.Dnc"));
}

TEST_F(Cli, ParameterOptionsReplaceThoseOfTheFile) {
    const TRun run = Run({"Pump 3", "--font",         "Arial", "--height",   "6",       "--depth",
                          "0.25",   "--rapid-height", "1.5",   "--feed",     "120.5",   "--plunge",
                          "60",     "--precision",    "20",    "--decimals", "2",       "--start",
                          "1",      "--increment",    "1",     "-o",         "pump.Dnc"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string expected = DesktopOutput(
        {"Pump 3", "6", "0", "0", "0", "0", "0", false, TAlignment::Left}, {"Arial", false, false},
        Cfg, Dir / "desktop.Dnc", [](TMachiningParameters& p) {
            p.Depth = p.StepDown = 0.25;
            p.RapidHeight = 1.5;
            p.RoughFeed = 120.5;
            p.RoughPlunge = 60;
            p.Precision = 20;
            p.Decimal = 2;
            p.Start = 1;
            p.Increment = 1;
        });
    EXPECT_EQ(ReadBytes(Dir / "pump.Dnc"), expected);
}

// A locale with a decimal comma, built from the system's locale sources when they exist.
class CliInCommaLocale : public Cli {
  protected:
    static void SetUpTestSuite() {
        LocaleDir = fs::temp_directory_path() / ("orlenta_cli_locale_" + std::to_string(getpid()));
        fs::create_directories(LocaleDir);
        const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                    (LocaleDir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        Available = std::system(command.c_str()) == 0 && fs::exists(LocaleDir / "de_DE.UTF-8");
    }
    static void TearDownTestSuite() { fs::remove_all(LocaleDir); }

    // glibc keeps the LOCPATH list it parses for the life of the process, which the leak
    // checker of a sanitizer build would report; this replaces the suppressions the
    // environment may name, so fontconfig's lifelong allocations are listed again.
    std::map<std::string, std::string> Env() const {
        WriteBytes(LocaleDir / "lsan.supp", "leak:__argz_add_sep\nleak:libfontconfig\n");
        return {{"LOCPATH", LocaleDir.string()},
                {"LC_ALL", "de_DE.UTF-8"},
                {"LSAN_OPTIONS",
                 "print_suppressions=0:suppressions=" + (LocaleDir / "lsan.supp").string()}};
    }

    static inline fs::path LocaleDir;
    static inline bool Available = false;
};

TEST_F(CliInCommaLocale, NumbersAreReadWithAFullStopWhateverTheLocale) {
    if (!Available)
        GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
    const std::vector<std::string> args = {"A.1",      "--font", "Arial",    "--arc",
                                           "--radius", "20.5",   "--height", "2.5",
                                           "--angle",  "12.25",  "-x",       "1.75"};
    std::vector<std::string> plain = args;
    plain.insert(plain.end(), {"-o", "c.Dnc"});
    std::vector<std::string> comma = args;
    comma.insert(comma.end(), {"-o", "de.Dnc"});
    ASSERT_EQ(Run(plain).Status, 0);
    const TRun run = Run(comma, Env());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadBytes(Dir / "de.Dnc"), ReadBytes(Dir / "c.Dnc"));

    const TRun refused = Run({"A", "--height", "2,5", "-o", "x.Dnc"}, Env());
    EXPECT_EQ(refused.Status, 2);
    EXPECT_EQ(refused.Err, "orlenta-cli: --height: '2,5' is not a valid floating point value\n");
}

struct TFailure {
    const char* Name;
    std::vector<std::string> Args;
    const char* Message; // the whole line after "orlenta-cli: "; a part of it when Part
    int Status;
    bool Part = false;
    bool OwnParams = false; // run without the shop's parameter file
};

const std::vector<TFailure> Failures = {
    {"empty text", {"", "-o", "out.Dnc"}, "No Text to convert!", 1},
    {"no text at all", {"-o", "out.Dnc"}, "No Text to convert!", 1},
    {"arc without radius",
     {"ABC", "--arc", "--height", "5", "-o", "out.Dnc"},
     "Radius can not be 0!",
     1},
    {"arc radius 0",
     {"ABC", "--arc", "--radius", "0.0", "-o", "out.Dxf"},
     "Radius can not be 0!",
     1},
    {"radius too small",
     {"ABC", "--arc", "--radius", "0.5", "--height", "5", "-o", "out.Dxf"},
     "Radius is too small",
     1},
    {"arc of height 0",
     {"ABC", "--arc", "--radius", "9", "--height", "0", "-o", "out.Dnc"},
     "Height can not be 0 on an arc!",
     1},
    {"missing directory",
     {"ABC", "-o", "no/such/dir/out.Dnc"},
     "no/such/dir/out.Dnc: No such file or directory",
     1},
    {"decimal comma",
     {"ABC", "--height", "2,5", "-o", "out.Dnc"},
     "--height: '2,5' is not a valid floating point value",
     2},
    {"not a number",
     {"ABC", "-x", "abc", "-o", "out.Dnc"},
     "--x: 'abc' is not a valid floating point value",
     2},
    {"empty number",
     {"ABC", "--radius", "", "-o", "out.Dnc"},
     "--radius: '' is not a valid floating point value",
     2},
    {"negative depth",
     {"ABC", "--depth", "-1", "-o", "out.Dnc"},
     "--depth: '-1' is out of range (0 or more)",
     2},
    {"precision out of range",
     {"ABC", "--precision", "500", "-o", "out.Dnc"},
     "--precision: '500' is out of range (1 to 100)",
     2},
    {"fractional decimals",
     {"ABC", "--decimals", "2.5", "-o", "out.Dnc"},
     "--decimals: '2.5' is not a whole number",
     2},
    {"unknown alignment",
     {"ABC", "--align", "middle", "-o", "out.Dnc"},
     "--align: 'middle' is not left, cent or right",
     2},
    {"unknown format",
     {"ABC", "--format", "pdf", "-o", "out.Dnc"},
     "--format: 'pdf' is not gcode, dxf or svg",
     2},
    {"unknown extension",
     {"ABC", "-o", "out.txt"},
     "'out.txt': the name ends neither in .Dnc, .nc, .ngc, .Dxf nor .svg; give --format gcode, "
     "dxf or svg",
     2},
    {"no output", {"ABC"}, "no output file: give -o FILE.Dnc or -o FILE.Dxf (see --help)", 2},
    {"text twice",
     {"ABC", "--text", "DEF", "-o", "out.Dnc"},
     "give the text either as an argument or with --text",
     2},
    {"unknown option", {"ABC", "--colour", "red", "-o", "out.Dnc"}, "--colour", 2, true},
    {"option without value", {"ABC", "-o", "out.Dnc", "--height"}, "--height", 2, true, true},
    {"missing parameter file",
     {"ABC", "-o", "out.Dnc", "--params", "nowhere.cfg"},
     "nowhere.cfg: no such parameter file",
     2,
     false,
     true},
};

TEST_F(Cli, EachFailureIsOneLineAndLeavesNoFile) {
    for (const TFailure& f : Failures) {
        SCOPED_TRACE(f.Name);
        const TRun run = f.OwnParams ? RunCli(Dir, f.Args) : Run(f.Args);
        EXPECT_EQ(run.Status, f.Status);
        EXPECT_EQ(run.Out, "");
        if (f.Part) {
            EXPECT_TRUE(run.Err.starts_with("orlenta-cli: ")) << run.Err;
            EXPECT_NE(run.Err.find(f.Message), std::string::npos) << run.Err;
            EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
            EXPECT_TRUE(run.Err.ends_with("\n"));
        } else {
            EXPECT_EQ(run.Err, "orlenta-cli: " + std::string(f.Message) + "\n");
        }
        EXPECT_EQ(Outputs(), std::vector<std::string>{});
    }
}

struct TRefusedSave {
    const char* Name;
    std::vector<std::string> Args;
    std::vector<std::string> Problems; // the lines before "<file>: not saved..."
};

const std::vector<TRefusedSave> RefusedSaves = {
    {"depth 0",
     {"ABC", "--depth", "0", "-o", "out.Dnc"},
     {"Depth is 0: the tool would not cut into the work",
      "There are no toolpaths: the file would cut nothing"}},
    {"only blanks",
     {"   ", "-o", "out.Dnc"},
     {"There are no toolpaths: the file would cut nothing"}},
    {"a drawing is checked for toolpaths only",
     {"ABC", "--depth", "0", "--feed", "0", "-o", "out.Dxf"},
     {"There are no toolpaths: the file would cut nothing"}},
    {"no feeds, no clearance, a depth lost to rounding",
     {"ABC", "--feed", "0", "--plunge", "0.04", "--rapid-height", "0", "--depth", "0.004",
      "--decimals", "2", "-o", "out.Dnc"},
     {"Depth 0.004 is written as 0.00 (Decimal 2): the tool would not cut into the work",
      "RoughFeed is 0: a controller refuses cutting moves without a feed rate",
      "RoughPlunge 0.04 is written as 0.0: a controller refuses plunges without a feed rate",
      "RapidHeight is 0: rapid moves would run at or below the work surface"}},
};

// The check before saving, through the built binary: exit 1 with every problem and no file;
// --force (or force=yes in a batch line) writes the file all the same.
TEST_F(Cli, ProblemsFoundBeforeSavingExitOneUnlessForced) {
    for (const TRefusedSave& r : RefusedSaves) {
        SCOPED_TRACE(r.Name);
        const std::string file = r.Args.back();
        const TRun run = Run(r.Args);
        EXPECT_EQ(run.Status, 1);
        std::string expected;
        for (const std::string& p : r.Problems)
            expected += "orlenta-cli: " + p + "\n";
        expected += "orlenta-cli: " + file + ": not saved; --force saves it anyway\n";
        EXPECT_EQ(run.Err, expected);
        EXPECT_EQ(Outputs(), std::vector<std::string>{});

        std::vector<std::string> forced = r.Args;
        forced.push_back("--force");
        const TRun saved = Run(forced);
        EXPECT_EQ(saved.Status, 0) << saved.Err;
        EXPECT_EQ(saved.Err, "");
        EXPECT_EQ(Outputs(), std::vector<std::string>{file});
        fs::remove(Dir / file);
    }

    // Line numbers past what controllers take: the count comes from the program itself.
    const TRun many = Run({"ABC", "--start", "9999000", "--increment", "100", "-o", "n.Dnc"});
    EXPECT_EQ(many.Status, 1);
    EXPECT_TRUE(many.Err.starts_with("orlenta-cli: Line numbers would reach ")) << many.Err;
    EXPECT_NE(many.Err.find("(Start 9999000, Increment 100, "), std::string::npos) << many.Err;

    // In a batch, each problem carries its line; force=yes on a line saves it anyway.
    WriteBytes(Dir / "jobs.txt", "A\n \tdepth=0.2\n");
    const TRun batch = Run({"--batch", "jobs.txt", "-o", "p{n}.Dnc"});
    EXPECT_EQ(batch.Status, 1);
    EXPECT_EQ(batch.Err, "orlenta-cli: jobs.txt:2: There are no toolpaths: the file would cut "
                         "nothing\norlenta-cli: jobs.txt:2: " +
                             fs::weakly_canonical(Dir / "p2.Dnc").string() +
                             ": not saved; --force saves it anyway\n");
    EXPECT_EQ(Outputs(), std::vector<std::string>{});
    WriteBytes(Dir / "jobs.txt", "A\n \tforce=yes\n");
    EXPECT_EQ(Run({"--batch", "jobs.txt", "-o", "p{n}.Dnc"}).Status, 0);
    EXPECT_EQ(Outputs(), (std::vector<std::string>{"p1.Dnc", "p2.Dnc"}));
}

TEST_F(Cli, AFailedJobKeepsTheFileThatWasThere) {
    WriteBytes(Dir / "plate.Dnc", "old program\n");
    const TRun run = Run({"ABC", "--arc", "--radius", "0.1", "-o", "plate.Dnc"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(ReadBytes(Dir / "plate.Dnc"), "old program\n");
    EXPECT_EQ(Outputs(), std::vector<std::string>{"plate.Dnc"});
}

// ---- batches ---------------------------------------------------------------------------

class CliBatch : public Cli {
  protected:
    // 100 lines; line 7 names its own output and sets its own size and alignment.
    static std::string HundredLines() {
        std::string content;
        for (int i = 1; i <= 100; ++i)
            content += i == 7 ? "Line 7\theight=8\talign=cent\toutput=seven.Dxf\n"
                              : "Plate " + std::to_string(i) + "\n";
        return content;
    }
    static std::vector<std::string> HundredNames() {
        std::vector<std::string> names;
        for (int i = 1; i <= 100; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "plate-%03d.Dnc", i);
            names.push_back(i == 7 ? "seven.Dxf" : name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CliBatch, AHundredLinesWriteAHundredFiles) {
    WriteBytes(Dir / "jobs.txt", HundredLines());
    const TRun run = Run({"--batch", "jobs.txt", "--font", "Arial", "-o", "plate-{n:3}.Dnc"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(Outputs(), HundredNames());

    // A line is the same job as the command line with the same settings.
    ASSERT_EQ(Run({"Plate 12", "--font", "Arial", "-o", "single.Dnc"}).Status, 0);
    EXPECT_EQ(ReadBytes(Dir / "plate-012.Dnc"), ReadBytes(Dir / "single.Dnc"));
    ASSERT_EQ(
        Run({"Line 7", "--font", "Arial", "--height", "8", "--align", "cent", "-o", "single.Dxf"})
            .Status,
        0);
    EXPECT_EQ(ReadBytes(Dir / "seven.Dxf"), ReadBytes(Dir / "single.Dxf"));
}

TEST_F(CliBatch, AFailingLineLeavesNoFileUnlessKeepGoing) {
    std::string content = HundredLines();
    const std::size_t line50 = content.find("Plate 50\n");
    content.replace(line50, 9, "Plate 50\tarc=yes\tradius=0.01\n");
    WriteBytes(Dir / "jobs.txt", content);
    WriteBytes(Dir / "plate-001.Dnc", "old program\n");

    const TRun run = Run({"--batch", "jobs.txt", "-o", "plate-{n:3}.Dnc"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "orlenta-cli: jobs.txt:50: Radius is too small\n");
    EXPECT_EQ(Outputs(), std::vector<std::string>{"plate-001.Dnc"});
    EXPECT_EQ(ReadBytes(Dir / "plate-001.Dnc"), "old program\n");

    const TRun going = Run({"--batch", "jobs.txt", "--keep-going", "-o", "plate-{n:3}.Dnc"});
    EXPECT_EQ(going.Status, 1);
    EXPECT_EQ(going.Err, "orlenta-cli: jobs.txt:50: Radius is too small\n");
    std::vector<std::string> expected = HundredNames();
    std::erase(expected, "plate-050.Dnc");
    EXPECT_EQ(Outputs(), expected);
}

// Parallel lines give what one line after another gives: the same files, bytes, status,
// and messages in line order; the first failing line in line order is the one reported,
// and nothing is left behind. Warnings come from lines before, at and after the failures.
TEST_F(CliBatch, ParallelLinesGiveExactlyWhatOneAfterAnotherGives) {
    std::string content;
    for (int i = 1; i <= 40; ++i) {
        std::string line = "Plate " + std::to_string(i);
        if (i % 7 == 3)
            line += "\u4e2d"; // Arial has no glyph for it: a warning
        if (i == 23 || i == 31)
            line += "\tarc=yes\tradius=0.01"; // fails: Radius is too small
        content += line + "\n";
    }
    const std::string good = [&] {
        std::string c = content;
        for (const char* bad : {"\tarc=yes\tradius=0.01"})
            for (std::size_t at; (at = c.find(bad)) != std::string::npos;)
                c.erase(at, std::string(bad).size());
        return c;
    }();
    for (const bool failing : {false, true}) {
        for (const bool keepGoing : {false, true}) {
            SCOPED_TRACE(std::to_string(failing) + " " + std::to_string(keepGoing));
            std::map<std::string, std::string> files[2];
            TRun runs[2];
            for (int k = 0; k < 2; ++k) {
                for (const std::string& name : Outputs())
                    fs::remove(Dir / name);
                WriteBytes(Dir / "jobs.txt", failing ? content : good);
                std::vector<std::string> args = {
                    "--batch", "jobs.txt",  "--font", "Arial",
                    "-o",      "p-{n}.Dnc", "--jobs", k == 0 ? "1" : "3"};
                if (keepGoing)
                    args.push_back("--keep-going");
                runs[k] = Run(args);
                for (const std::string& name : Outputs())
                    files[k][name] = ReadBytes(Dir / name);
            }
            EXPECT_EQ(runs[1].Status, runs[0].Status);
            EXPECT_EQ(runs[1].Err, runs[0].Err);
            EXPECT_EQ(files[1], files[0]);
            EXPECT_EQ(files[0].size(), !failing ? 40u : keepGoing ? 38u : 0u);
        }
    }
}

// A batch puts its files in place as a single save does: a hard-linked target is
// rewritten, so its other name shows the new program too, and a target the user may not
// write stops the batch before any file is written.
TEST_F(CliBatch, TargetsKeepTheirLinksAndAReadOnlyOneStopsTheBatch) {
    WriteBytes(Dir / "jobs.txt", "A\nB\n");
    WriteBytes(Dir / "p1.Dnc", "old program\n");
    fs::create_hard_link(Dir / "p1.Dnc", Dir / "linked.Dnc");
    ASSERT_EQ(Run({"--batch", "jobs.txt", "--font", "Arial", "-o", "p{n}.Dnc"}).Status, 0);
    EXPECT_NE(ReadBytes(Dir / "p1.Dnc"), "old program\n");
    EXPECT_EQ(ReadBytes(Dir / "linked.Dnc"), ReadBytes(Dir / "p1.Dnc"));

    const auto user = OrdinaryUser();
    if (!user)
        GTEST_SKIP() << "running as root, and there is no user \"nobody\" to become";
    WriteBytes(Dir / "p1.Dnc", "old program\n");
    for (const auto& e : fs::directory_iterator(Dir))
        ASSERT_EQ(::chown(e.path().c_str(), user->Uid, user->Gid), 0);
    ASSERT_EQ(::chown(Dir.c_str(), user->Uid, user->Gid), 0);
    fs::permissions(Dir / "p2.Dnc", fs::perms(0444));
    const std::string result = RunAs(*user, [&] {
        const TRun run = Run({"--batch", "jobs.txt", "--font", "Arial", "-o", "p{n}.Dnc"});
        return std::to_string(run.Status) + " " + run.Err;
    });
    EXPECT_EQ(result, "1 orlenta-cli: jobs.txt:2: " + fs::canonical(Dir / "p2.Dnc").string() +
                          ": Permission denied\n");
    EXPECT_EQ(ReadBytes(Dir / "p1.Dnc"), "old program\n");
}

struct TBadBatch {
    const char* Name;
    const char* Content;
    const char* Pattern;
    const char* Message;
};

const std::vector<TBadBatch> BadBatches = {
    {"field without =", "A\tbold\n", "p{n}.Dnc", "jobs.txt:1: 'bold' is not key=value"},
    {"unknown key", "A\n\nB\tcolour=red\n", "p{n}.Dnc", "jobs.txt:3: unknown key 'colour'"},
    {"bad number", "A\theight=1,5\n", "p{n}.Dnc",
     "jobs.txt:1: height: '1,5' is not a valid floating point value"},
    {"bad flag", "A\tbold=maybe\n", "p{n}.Dnc", "jobs.txt:1: bold: 'maybe' is not yes or no"},
    {"same output twice", "A\nB\n", "same.Dnc",
     "jobs.txt:2: output 'same.Dnc' is already the output of line 1"},
    {"same text twice", "A B\nA/B\n", "{text}.Dnc",
     "jobs.txt:2: output 'A_B.Dnc' is already the output of line 1"},
    {"unknown placeholder", "A\n", "p{line}.Dnc",
     "jobs.txt:1: output pattern: unknown placeholder '{line}' (use {n}, {n:3} or {text})"},
    {"no jobs", "\n  \n", "p{n}.Dnc", "jobs.txt: no jobs in the file"},
    {"line without output", "A\toutput=a.Dnc\nB\n", "",
     "jobs.txt:2: no output file: give -o PATTERN or output=NAME"},
};

TEST_F(CliBatch, ABatchThatCannotBeReadRunsNothing) {
    for (const TBadBatch& b : BadBatches) {
        SCOPED_TRACE(b.Name);
        WriteBytes(Dir / "jobs.txt", b.Content);
        std::vector<std::string> args = {"--batch", "jobs.txt"};
        if (*b.Pattern)
            args.insert(args.end(), {"-o", b.Pattern});
        const TRun run = Run(args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Err, "orlenta-cli: " + std::string(b.Message) + "\n");
        EXPECT_EQ(Outputs(), std::vector<std::string>{});
    }
    const TRun missing = Run({"--batch", "nothere.txt", "-o", "p{n}.Dnc"});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_EQ(missing.Err, "orlenta-cli: nothere.txt: No such file or directory\n");
    const TRun withText = Run({"A", "--batch", "jobs.txt", "-o", "p{n}.Dnc"});
    EXPECT_EQ(withText.Err, "orlenta-cli: a text and --batch exclude each other\n");
}

// A new user's first run: no parameter file given, none in the folder. The file shipped
// beside the program gives a program a machine can run.
TEST_F(Cli, FirstRunInAnEmptyFolderUsesTheShippedParameters) {
    fs::remove(Cfg);
    const TRun run = RunCli(Dir, {"ACME Ltd", "--height", "10", "-o", "a.Dnc"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const std::string program = ReadBytes(Dir / "a.Dnc");
    const std::regex number("([XYZF])(-?[0-9]+(\\.[0-9]+)?)");
    const std::regex threeDecimals("-?[0-9]+\\.[0-9]{3}");
    int feeds = 0, clearances = 0, plunges = 0, coordinates = 0;
    std::istringstream in(program);
    for (std::string line; std::getline(in, line);) {
        SCOPED_TRACE(line);
        for (std::sregex_iterator m(line.begin(), line.end(), number), end; m != end; ++m) {
            const char word = (*m)[1].str()[0];
            const std::string text = (*m)[2].str();
            const double v = std::stod(text);
            if (word == 'F') {
                EXPECT_GT(v, 0);
                ++feeds;
                continue;
            }
            EXPECT_TRUE(std::regex_match(text, threeDecimals));
            ++coordinates;
            if (word == 'Z' && line.find(" G00 Z") != std::string::npos) {
                EXPECT_GT(v, 0); // clearance above the work
                ++clearances;
            } else if (word == 'Z') {
                EXPECT_LT(v, 0); // cutting below the surface
                ++plunges;
            }
        }
    }
    EXPECT_GT(plunges, 0);
    EXPECT_EQ(clearances, plunges + 1);
    EXPECT_EQ(feeds, 1 + 2 * plunges);
    EXPECT_GT(coordinates, 100);
}

// help2man reads --version in the GNU form; --verbose names the parameter file a run reads.
TEST_F(Cli, VersionAndVerboseNameTheProgramAndTheParameterFile) {
    const TRun version = RunCli(Dir, {"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out.substr(0, version.Out.find('\n')), "orlenta-cli 2.0");
    EXPECT_NE(version.Out.find("\nLicense GPLv3+: "), std::string::npos);
    EXPECT_EQ(version.Out.find("Parameter file"), std::string::npos);

    const fs::path beside = fs::path(ORLENTA_CLI_PATH).parent_path() / "Parameters.cfg";
    const TRun verbose = RunCli(Dir, {"--version", "--verbose"});
    EXPECT_EQ(verbose.Out, version.Out + "Parameter file: " + beside.string() + "\n");

    const TRun job = RunCli(Dir, {"A", "--verbose", "-p", Cfg.string(), "-o", "a.Dnc"});
    ASSERT_EQ(job.Status, 0) << job.Err;
    EXPECT_EQ(job.Err, "orlenta-cli: Parameter file: " + Cfg.string() + "\n");
}

TEST_F(Cli, HelpShowsExamples) {
    const TRun run = RunCli(Dir, {"--help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("--force"), std::string::npos);
    EXPECT_NE(run.Out.find("Examples:"), std::string::npos);
    EXPECT_NE(run.Out.find("--batch"), std::string::npos);
    EXPECT_NE(run.Out.find("{n:3}"), std::string::npos);
}

} // namespace
