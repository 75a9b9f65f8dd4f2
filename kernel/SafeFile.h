// Writing a file so that a failure never costs the user the file they had: the bytes go
// to a temporary file beside the target, which replaces the target only once it is
// complete, flushed and closed. The temporary file is removed when the program is stopped
// by a signal (see TemporaryFiles.h).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orlenta {

// One file being written. Every failure throws EInOutError carrying the system's message
// ("No space left on device", "Permission denied", ...). Until Commit succeeds the target
// is untouched; destroying an uncommitted writer removes the temporary file.
//
// The replacement respects the file it replaces:
// - An existing file that this process may not write is refused at once with the
//   system's message, as opening it for writing would be.
// - Where a new file cannot take the old one's place unchanged, the old file is rewritten
//   in place instead (truncated, written, flushed to disk): when the folder does not let
//   a file be created beside it, when it has further hard links (a rename would split
//   them), and when its owner or group differs and cannot be given to the new file. The
//   bytes are then held until Commit, so a failure before it still leaves the file as it
//   was; a failure during Commit can leave it cut short.
// - A file replaced by rename keeps its permission bits, owner and group.
// - A target that exists but is not a regular file (a device such as /dev/null, a FIFO)
//   is written in place as the bytes come: renaming over it would replace the device node
//   with a plain file.
// - A symbolic link is followed, so the file it points at is replaced and the link stays.
class TSafeFileWriter {
  public:
    explicit TSafeFileWriter(const std::filesystem::path& target);
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    // Writes all bytes (unbuffered: callers hand over large chunks).
    void Write(std::string_view bytes);
    // Flushes to disk, closes and puts the file in place of the target.
    void Commit();

  private:
    enum class TMode {
        Rename,   // into Temporary, renamed over Target on Commit
        InPlace,  // Target rewritten from Held on Commit
        Streamed, // straight into a target that is no regular file
    };
    // Creates the temporary file beside Target: 0, or the system's error number when the
    // folder refuses it. Other failures throw.
    int CreateTemporary();
    void Abandon() noexcept;

    std::filesystem::path Target;
    std::filesystem::path Temporary; // set while a temporary file exists
    std::size_t Ticket = 0;          // its registration for removal on a stop signal
    TMode Mode = TMode::Rename;
    std::string Held; // the bytes of an in-place write until Commit
    int Fd = -1;
    bool Committed = false;
};

// The whole file in one call.
void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes);

// For writers that finish several files before putting any in place (a batch that writes
// all or nothing): throws EInOutError with the system's message when target is an existing
// regular file that this process may not write.
void CheckWritable(const std::filesystem::path& target);
// Puts the finished file (complete and on disk, beside target) in place of target by the
// rules of TSafeFileWriter: renamed over it keeping its owner, group and permission bits,
// or copied into it in place where a rename would not keep them; finished is gone
// afterwards. A target that is no regular file is written as it is. Returns the folder a
// rename went into (empty when the file was written in place); with syncFolder false the
// caller makes that rename durable with SyncFolder, once for many files.
std::filesystem::path PutFinishedFileInPlace(const std::filesystem::path& finished,
                                             const std::filesystem::path& target,
                                             bool syncFolder = true);

// Makes the renames into dir durable (fsync of the folder); a failure here no longer
// endangers any data, so it is not reported.
void SyncFolder(const std::filesystem::path& dir);

} // namespace orlenta
