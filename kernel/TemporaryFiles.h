// Files that exist only while the program works on them (the temporary file of a save, the
// finished files of a batch before they are put in place), and their removal when the
// program is stopped by SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <csignal>
#include <cstddef>
#include <filesystem>

namespace orlenta {

// Installs the handlers of SIGINT, SIGTERM and SIGHUP: each removes every registered file,
// then ends the program by the same signal (a shell sees "killed by SIGINT", status 130).
// Ignores SIGXFSZ, so that a write beyond the file size limit fails with "File too large"
// and is reported and cleaned up like any other failed write. Called once, at the start
// of main, by each front end.
//
// Any thread may register, create, rename and unregister files while another receives the
// signal: the handler first stops every thread from starting such a step, waits for the
// steps under way to end, and only then removes the files, so that no file can appear
// after it has looked.
void InstallStopSignalCleanup();

// Registers a file to remove if the program is stopped; returns its ticket. Register the
// name before creating the file, so that no moment exists where it is there unregistered.
std::size_t RegisterTemporary(const std::filesystem::path& file);
// The file is gone or has been renamed into place: it is no longer removed on a signal.
void UnregisterTemporary(std::size_t ticket);
// How many files are registered (for tests).
std::size_t RegisteredTemporaries();

// Creates a registered file, open(2) with flags (which include O_CREAT) and mode, as one
// step for the stop handler: it removes the file if it exists, and a stopped program
// creates none. Returns the descriptor, or -1 with errno set. Creating a registered file
// by any other means is safe only where no other thread can receive the stop signal.
int CreateRegistered(const std::filesystem::path& file, int flags, unsigned mode);
// Renames the registered file from (ticket) to to and unregisters it, as one step for the
// stop handler, so that a signal finds the file either under its registered name or in
// place. Returns 0, or -1 with errno set (from stays registered then).
int RenameRegistered(std::size_t ticket, const std::filesystem::path& from,
                     const std::filesystem::path& to);

// Holds the stop signals back from the calling thread for its lifetime, for a phase that
// must finish whole once begun (putting a batch's files in place); a signal that came
// meanwhile takes effect at the end. Where other threads run, they may still take it.
class TStopSignalsDeferred {
  public:
    TStopSignalsDeferred();
    ~TStopSignalsDeferred();
    TStopSignalsDeferred(const TStopSignalsDeferred&) = delete;
    TStopSignalsDeferred& operator=(const TStopSignalsDeferred&) = delete;

  private:
    sigset_t Previous;
};

} // namespace orlenta
