// Temporary-file-and-rename writing, and rewriting in place where a rename would not
// respect the file; see SafeFile.h.
#include "kernel/SafeFile.h"

#include "kernel/Errors.h"
#include "kernel/TemporaryFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace orlenta {

namespace {

[[noreturn]] void ThrowErrno(int err) {
    throw EInOutError(std::generic_category().message(err));
}

void WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// The folder will not take a new file beside the target (or its name would be too long);
// the target itself may still be writable.
bool FolderRefuses(int err) {
    return err == EACCES || err == EPERM || err == EROFS || err == ENAMETOOLONG;
}

// Follows a symbolic link to the file it names, so that the rename replaces that file
// and not the link. A dangling link is replaced by the new file.
std::filesystem::path ResolveTarget(const std::filesystem::path& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        auto resolved = std::filesystem::canonical(target, ec);
        if (!ec)
            return resolved;
    }
    return target;
}

// Opening for writing is the one check that sees everything that may forbid the write:
// permission bits, ACLs, a read-only mount, an immutable flag. It changes nothing.
int OpenForWriting(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        ThrowErrno(errno);
    return fd;
}

// Closes a descriptor when it goes out of scope.
class TFdGuard {
  public:
    explicit TFdGuard(int fd) : fd_(fd) {}
    ~TFdGuard() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFdGuard(const TFdGuard&) = delete;
    TFdGuard& operator=(const TFdGuard&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

// Whether the new file open as fd can take the place of the regular file st by rename
// and keep what that file was: not when it has further hard links (the other names would
// keep the old content), nor when its owner or group cannot be handed on (only the file's
// owner or root can do that). On success the new file has the old one's owner, group and
// permission bits.
bool TakeOver(int fd, const struct stat& st) {
    if (st.st_nlink > 1)
        return false;
    struct stat made {};
    if (::fstat(fd, &made) != 0)
        ThrowErrno(errno);
    if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0)
        return false;
    // After the chown, which clears the set-id bits. Best effort: the content matters more.
    (void)::fchmod(fd, st.st_mode & 07777);
    return true;
}

// Rewrites the file open as fd with bytes: truncate, write, flush to disk. A failure can
// leave it cut short.
void RewriteInPlace(int fd, std::string_view bytes) {
    if (::ftruncate(fd, 0) != 0)
        ThrowErrno(errno);
    WriteAll(fd, bytes);
    if (::fsync(fd) != 0)
        ThrowErrno(errno);
}

std::string RandomSuffix() {
    static constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 rng{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, sizeof(Alphabet) - 2);
    std::string s(8, ' ');
    for (char& c : s)
        c = Alphabet[pick(rng)];
    return s;
}

} // namespace

TSafeFileWriter::TSafeFileWriter(const std::filesystem::path& target)
    : Target(ResolveTarget(target)) {
    struct stat st {};
    if (::stat(Target.c_str(), &st) != 0) {
        // A new file: the folder must take it.
        if (const int refused = CreateTemporary())
            ThrowErrno(refused);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        Mode = TMode::Streamed;
        Fd = ::open(Target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (Fd < 0)
            ThrowErrno(errno);
        return;
    }
    const int targetFd = OpenForWriting(Target);
    bool replaceable = false;
    try {
        replaceable = st.st_nlink <= 1 && CreateTemporary() == 0 && TakeOver(Fd, st);
    } catch (...) {
        // No destructor runs for a constructor that throws.
        Abandon();
        ::close(targetFd);
        throw;
    }
    if (replaceable) {
        ::close(targetFd);
        return;
    }
    Abandon();
    Mode = TMode::InPlace;
    Fd = targetFd;
}

int TSafeFileWriter::CreateTemporary() {
    // Creating with mode 0666 lets the umask decide, as for any new file; an existing
    // file's permissions are carried over by the caller. The name does not grow with the
    // target's, so that a target whose name has the longest length allowed can be saved.
    const auto dir = Target.parent_path();
    constexpr int Attempts = 100;
    for (int i = 0; i < Attempts; ++i) {
        std::string name = ".orlenta-";
        name += RandomSuffix();
        name += ".tmp";
        auto candidate = dir / name;
        const std::size_t ticket = RegisterTemporary(candidate);
        Fd = CreateRegistered(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd >= 0) {
            Temporary = std::move(candidate);
            Ticket = ticket;
            return 0;
        }
        const int err = errno;
        UnregisterTemporary(ticket);
        if (FolderRefuses(err))
            return err;
        if (err != EEXIST)
            ThrowErrno(err);
    }
    ThrowErrno(EEXIST);
}

TSafeFileWriter::~TSafeFileWriter() {
    if (!Committed)
        Abandon();
}

void TSafeFileWriter::Abandon() noexcept {
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
    if (!Temporary.empty()) {
        ::unlink(Temporary.c_str());
        UnregisterTemporary(Ticket);
    }
    Temporary.clear();
}

void TSafeFileWriter::Write(std::string_view bytes) {
    if (Mode == TMode::InPlace)
        Held.append(bytes);
    else
        WriteAll(Fd, bytes);
}

void TSafeFileWriter::Commit() {
    if (Mode == TMode::Streamed) {
        const int fd = std::exchange(Fd, -1);
        Committed = true;
        if (::close(fd) != 0)
            ThrowErrno(errno);
        return;
    }
    if (Mode == TMode::InPlace) {
        // From here on a failure can leave the file cut short: the price of keeping its
        // owner, its links or its place in a folder that takes no new files.
        RewriteInPlace(Fd, Held);
        const int fd = std::exchange(Fd, -1);
        Committed = true;
        if (::close(fd) != 0)
            ThrowErrno(errno);
        return;
    }
    // fsync before the rename: otherwise a crash soon after could leave the new name
    // pointing at a file whose blocks never reached the disk.
    if (::fsync(Fd) != 0)
        ThrowErrno(errno);
    const int fd = std::exchange(Fd, -1);
    if (::close(fd) != 0)
        ThrowErrno(errno);
    if (RenameRegistered(Ticket, Temporary, Target) != 0)
        ThrowErrno(errno);
    Temporary.clear();
    Committed = true;
    SyncFolder(Target.parent_path());
}

void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes) {
    TSafeFileWriter file(target);
    file.Write(bytes);
    file.Commit();
}

void CheckWritable(const std::filesystem::path& target) {
    const auto file = ResolveTarget(target);
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::close(OpenForWriting(file));
}

void SyncFolder(const std::filesystem::path& dir) {
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

std::filesystem::path PutFinishedFileInPlace(const std::filesystem::path& finished,
                                             const std::filesystem::path& target, bool syncFolder) {
    const auto file = ResolveTarget(target);
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        const bool regular = S_ISREG(st.st_mode);
        // A device or FIFO is written as it is, as TSafeFileWriter does.
        const TFdGuard targetFd(regular ? OpenForWriting(file)
                                        : ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (targetFd.Get() < 0)
            ThrowErrno(errno);
        const TFdGuard finishedFd(::open(finished.c_str(), O_RDONLY | O_CLOEXEC));
        if (finishedFd.Get() < 0)
            ThrowErrno(errno);
        if (!regular || !TakeOver(finishedFd.Get(), st)) {
            std::string bytes;
            char chunk[1 << 16];
            for (ssize_t n; (n = ::read(finishedFd.Get(), chunk, sizeof chunk)) != 0;) {
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    ThrowErrno(errno);
                }
                bytes.append(chunk, static_cast<std::size_t>(n));
            }
            if (regular)
                RewriteInPlace(targetFd.Get(), bytes);
            else
                WriteAll(targetFd.Get(), bytes);
            ::unlink(finished.c_str());
            return {};
        }
    }
    if (::rename(finished.c_str(), file.c_str()) != 0)
        ThrowErrno(errno);
    if (syncFolder)
        SyncFolder(file.parent_path());
    return file.parent_path();
}

} // namespace orlenta
