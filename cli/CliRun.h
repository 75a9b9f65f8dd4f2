// Running jobs: the shared Create on the program's own state, then the shared Save of the
// chosen format. A batch either writes every file or none.
#pragma once

#include "cli/CliJob.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace orlenta {

class TTTFToVectorConverter;

// Where a job's warnings go; empty: ShowMessage.
using TWarn = std::function<void(const std::string&)>;

// A job with its output decided.
struct TPlannedJob {
    TCliJob Job;
    std::filesystem::path File;
    TSaveFormat Format = TSaveFormat::GCode;
    std::string Where;  // "jobs.txt:12: " in a batch, empty for a single job
    int LineNumber = 0; // of the batch file
};

// Runs Create for job on state, with the parameters base plus the job's overrides, and
// saves the toolpaths to file. The window's notes ("No Text to convert!", "Radius can not
// be 0!", "Radius is too small"), problems found by the check before saving (unless the job
// forces the save; they are the error's details) and every error of Create or Save throw
// ECliError (job failed); file is then untouched. Unless keepToolpaths, a G-code job keeps
// no toolpaths in state (CreateAndSaveGCode).
void RunJob(const TPlannedJob& job, const TMachiningParameters& base, TGlobals& state,
            TTTFToVectorConverter& ttf, const std::filesystem::path& file, const TWarn& warn = {},
            bool keepToolpaths = false);

// The file a batch line's output=NAME names: a relative name is taken in the batch file's
// folder (the current folder for standard input, given as an empty path). Unless
// allowOutside, a name that leaves that folder (an absolute path, "..", a symbolic link
// that leads out) throws ECliError (usage).
std::filesystem::path BatchOutputPath(const std::filesystem::path& batchFile,
                                      const std::filesystem::path& name, bool allowOutside);

// Refuses (ECliError, usage) an output that is one of the run's inputs, the same file by
// device and inode whatever the name: writing it would destroy the input.
void CheckOutputsAreNotInputs(const std::vector<TPlannedJob>& jobs,
                              const std::vector<std::filesystem::path>& inputs);

// Checks the output files of a batch before anything runs: no two jobs may write the same
// file, and an existing target must be a regular file. Symbolic links are resolved in
// File. Throws ECliError (usage).
void CheckBatchOutputs(std::vector<TPlannedJob>& jobs);

// Runs every job on state. Without keepGoing, all files are first written beside their
// targets under temporary names and put in place only when every job has succeeded; the
// first failure removes them and throws. With keepGoing, each job's file is written as it
// succeeds, each failure is reported on err, and the result is the exit status.
//
// threads > 1 runs up to that many jobs at once, each on a copy of state with a converter
// of its own: the same files, the same all-or-nothing outcome, the same notes and errors
// in line order (given once the jobs have run).
int RunBatch(const std::vector<TPlannedJob>& jobs, const TMachiningParameters& base,
             TGlobals& state, TTTFToVectorConverter& ttf, bool keepGoing, std::ostream& err,
             unsigned threads = 1);

} // namespace orlenta
