// Temporary-file-and-rename writing; see SafeFile.h.
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
    const bool exists = ::stat(Target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        Fd = ::open(Target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (Fd < 0)
            ThrowErrno(errno);
        return;
    }
    // Creating with mode 0666 lets the umask decide, as for any new file; an existing
    // file's permissions are carried over below.
    const auto dir = Target.parent_path();
    // Built by appending: g++ 12 at -O3 reports a false -Wrestrict on "." + name.
    std::string base(1, '.');
    base += Target.filename().string();
    base += '.';
    constexpr int Attempts = 100;
    for (int i = 0; i < Attempts && Fd < 0; ++i) {
        std::string name = base;
        name += RandomSuffix();
        name += ".tmp";
        auto candidate = dir / name;
        Fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd >= 0)
            Temporary = std::move(candidate);
        else if (errno != EEXIST)
            ThrowErrno(errno);
    }
    if (Fd < 0)
        ThrowErrno(EEXIST);
    if (exists)
        (void)::fchmod(Fd, st.st_mode & 07777); // best effort: the content matters more
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
}

void TSafeFileWriter::Write(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(Fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void TSafeFileWriter::Commit() {
    if (Temporary.empty()) {
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
