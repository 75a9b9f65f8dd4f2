// Files that exist only while the program works on them (the temporary file of a save, the
// finished files of a batch before they are put in place), and their removal when the
// program is stopped by SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <cstddef>
#include <filesystem>

namespace orlenta {

// Installs the handlers of SIGINT, SIGTERM and SIGHUP: each removes every registered file,
// then ends the program by the same signal (a shell sees "killed by SIGINT", status 130).
// Ignores SIGXFSZ, so that a write beyond the file size limit fails with "File too large"
// and is reported and cleaned up like any other failed write. Called once, at the start
// of main, by each front end.
void InstallStopSignalCleanup();

// Registers a file to remove if the program is stopped; returns its ticket. Register the
// name before creating the file, so that no moment exists where it is there unregistered.
std::size_t RegisterTemporary(const std::filesystem::path& file);
// The file is gone or has been renamed into place: it is no longer removed on a signal.
void UnregisterTemporary(std::size_t ticket);
// How many files are registered (for tests).
std::size_t RegisteredTemporaries();

} // namespace orlenta
