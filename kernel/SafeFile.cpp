// Temporary-file-and-rename writing, and rewriting in place where a rename would not
// respect the file; see SafeFile.h.
#include "kernel/SafeFile.h"

#include "kernel/Errors.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

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
    // Opening for writing is the one check that sees everything that may forbid the write:
    // permission bits, ACLs, a read-only mount, an immutable flag. It changes nothing.
    const int targetFd = ::open(Target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (targetFd < 0)
        ThrowErrno(errno);
    bool replaceable = false;
    try {
        // A rename would leave the other names of a hard-linked file with the old content.
        replaceable = st.st_nlink <= 1 && CreateTemporary() == 0;
        if (replaceable) {
            struct stat made {};
            if (::fstat(Fd, &made) != 0)
                ThrowErrno(errno);
            // The new file is the writer's; only the file's owner (or root) can hand it on.
            if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) &&
                ::fchown(Fd, st.st_uid, st.st_gid) != 0)
                replaceable = false;
        }
    } catch (...) {
        // No destructor runs for a constructor that throws.
        Abandon();
        ::close(targetFd);
        throw;
    }
    if (replaceable) {
        ::close(targetFd);
        // After the chown, which clears the set-id bits. Best effort: the content matters more.
        (void)::fchmod(Fd, st.st_mode & 07777);
        return;
    }
    Abandon();
    Mode = TMode::InPlace;
    Fd = targetFd;
}

int TSafeFileWriter::CreateTemporary() {
    // Creating with mode 0666 lets the umask decide, as for any new file; an existing
    // file's permissions are carried over by the caller.
    const auto dir = Target.parent_path();
    // Built by appending: g++ 12 at -O3 reports a false -Wrestrict on "." + name.
    std::string base(1, '.');
    base += Target.filename().string();
    base += '.';
    constexpr int Attempts = 100;
    for (int i = 0; i < Attempts; ++i) {
        std::string name = base;
        name += RandomSuffix();
        name += ".tmp";
        auto candidate = dir / name;
        Fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd >= 0) {
            Temporary = std::move(candidate);
            return 0;
        }
        const int err = errno;
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
    if (!Temporary.empty())
        ::unlink(Temporary.c_str());
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
        if (::ftruncate(Fd, 0) != 0)
            ThrowErrno(errno);
        WriteAll(Fd, Held);
        if (::fsync(Fd) != 0)
            ThrowErrno(errno);
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
    if (::rename(Temporary.c_str(), Target.c_str()) != 0)
        ThrowErrno(errno);
    Temporary.clear();
    Committed = true;
    // Make the rename itself durable; a failure here no longer endangers any data.
    auto dir = Target.parent_path();
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes) {
    TSafeFileWriter file(target);
    file.Write(bytes);
    file.Commit();
}
