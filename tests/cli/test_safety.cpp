// orlenta-cli against hostile input and an unkind system: parameter files it cannot read,
// stop signals in the middle of a batch, a file size limit, the longest file names.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

using namespace clitest;

namespace {

constexpr const char* Parameters = "[Parameters]\nDepth=0.3\nRapidHeight=2\nRoughFeed=300\n"
                                   "RoughPlunge=100\nPrecision=8\nDecimal=3\nStart=10\n"
                                   "Increment=10\n";

class CliSafety : public TScratchDir {
  protected:
    void SetUp() override {
        TScratchDir::SetUp();
        Cfg = Dir / "shop.cfg";
        WriteBytes(Cfg, Parameters);
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

TEST_F(CliSafety, AParameterFileThatCannotBeReadStopsTheRun) {
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[Parameters]\r\nDepth=0.3\r\n"))
        utf16 += std::string{c, '\0'};
    std::string random;
    for (int i = 0; i < 512; ++i)
        random.push_back(static_cast<char>((i * 197 + 13) & 0xFF));
    const struct {
        std::string content; // empty: a folder
        std::string reason;
    } cases[] = {
        {"", "Is a directory"},
        {utf16, "not UTF-8 text (UTF-16)"},
        {random, "not UTF-8 text"},
        {"Depth=0.2\n", "no [Parameters] section"},
        {"[Parameters]\nDepth=0.2mm\n", "Depth: '0.2mm' is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const fs::path cfg = Dir / "odd.cfg";
        fs::remove_all(cfg);
        if (c.content.empty())
            fs::create_directory(cfg);
        else
            WriteBytes(cfg, c.content);
        const TRun run = RunCli(Dir, {"ACME", "-p", "odd.cfg", "-o", "a.Dnc"});
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Err, "orlenta-cli: odd.cfg: " + c.reason + "\n");
        fs::remove_all(cfg);
        EXPECT_EQ(Outputs(), std::vector<std::string>{});
    }
    // The obvious ways of writing a number are read, not replaced by a default.
    WriteBytes(Dir / "ok.cfg", "[Parameters]\nDepth = 0.2 ; shallow\nRapidHeight=\"2\"\n"
                               "RoughFeed=300\nRoughPlunge=100\nDecimal=3\n");
    const TRun run = RunCli(Dir, {"ACME", "-p", "ok.cfg", "-o", "a.Dnc"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string program = ReadBytes(Dir / "a.Dnc");
    EXPECT_NE(program.find("Z-0.200"), std::string::npos) << program;
    EXPECT_NE(program.find("Z2.000"), std::string::npos) << program;
}

// The range rules of the options hold for the file's values too: a rapid below the work is
// a crash, a negative feed a program the controller rejects.
TEST_F(CliSafety, ParameterFileValuesOutOfRangeStopTheRun) {
    const struct {
        const char* keys;
        const char* message;
    } cases[] = {
        {"RapidHeight=-5\n", "RapidHeight = -5: out of range (0 or more)"},
        {"RoughFeed=-300\nRoughPlunge=-100\n", "RoughFeed = -300: out of range (0 or more); "
                                               "RoughPlunge = -100: out of range (0 or more)"},
        {"Start=-10\nIncrement=-10\n",
         "Start = -10: out of range (0 or more); Increment = -10: out of range (0 or more)"},
        {"Depth=-1\n", "Depth = -1: out of range (0 or more)"},
        {"Precision=500\n", "Precision = 500: out of range (1 to 100)"},
        // The machine settings' own limits and texts, with the same exit status.
        {"Dialect=fanuc ; ours\n",
         "Dialect must be classic, grbl or linuxcnc, not \"fanuc ; ours\""},
        {"Spindle=-5\n", "Spindle must be from 0 to 1000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        WriteBytes(Dir / "n.cfg", std::string("[Parameters]\nDepth=0.2\n") + c.keys);
        const TRun run = RunCli(Dir, {"ACME", "-p", "n.cfg", "-o", "a.Dnc"});
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Err, "orlenta-cli: n.cfg: " + std::string(c.message) + "\n");
        EXPECT_EQ(Outputs(), std::vector<std::string>{"n.cfg"});
    }
    // A batch key is held to the same rules as the option.
    WriteBytes(Dir / "jobs.txt", "ACME\trapid-height=-5\n");
    const TRun run = RunCli(Dir, {"--batch", "jobs.txt", "-p", "shop.cfg", "-o", "p.Dnc"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, "orlenta-cli: jobs.txt:1: rapid-height: '-5' is out of range (0 or more)\n");
    // So are a machine setting's option and batch key to the file's limits.
    EXPECT_EQ(RunCli(Dir, {"ACME", "--spindle", "2e6", "-p", "shop.cfg", "-o", "a.nc"}).Err,
              "orlenta-cli: --spindle: '2e6' is out of range (0 to 1000000)\n");
    WriteBytes(Dir / "jobs.txt", "ACME\tspindle-dwell=7200\n");
    EXPECT_EQ(RunCli(Dir, {"--batch", "jobs.txt", "-p", "shop.cfg", "-o", "p.nc"}).Err,
              "orlenta-cli: jobs.txt:1: spindle-dwell: '7200' is out of range (0 to 3600)\n");
    EXPECT_EQ(Outputs(), std::vector<std::string>{"n.cfg"});
}

// A batch file's output= names are its own folder's; one from someone else cannot reach
// beyond it (~/.bashrc) unless the user allows it.
TEST_F(CliSafety, BatchOutputNamesStayInTheBatchFilesFolder) {
    fs::create_directory(Dir / "in");
    WriteBytes(Dir / "in" / "jobs.txt", "ACME\toutput=a.Dnc\n");
    TRun run = RunCli(Dir, {"--batch", "in/jobs.txt", "-p", "shop.cfg"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(fs::exists(Dir / "in" / "a.Dnc"));
    EXPECT_FALSE(fs::exists(Dir / "a.Dnc"));

    WriteBytes(Dir / "victim", "keep me\n");
    for (const std::string& name :
         {std::string("../victim"), (Dir / "victim").string(), std::string("sub/../../victim")}) {
        SCOPED_TRACE(name);
        WriteBytes(Dir / "in" / "jobs.txt", "ACME\toutput=" + name + "\tformat=gcode\n");
        run = RunCli(Dir, {"--batch", "in/jobs.txt", "-p", "shop.cfg"});
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Err, "orlenta-cli: in/jobs.txt:1: output '" + name +
                               "' is outside the batch file's folder (give --allow-outside to "
                               "allow it)\n");
        EXPECT_EQ(ReadBytes(Dir / "victim"), "keep me\n");
    }
    run = RunCli(Dir, {"--batch", "in/jobs.txt", "-p", "shop.cfg", "--allow-outside"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(ReadBytes(Dir / "victim"), "keep me\n");
}

// An output that is one of the run's inputs, under any name, is refused before anything
// runs: the input would be replaced by G-code.
TEST_F(CliSafety, AnOutputThatIsAnInputIsRefused) {
    fs::create_hard_link(Cfg, Dir / "alias.Dnc");
    for (const char* output : {"shop.cfg", "alias.Dnc"}) {
        SCOPED_TRACE(output);
        const TRun run = RunCli(Dir, {"ACME", "-p", "shop.cfg", "-o", output, "--format", "gcode"});
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find("is an input of this run (shop.cfg)"), std::string::npos) << run.Err;
        EXPECT_EQ(ReadBytes(Cfg), Parameters);
    }
    WriteBytes(Dir / "jobs.txt", "ACME\toutput=jobs.txt\tformat=gcode\n");
    const TRun run = RunCli(Dir, {"--batch", "jobs.txt", "-p", "shop.cfg"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("is an input of this run (jobs.txt)"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadBytes(Dir / "jobs.txt"), "ACME\toutput=jobs.txt\tformat=gcode\n");
}

// A size of 0 or less keeps the font's outline units: a text metres long. The window shows
// it in its size readout; the command line refuses it unless asked for.
TEST_F(CliSafety, ANonPositiveSizeIsRefusedUnlessOutlineUnitsAreAsked) {
    for (const std::vector<std::string>& size :
         {std::vector<std::string>{"--height", "0"}, {"--height", "-5"}, {"--width", "-20"}}) {
        SCOPED_TRACE(size[1]);
        std::vector<std::string> args{"ACME", "-p", "shop.cfg", "-o", "a.Dnc"};
        args.insert(args.end(), size.begin(), size.end());
        TRun run = RunCli(Dir, args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find("the text size is 0 or less"), std::string::npos) << run.Err;
        EXPECT_EQ(Outputs(), std::vector<std::string>{});
        args.push_back("--outline-units");
        run = RunCli(Dir, args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        fs::remove(Dir / "a.Dnc");
    }
    WriteBytes(Dir / "jobs.txt", "ACME\theight=0\n");
    const TRun run = RunCli(Dir, {"--batch", "jobs.txt", "-p", "shop.cfg", "-o", "p.Dnc"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(run.Err.starts_with("orlenta-cli: jobs.txt:1: the text size is 0 or less"))
        << run.Err;
}

// A rename that fails part-way (a folder appears at the last target while the batch
// runs) puts back the files the batch had already replaced and removes those it made.
TEST_F(CliSafety, ABatchWhoseLastRenameFailsPutsTheOldFilesBack) {
    std::string jobs;
    for (int i = 1; i < 20; ++i) {
        jobs += "Plate " + std::to_string(i) + "\n";
        if (i % 2 == 1)
            WriteBytes(Dir / ("p-" + std::to_string(i) + ".Dnc"), "old " + std::to_string(i));
    }
    jobs += std::string(20000, 'W') + "\n"; // the long last line gives time to act
    WriteBytes(Dir / "jobs.txt", jobs);
    const pid_t pid =
        StartCli(Dir, {"--batch", "jobs.txt", "-p", "shop.cfg", "-o", "p-{n}.Dnc", "--force"});
    const std::string lastButOne = ".orlenta-cli-" + std::to_string(pid) + "-18.part";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(Dir / lastButOne) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    fs::create_directory(Dir / "p-20.Dnc");
    const TRun run = FinishCli(Dir, pid);
    EXPECT_EQ(run.Status, 1) << run.Err;
    EXPECT_NE(run.Err.find("p-20.Dnc"), std::string::npos) << run.Err;
    std::vector<std::string> expected{"p-20.Dnc"};
    for (int i = 1; i < 20; i += 2) {
        const std::string name = "p-" + std::to_string(i) + ".Dnc";
        expected.push_back(name);
        EXPECT_EQ(ReadBytes(Dir / name), "old " + std::to_string(i)) << name;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Outputs(), expected);
}

// The longest name a folder takes: the temporary file beside it must not need more.
TEST_F(CliSafety, AFileNameOfTheLongestLegalLengthIsWritten) {
    for (const std::size_t length : {242u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".Dnc";
        const TRun run = RunCli(Dir, {"ACME", "-p", "shop.cfg", "-o", name});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(Outputs(), std::vector<std::string>{name});
        fs::remove(Dir / name);
    }
}

// A file size limit (ulimit -f) is a failed write with the system's message, not a
// killed program with a partial temporary file.
TEST_F(CliSafety, AFileSizeLimitIsAnErrorThatLeavesNothing) {
    WriteBytes(Dir / "a.Dnc", "old program\n");
    const TRun run = RunCli(Dir, {"ACME Ltd", "-p", "shop.cfg", "-o", "a.Dnc"}, {}, 200);
    EXPECT_EQ(run.Signal, 0);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "orlenta-cli: a.Dnc: File too large\n");
    EXPECT_EQ(ReadBytes(Dir / "a.Dnc"), "old program\n");
    EXPECT_EQ(Outputs(), std::vector<std::string>{"a.Dnc"});
}

// Ctrl+C, a kill or a hang-up in the middle of a batch: the program ends by that signal and
// none of its temporary files is left.
TEST_F(CliSafety, AStopSignalDuringABatchLeavesNoTemporaryFile) {
    std::string jobs;
    for (int i = 1; i <= 3000; ++i)
        jobs += "The quick brown fox jumps over the lazy dog " + std::to_string(i) + "\n";
    WriteBytes(Dir / "jobs.txt", jobs);
    // One line at a time, and two at once: then the signal reaches either thread while
    // the other creates or renames a file.
    for (const char* threads : {"1", "2"})
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::string("--jobs ") + threads + ", signal " + std::to_string(sig));
            const pid_t pid = StartCli(Dir, {"--batch", "jobs.txt", "-p", "shop.cfg", "-o",
                                             "p-{n}.Dnc", "--jobs", threads});
            // Wait until the batch has finished a few files, then stop it.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (Outputs().size() < 5 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ::kill(pid, sig);
            const TRun run = FinishCli(Dir, pid);
            EXPECT_EQ(run.Signal, sig) << run.Status << run.Err;
            EXPECT_EQ(Outputs(), std::vector<std::string>{});
            for (const auto& name : Outputs())
                fs::remove(Dir / name);
        }
}

} // namespace
