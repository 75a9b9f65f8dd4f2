// orlenta-cli: the desktop program's Create and Save without a window, for one text given
// on the command line or for a batch file of texts, one output file per line.
#include "cli/CliJob.h"
#include "cli/CliRun.h"

#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "app/core/ParameterRules.h"
#include "glyph/FontSources.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/Hooks.h"
#include "kernel/ProgramStatistics.h"
#include "kernel/TemporaryFiles.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

constexpr const char* Footer = R"(
Examples:
  orlenta-cli "ACME Ltd" --font Arial --height 5 --align cent -o plate.Dnc
  orlenta-cli "SERIAL 0042" --arc --radius 30 --height 4 --angle -40 -o ring.Dxf
  orlenta-cli "Pump 3" --depth 0.2 --feed 300 --plunge 100 -p shop.cfg -o pump.Dnc
  orlenta-cli --batch plates.txt --height 6 -o "plate-{n:3}-{text}.Dnc"

Numbers are always written with a full stop (2.5), whatever the locale.
--width sizes the text by its width and --height by its height; giving only one of
them sets the other to 0, as typing into one of the two fields does in the window.

Machining parameters come from --params, else from Parameters.cfg beside this
program; an installed program without one reads the user's
$XDG_CONFIG_HOME/orlenta/Parameters.cfg (default ~/.config/orlenta), and until the
user has one the installed default in share/orlenta. --version --verbose names the
file. The file shipped with the program holds safe values in millimetres (depth
0.2, rapid height 3, feed 300, plunge 100, 3 decimals). Without any file the
program's start values apply (depth 0.5, precision 8, other parameters 0). Options
override single parameters.

Before saving, the program is checked: a depth that rounds to 0 with the chosen
decimals, a feed or plunge rate of 0, a rapid height at or below the work surface,
line numbers above 10000000, or no toolpaths at all (a DXF drawing: only the last)
are each reported on standard error, nothing is written and the exit status is 1.
--force saves such a file anyway.

Batch files (--batch FILE, or - for standard input): one job per line, UTF-8.
Each line is the text, optionally followed by TAB-separated key=value settings
that change that line only; keys are the long option names above without the
dashes, plus output=NAME, for example (-> marks a TAB):
  ACME Ltd->height=8->align=cent
  SERIAL 0042->arc=yes->radius=30->output=ring-{n}.Dxf
Flags take yes or no. Empty lines are skipped. -o gives the pattern of the file
names: {n} the line number, {n:3} the same with 3 digits, {text} the text with
everything but letters, digits, - and _ made _, {{ and }} literal braces.
The batch writes every file or, when a line fails, none (--keep-going writes
the lines that succeed and reports the others).
--jobs N runs up to N lines at once (default: the number of cores); the files,
the messages and their order are those of one line after another.

Errors are one line on standard error; the output file is then not written
(an existing file keeps its content). Exit status: 0 done, 1 a job failed
(for example "No Text to convert!", "Radius can not be 0!", "Radius is too
small", or a problem found before saving), 2 the command line, a number or the
batch file could not be read.)";

// In the GNU form that help2man turns into the manual page's header and copyright.
constexpr const char* VersionText = "orlenta-cli " ORLENTA_VERSION R"(
Copyright (C) 2026 The Orlenta developers
License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
)";

// Messages are one line each, whatever the text that caused them holds.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// A batch file larger than this is refused rather than read until memory runs out (a
// device such as /dev/zero never ends); a million plates fit well below it.
constexpr std::size_t MaxBatchBytes = 256u << 20;

std::string readWholeFile(const std::string& name) {
    std::ifstream file;
    if (name != "-") {
        file.open(name, std::ios::binary);
        if (!file)
            throw ECliError(name + ": " + std::strerror(errno), ECliError::UsageFailed);
    }
    std::istream& in = name == "-" ? std::cin : file;
    std::string content;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (content.size() > MaxBatchBytes)
            throw ECliError(name + ": too large for a batch file", ECliError::UsageFailed);
    }
    if (in.bad())
        throw ECliError(name + ": could not be read", ECliError::UsageFailed);
    return content;
}

// The faces --font takes: the single-line fonts first, then what fontconfig has installed.
void printFonts(std::ostream& out) {
    out << "Stroke fonts (each stroke engraved once; Stick40 is Hershey Roman Simplex):\n";
    for (const std::string& name : StrokeFontNames())
        out << "  " << name << '\n';
    out << "System fonts:\n";
    for (const std::string& name : SystemFontFamilies())
        out << "  " << name << '\n';
}

// The most lines a batch runs at once.
constexpr unsigned MaxJobs = 1024;

// One line per core; one where the number is unknown.
unsigned DefaultJobs() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, MaxJobs);
}

struct TCommandLine {
    std::string Text; // positional
    std::string Output;
    std::string Batch;
    std::string ParamsFile;
    bool KeepGoing = false;
    unsigned Jobs = DefaultJobs();
    bool AllowOutside = false;
    bool Version = false;
    bool Verbose = false;
    std::string Stats; // "text" or "json" when --stats was given
    std::vector<std::pair<std::string, std::string>> Settings; // in the order of JobKeys
};

// The parameter file the run reads: --params, else the one the program finds (see
// FindParameterFiles).
TParameterFiles parameterFiles(const TCommandLine& cl) {
    return cl.ParamsFile.empty() ? ParameterFiles() : TParameterFiles{cl.ParamsFile, cl.ParamsFile};
}

// Reads the command line. Nothing when it asked for --help or --version, which have then
// been answered with exitStatus. Throws ECliError (usage).
std::optional<TCommandLine> parseCommandLine(int argc, char** argv, int& exitStatus) {
    CLI::App app{"Engraves a line of text as CNC toolpaths and saves them as a G-code "
                 "program (.Dnc) or a DXF drawing (.Dxf), exactly as the desktop program's "
                 "Create and Save do.",
                 "orlenta-cli"};
    app.footer(Footer);
    app.get_formatter()->column_width(30);

    TCommandLine cl;
    app.add_flag("--version", cl.Version,
                 "Display program version information and exit (with --verbose also the "
                 "parameter file in use)");
    app.add_flag("--verbose", cl.Verbose, "name the parameter file in use on standard error");
    const std::vector<TJobKey>& keys = JobKeys();
    std::vector<std::string> values(keys.size());
    const auto flags = std::make_unique<bool[]>(keys.size()); // CLI11 needs a bool&
    std::vector<CLI::Option*> options(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string name = std::string(keys[i].Name).size() == 1
                                     ? "-" + std::string(keys[i].Name) + ",--" + keys[i].Name
                                     : "--" + std::string(keys[i].Name);
        if (keys[i].Value) {
            options[i] = app.add_option(name, values[i], keys[i].Help)->type_name(keys[i].Value);
        } else {
            options[i] = app.add_flag(name, flags[i], keys[i].Help);
        }
        options[i]->group(keys[i].Group);
    }

    app.add_option("TEXT", cl.Text,
                   "the text to engrave (use -- before a text that starts "
                   "with a dash)")
        ->type_name("");
    app.add_option("-o,--output", cl.Output,
                   "the output file; in batch mode the pattern of the names")
        ->type_name("FILE")
        ->group("Output");
    app.add_option("-b,--batch", cl.Batch, "one job per line of FILE (see below)")
        ->type_name("FILE")
        ->group("Output");
    app.add_flag("--keep-going", cl.KeepGoing, "batch: write the lines that succeed")
        ->group("Output");
    app.add_option("--jobs", cl.Jobs,
                   "batch: run up to N lines at once (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::Range(1u, MaxJobs))
        ->group("Output");
    app.add_flag("--allow-outside", cl.AllowOutside,
                 "batch: let output= name files outside the batch file's folder")
        ->group("Output");
    app.add_option("--stats", cl.Stats,
                   "after the job, print the size, lengths, plunges and estimated time on "
                   "standard output (--stats=json: as JSON)")
        ->expected(0, 1)
        ->type_name("[json]")
        ->group("Output");
    app.add_option("-p,--params", cl.ParamsFile,
                   "parameter file to read instead of Parameters.cfg (see below)")
        ->type_name("FILE")
        ->group("Machining parameters (replace those of the file)");

    bool listFonts = false;
    app.add_flag("--list-fonts", listFonts, "list the stroke fonts and the system fonts, and stop")
        ->group("Text and font");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        exitStatus = app.exit(e); // --help
        return std::nullopt;
    } catch (const CLI::ParseError& e) {
        throw ECliError(std::string(e.what()) + " (see --help)", ECliError::UsageFailed);
    }
    if (cl.Version) {
        std::cout << VersionText;
        if (cl.Verbose)
            std::cout << DescribeParameterFiles(parameterFiles(cl)) << '\n';
        exitStatus = 0;
        return std::nullopt;
    }

    if (listFonts) {
        printFonts(std::cout);
        exitStatus = 0;
        return std::nullopt;
    }

    for (std::size_t i = 0; i < keys.size(); ++i)
        if (options[i]->count() > 0)
            cl.Settings.emplace_back(keys[i].Name, keys[i].Value ? values[i]
                                                   : flags[i]    ? "yes"
                                                                 : "no");
    if (app.count("TEXT") > 0)
        cl.Settings.emplace_back("text", cl.Text);
    if (app.count("TEXT") > 0 && app.count("--text") > 0)
        throw ECliError("give the text either as an argument or with --text",
                        ECliError::UsageFailed);
    if (app.count("--stats") > 0) {
        if (cl.Stats.empty() || cl.Stats == "text")
            cl.Stats = "text";
        else if (cl.Stats != "json")
            throw ECliError("--stats: '" + cl.Stats + "' is not json", ECliError::UsageFailed);
        if (!cl.Batch.empty())
            throw ECliError("--stats works for one job, not with --batch", ECliError::UsageFailed);
    }
    return cl;
}

// The job the options describe, which every batch line starts from. Throws ECliError
// (usage).
TCliJob baseJob(const TCommandLine& cl) {
    TCliJob base;
    ApplySettings(base, cl.Settings, "--");
    // A batch may name every line's file with output= instead.
    if (cl.Output.empty() && cl.Batch.empty())
        throw ECliError("no output file: give -o FILE.Dnc or -o FILE.Dxf (see --help)",
                        ECliError::UsageFailed);
    base.Output = cl.Output;
    return base;
}

// The jobs to run: the base job alone, or one per line of the batch file, each with its
// output file and format. Throws ECliError (usage).
std::vector<TPlannedJob> planJobs(const TCommandLine& cl, const TCliJob& base) {
    std::vector<TPlannedJob> jobs;
    if (cl.Batch.empty()) {
        CheckTextSize(base, "");
        TPlannedJob job{base, base.Output, ResolveFormat(base.Format, base.Output), "", 0};
        jobs.push_back(std::move(job));
        return jobs;
    }
    if (base.TextGiven)
        throw ECliError("a text and --batch exclude each other", ECliError::UsageFailed);
    const std::string content = readWholeFile(cl.Batch);
    const std::string batchName = cl.Batch == "-" ? "<stdin>" : cl.Batch;
    for (TBatchLine& line : ParseBatch(content, batchName)) {
        const std::string where = batchName + ":" + std::to_string(line.LineNumber) + ": ";
        TPlannedJob job{base, {}, TSaveFormat::GCode, where, line.LineNumber};
        line.Settings.insert(line.Settings.begin(), {"text", line.Text});
        ApplySettings(job.Job, line.Settings, where);
        CheckTextSize(job.Job, where);
        if (job.Job.Output.empty())
            throw ECliError(where + "no output file: give -o PATTERN or output=NAME",
                            ECliError::UsageFailed);
        const bool ownOutput = std::any_of(line.Settings.begin(), line.Settings.end(),
                                           [](const auto& kv) { return kv.first == "output"; });
        try {
            job.File = ExpandOutputPattern(job.Job.Output, line.LineNumber, job.Job.Numbers.Text);
            // A batch file may come from someone else: the names it gives are its own
            // folder's, and may not reach beyond it unless the user says so.
            if (ownOutput)
                job.File = BatchOutputPath(cl.Batch == "-" ? fs::path() : fs::path(cl.Batch),
                                           job.File, cl.AllowOutside);
            job.Format = ResolveFormat(job.Job.Format, job.File.string());
        } catch (const ECliError& e) {
            throw ECliError(where + e.what(), e.ExitStatus);
        }
        jobs.push_back(std::move(job));
    }
    if (jobs.empty())
        throw ECliError(batchName + ": no jobs in the file", ECliError::UsageFailed);
    CheckBatchOutputs(jobs);
    return jobs;
}

// The window's start values, then the parameter file: --params, else Parameters.cfg beside
// the program (shipped with it) or an installed program's user or default file, else the
// start values alone.
TMachiningParameters loadParameters(const TCommandLine& cl) {
    TGlobals start;
    SetStartupValues(start);
    const fs::path file = parameterFiles(cl).Read;
    try {
        if (!LoadParameters(start.Params, file) && !cl.ParamsFile.empty())
            throw ECliError(cl.ParamsFile + ": no such parameter file", ECliError::UsageFailed);
    } catch (const EParameterFileError& e) {
        throw ECliError(e.what(), ECliError::UsageFailed);
    } catch (const EParameterValueError& e) {
        // A machine setting the file holds but no program can use: the file is wrong.
        throw ECliError(e.what(), ECliError::UsageFailed);
    }
    // The same rules as for the options: a file's negative clearance is no less a crash.
    const auto problems = ParameterRangeProblems(start.Params);
    if (!problems.empty()) {
        std::string message = file.string() + ": ";
        for (std::size_t i = 0; i < problems.size(); ++i)
            message += (i > 0 ? "; " : "") + problems[i].Message;
        throw ECliError(message, ECliError::UsageFailed);
    }
    return start.Params;
}

int run(int argc, char** argv) {
    int exitStatus = 0;
    const std::optional<TCommandLine> cl = parseCommandLine(argc, argv, exitStatus);
    if (!cl)
        return exitStatus;
    if (cl->Verbose)
        std::cerr << "orlenta-cli: " << DescribeParameterFiles(parameterFiles(*cl)) << std::endl;
    const TCliJob base = baseJob(*cl);
    const TMachiningParameters params = loadParameters(*cl);
    const std::vector<TPlannedJob> jobs = planJobs(*cl, base);
    CheckOutputsAreNotInputs(
        jobs, {parameterFiles(*cl).Read, cl->Batch == "-" ? fs::path() : fs::path(cl->Batch)});

    // Nothing here waits for a window; notes the pipeline shows go to standard error.
    SetMessageBoxHook([](const std::string& text) {
        std::cerr << "orlenta-cli: " << oneLine(text) << std::endl;
    });
    // The program's own state: the window's process-wide one is not used here.
    TGlobals state;
    SetStartupValues(state);
    TTTFToVectorConverter ttf;
    if (cl->Batch.empty()) {
        // The figures are read from the toolpaths, which are then kept.
        RunJob(jobs.front(), params, state, ttf, jobs.front().File, {}, !cl->Stats.empty());
        if (!cl->Stats.empty()) {
            const TProgramStatistics s =
                state.CarvePaths.empty() ? ComputeStatistics(state.Toolpaths, state.Params)
                                         : ComputeCarveStatistics(state.CarvePaths, state.Params);
            std::cout << (cl->Stats == "json" ? StatisticsJson(s, state.Params.Machine.Units)
                                              : StatisticsText(s, state.Params.Machine.Units));
        }
        return 0;
    }
    return RunBatch(jobs, params, state, ttf, cl->KeepGoing, std::cerr, cl->Jobs);
}

} // namespace

int main(int argc, char** argv) {
    // An interrupted run leaves none of its temporary files behind.
    InstallStopSignalCleanup();
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "orlenta-cli: out of memory" << std::endl;
        return ECliError::JobFailed;
    } catch (const ECliError& e) {
        ReportError(std::cerr, e);
        return e.ExitStatus;
    } catch (const std::exception& e) {
        std::cerr << "orlenta-cli: " << oneLine(e.what()) << std::endl;
        return ECliError::JobFailed;
    }
}
