// Running the shared Create and Save for one job or a batch; see CliRun.h.
#include "cli/CliRun.h"

#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/Errors.h"
#include "kernel/Hooks.h"
#include "kernel/SafeFile.h"
#include "kernel/TemporaryFiles.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace orlenta {

namespace fs = std::filesystem;

namespace {

ECliError jobError(const std::string& message) {
    return ECliError(message, ECliError::JobFailed);
}

// Create only stops without a note for an empty arc field, which the options never pass,
// and for an arc of height 0.
std::string silentStopMessage(const TCliJob& job) {
    if (job.Numbers.Arc)
        return "Height can not be 0 on an arc!";
    return "Create stopped";
}

// Create's notes and outcome as the job's failure or warning. where prefixes the warning
// about characters the font lacks ("jobs.txt:12: ").
void checkCreated(const TCliJob& job, const TCreateResult& result, const std::string& where,
                  const TWarn& warn) {
    if (!result.Message.empty())
        throw jobError(result.Message);
    if (result.Outcome != TCreateOutcome::Done)
        throw jobError(silentStopMessage(job));
    if (!result.MissingCharacters.empty()) {
        const std::string note =
            where + "warning: " + MissingGlyphsNote(job.Font, result.MissingCharacters);
        if (warn)
            warn(note);
        else
            ShowMessage(note);
    }
}

// A temporary name beside the target, short enough for any target name.
fs::path temporaryFor(const fs::path& target, std::size_t index) {
    return target.parent_path() /
           (".orlenta-cli-" + std::to_string(::getpid()) + "-" + std::to_string(index) + ".part");
}

void removeQuietly(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

} // namespace

void RunJob(const TPlannedJob& job, const TMachiningParameters& base, TGlobals& state,
            TTTFToVectorConverter& ttf, const fs::path& file, const TWarn& warn,
            bool keepToolpaths) {
    TSaveResult saved;
    std::exception_ptr saveFailure;
    try {
        state.Params = base;
        ApplyOverrides(job.Job.Params, state.Params);
        if (job.Format == TSaveFormat::GCode && !keepToolpaths) {
            // Nothing here reads the toolpaths after the save: they go into the file as
            // they are built.
            TCreateSaveResult result = CreateAndSaveGCode(state, job.Job.Numbers, job.Job.Font, ttf,
                                                          job.Job.Style, file, job.Job.Force);
            checkCreated(job.Job, result.Created, job.Where, warn);
            saveFailure = result.SaveError;
            saved = std::move(result.Saved);
        } else {
            // Nothing here reads the contours after Create: their segments move into the
            // toolpaths.
            checkCreated(job.Job,
                         CreateCommand(state, job.Job.Numbers, job.Job.Font, ttf, {}, job.Job.Style,
                                       TContourUse::ToolpathsOnly),
                         job.Where, warn);
        }
    } catch (const std::exception& e) {
        throw jobError(job.Where + e.what());
    }
    try {
        if (saveFailure)
            std::rethrow_exception(saveFailure);
        if (job.Format != TSaveFormat::GCode || keepToolpaths)
            saved = SaveToolpaths(state, file, job.Format, job.Job.Force);
    } catch (const std::exception& e) {
        throw jobError(job.Where + job.File.string() + ": " + e.what());
    }
    if (!saved.Saved) {
        std::vector<std::string> details;
        for (const std::string& problem : saved.Problems)
            details.push_back(job.Where + problem);
        throw ECliError(job.Where + job.File.string() + ": not saved; --force saves it anyway",
                        ECliError::JobFailed, std::move(details));
    }
}

fs::path BatchOutputPath(const fs::path& batchFile, const fs::path& name, bool allowOutside) {
    const fs::path folder =
        batchFile.parent_path().empty() ? fs::path(".") : batchFile.parent_path();
    const fs::path file = folder / name; // an absolute name replaces the folder
    if (allowOutside)
        return file;
    std::error_code ec;
    const fs::path inside = fs::weakly_canonical(fs::absolute(folder), ec);
    const fs::path resolved = ec ? fs::path() : fs::weakly_canonical(fs::absolute(file), ec);
    const auto [end, _] =
        std::mismatch(inside.begin(), inside.end(), resolved.begin(), resolved.end());
    if (ec || end != inside.end() || resolved == inside)
        throw ECliError("output '" + name.string() +
                            "' is outside the batch file's folder (give --allow-outside to "
                            "allow it)",
                        ECliError::UsageFailed);
    return file;
}

void CheckOutputsAreNotInputs(const std::vector<TPlannedJob>& jobs,
                              const std::vector<fs::path>& inputs) {
    struct stat in {};
    for (const fs::path& input : inputs) {
        if (input.empty() || ::stat(input.c_str(), &in) != 0)
            continue;
        for (const TPlannedJob& job : jobs) {
            struct stat out {};
            if (::stat(job.File.c_str(), &out) == 0 && out.st_dev == in.st_dev &&
                out.st_ino == in.st_ino)
                throw ECliError(job.Where + job.File.string() + ": is an input of this run (" +
                                    input.string() + "); it would be overwritten",
                                ECliError::UsageFailed);
        }
    }
}

void CheckBatchOutputs(std::vector<TPlannedJob>& jobs) {
    std::map<fs::path, const TPlannedJob*> seen;
    for (TPlannedJob& job : jobs) {
        std::error_code ec;
        const fs::path resolved = fs::weakly_canonical(fs::absolute(job.File), ec);
        if (ec)
            throw ECliError(job.Where + job.File.string() + ": " + ec.message(),
                            ECliError::UsageFailed);
        const fs::file_status status = fs::status(resolved, ec);
        if (fs::exists(status) && !fs::is_regular_file(status))
            throw ECliError(job.Where + job.File.string() + ": not a regular file",
                            ECliError::UsageFailed);
        const auto [it, inserted] = seen.emplace(resolved, &job);
        if (!inserted)
            throw ECliError(job.Where + "output '" + job.File.string() +
                                "' is already the output of line " +
                                std::to_string(it->second->LineNumber),
                            ECliError::UsageFailed);
        job.File = resolved;
    }
}

namespace {

// What one job of a parallel batch leaves for the reporting, which follows the order of
// the lines, as it would when the jobs run one after another.
struct TJobOutcome {
    std::vector<std::string> Warnings;
    std::exception_ptr Error;
};

// Runs the jobs on up to threads threads, each with its own state and converter (the
// caller's for the first). file(i) is where job i writes. Jobs are taken in line order;
// unless keepGoing, none after the first failing line is started, so every line before
// it has run, as one after another would have.
std::vector<TJobOutcome> runInParallel(const std::vector<TPlannedJob>& jobs,
                                       const TMachiningParameters& base, TGlobals& state,
                                       TTTFToVectorConverter& ttf, bool keepGoing, unsigned threads,
                                       const std::function<fs::path(std::size_t)>& file) {
    std::vector<TJobOutcome> outcomes(jobs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> firstFailure{jobs.size()};
    const auto work = [&](TGlobals& ownState, TTTFToVectorConverter& ownTtf) {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= jobs.size() || (!keepGoing && i > firstFailure.load()))
                return;
            TJobOutcome& outcome = outcomes[i];
            try {
                RunJob(jobs[i], base, ownState, ownTtf, file(i),
                       [&outcome](const std::string& note) { outcome.Warnings.push_back(note); });
            } catch (...) {
                outcome.Error = std::current_exception();
                std::size_t seen = firstFailure.load();
                while (i < seen && !firstFailure.compare_exchange_weak(seen, i)) {
                }
            }
        }
    };
    const unsigned extra = static_cast<unsigned>(std::min<std::size_t>(threads, jobs.size()) - 1);
    // Copied before any job changes state.
    std::vector<TGlobals> states(extra, state);
    std::vector<std::exception_ptr> threadErrors(extra);
    {
        std::vector<std::jthread> workers;
        for (unsigned t = 0; t < extra; ++t)
            workers.emplace_back([&, t] {
                try {
                    TTTFToVectorConverter ownTtf;
                    work(states[t], ownTtf);
                } catch (...) {
                    threadErrors[t] = std::current_exception(); // no converter: out of memory
                }
            });
        work(state, ttf);
    }
    for (const std::exception_ptr& e : threadErrors)
        if (e)
            std::rethrow_exception(e);
    return outcomes;
}

} // namespace

int RunBatch(const std::vector<TPlannedJob>& jobs, const TMachiningParameters& base,
             TGlobals& state, TTTFToVectorConverter& ttf, bool keepGoing, std::ostream& err,
             unsigned threads) {
    const bool parallel = threads > 1 && jobs.size() > 1;
    if (keepGoing && parallel) {
        const auto outcomes = runInParallel(jobs, base, state, ttf, true, threads,
                                            [&jobs](std::size_t i) { return jobs[i].File; });
        int failed = 0;
        for (const TJobOutcome& outcome : outcomes) {
            for (const std::string& note : outcome.Warnings)
                ShowMessage(note);
            if (!outcome.Error)
                continue;
            try {
                std::rethrow_exception(outcome.Error);
            } catch (const ECliError& e) {
                ReportError(err, e);
                ++failed;
            }
        }
        return failed == 0 ? 0 : ECliError::JobFailed;
    }
    if (keepGoing) {
        int failed = 0;
        for (const TPlannedJob& job : jobs) {
            try {
                RunJob(job, base, state, ttf, job.File);
            } catch (const ECliError& e) {
                ReportError(err, e);
                ++failed;
            }
        }
        return failed == 0 ? 0 : ECliError::JobFailed;
    }

    // Every file is written under a temporary name first, so that a failing line leaves
    // none of the batch's files behind. Each is registered, so that a stop signal removes
    // them too.
    std::vector<fs::path> written;
    std::vector<std::size_t> tickets;
    const auto discard = [&](std::size_t from) {
        for (std::size_t i = from; i < written.size(); ++i) {
            removeQuietly(written[i]);
            UnregisterTemporary(tickets[i]);
        }
    };
    // A target that cannot be written is refused before anything is written.
    for (const TPlannedJob& job : jobs) {
        try {
            CheckWritable(job.File);
        } catch (const std::exception& e) {
            throw jobError(job.Where + job.File.string() + ": " + e.what());
        }
    }
    if (parallel) {
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            const fs::path temporary = temporaryFor(jobs[i].File, i);
            tickets.push_back(RegisterTemporary(temporary));
            written.push_back(temporary);
        }
        std::vector<TJobOutcome> outcomes;
        try {
            outcomes = runInParallel(jobs, base, state, ttf, false, threads,
                                     [&written](std::size_t i) { return written[i]; });
        } catch (...) {
            discard(0);
            throw;
        }
        // The notes and the first failure in line order, as one job after another gives.
        for (const TJobOutcome& outcome : outcomes) {
            for (const std::string& note : outcome.Warnings)
                ShowMessage(note);
            if (outcome.Error) {
                discard(0);
                std::rethrow_exception(outcome.Error);
            }
        }
    } else {
        try {
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                const fs::path temporary = temporaryFor(jobs[i].File, i);
                tickets.push_back(RegisterTemporary(temporary));
                written.push_back(temporary);
                RunJob(jobs[i], base, state, ttf, temporary);
            }
        } catch (...) {
            discard(0);
            throw;
        }
    }
    // A rename can still fail part-way (a folder appears at a target meanwhile). The old
    // files are kept as copies until every new one is in place, so that they can be put
    // back and the batch stays all or nothing. A stop signal waits for the end of this
    // phase (only this thread runs now): stopped half-way, it would leave half a batch.
    const TStopSignalsDeferred wholeBatch;
    std::vector<fs::path> kept(jobs.size());
    std::vector<std::size_t> keptTickets(jobs.size());
    const auto dropKept = [&] {
        for (std::size_t i = 0; i < kept.size(); ++i)
            if (!kept[i].empty()) {
                removeQuietly(kept[i]);
                UnregisterTemporary(keptTickets[i]);
            }
    };
    try {
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            std::error_code ec;
            if (!fs::is_regular_file(jobs[i].File, ec))
                continue;
            fs::path copy =
                jobs[i].File.parent_path() /
                (".orlenta-cli-" + std::to_string(::getpid()) + "-" + std::to_string(i) + ".old");
            keptTickets[i] = RegisterTemporary(copy);
            kept[i] = copy;
            fs::copy_file(jobs[i].File, copy, fs::copy_options::overwrite_existing);
        }
    } catch (const std::exception& e) {
        dropKept();
        discard(0);
        throw jobError(std::string("cannot keep the old files until the batch is done: ") +
                       e.what());
    }
    // Each folder is synced once when every file is in place, not once per file: the
    // batch's files are written one after another here, and a folder's fsync costs as much
    // as a file's.
    std::set<fs::path> folders;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        try {
            if (fs::path folder = PutFinishedFileInPlace(written[i], jobs[i].File, false);
                !folder.empty())
                folders.insert(std::move(folder));
            UnregisterTemporary(tickets[i]);
        } catch (const std::exception& e) {
            // Put back what the batch had replaced; a target that was new goes again.
            for (std::size_t k = 0; k < i; ++k) {
                try {
                    if (kept[k].empty()) {
                        removeQuietly(jobs[k].File);
                    } else {
                        PutFinishedFileInPlace(kept[k], jobs[k].File);
                        UnregisterTemporary(keptTickets[k]);
                        kept[k].clear();
                    }
                } catch (const std::exception&) {
                    // The copy stays beside the target, where the user can find it.
                    UnregisterTemporary(keptTickets[k]);
                    kept[k].clear();
                }
            }
            dropKept();
            discard(i);
            throw jobError(jobs[i].Where + jobs[i].File.string() + ": " + e.what());
        }
    }
    for (const fs::path& folder : folders)
        SyncFolder(folder);
    dropKept();
    return 0;
}

} // namespace orlenta
