// Writing a file so that a failure never costs the user the file they had: the bytes go
// to a temporary file beside the target, which replaces the target only once it is
// complete, flushed and closed.
#pragma once

#include <filesystem>
#include <string_view>

// One file being written. Every failure throws EInOutError carrying the system's message
// ("No space left on device", "Permission denied", ...). Until Commit succeeds the target
// is untouched; destroying an uncommitted writer removes the temporary file.
//
// A target that exists but is not a regular file (a device such as /dev/null, a FIFO) is
// written in place: renaming over it would replace the device node with a plain file.
// A symbolic link is followed, so the file it points at is replaced and the link stays.
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
    void Abandon() noexcept;

    std::filesystem::path Target;
    std::filesystem::path Temporary; // empty when writing in place
    int Fd = -1;
    bool Committed = false;
};

// The whole file in one call.
void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes);
