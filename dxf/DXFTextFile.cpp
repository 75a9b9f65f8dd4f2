// Buffered, all-or-nothing output file of the DXF writer; see DXFTextFile.h.
#include "DXFTextFile.h"

#include "DXFFormat.h"
#include "Errors.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace {

// Large enough that a million-line drawing costs a few hundred write calls.
constexpr std::size_t BufferSize = 1 << 20;
// Unique temporary names tried before giving up.
constexpr int TempNameAttempts = 100;
// Values up to this length are copied into the buffer in one piece with their group code.
constexpr std::size_t ShortValue = 64;

[[noreturn]] void ThrowSystemError(int err) {
    throw EInOutError(std::strerror(err));
}

// Writes every byte, resuming after signals and short writes.
void WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowSystemError(errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Group codes are small non-negative numbers; anything else still goes through to_chars.
char* PutCode(char* p, int code) {
    if (code >= 0 && code < 10) {
        *p++ = static_cast<char>('0' + code);
    } else if (code >= 10 && code < 100) {
        *p++ = static_cast<char>('0' + code / 10);
        *p++ = static_cast<char>('0' + code % 10);
    } else {
        p = std::to_chars(p, p + 12, code).ptr;
    }
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

} // namespace

DXFTextFile::DXFTextFile(const std::string& fileName)
    : target_(fileName), buffer_(std::make_unique<char[]>(BufferSize)) {
    namespace fs = std::filesystem;
    // Replacing a symbolic link would cut it; write where it points instead.
    std::error_code ec;
    if (fs::is_symlink(target_, ec)) {
        const fs::path resolved = fs::weakly_canonical(target_, ec);
        if (!ec)
            target_ = resolved.string();
    }
    const fs::path target(target_);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::random_device seed;
    std::mt19937_64 rng(seed() ^ static_cast<std::uint64_t>(::getpid()));
    for (int attempt = 0; attempt < TempNameAttempts; ++attempt) {
        char suffix[20];
        const auto r = std::to_chars(suffix, suffix + sizeof suffix, rng(), 36);
        std::string leaf = ".";
        leaf += target.filename().string();
        leaf += '.';
        leaf.append(suffix, r.ptr);
        leaf += ".tmp";
        const fs::path name = folder / leaf;
        // 0666 under the umask, as a file the program creates directly would get.
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temp_ = name.string();
            return;
        }
        if (errno != EEXIST)
            ThrowSystemError(errno);
    }
    ThrowSystemError(EEXIST);
}

DXFTextFile::~DXFTextFile() {
    if (!committed_)
        Discard();
}

void DXFTextFile::Discard() noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

char* DXFTextFile::Reserve(std::size_t n) {
    if (BufferSize - used_ < n)
        Flush();
    if (n > BufferSize) {
        // Only a huge string value gets here; it is written straight through.
        return nullptr;
    }
    return buffer_.get() + used_;
}

void DXFTextFile::Flush() {
    if (fd_ < 0)
        ThrowSystemError(EBADF);
    WriteAll(fd_, buffer_.get(), used_);
    used_ = 0;
}

void DXFTextFile::WriteRaw(std::string_view text) {
    char* p = Reserve(text.size());
    if (!p) {
        WriteAll(fd_, text.data(), text.size());
        return;
    }
    std::memcpy(p, text.data(), text.size());
    used_ += text.size();
}

void DXFTextFile::WriteCode(int code) {
    char* p = PutCode(Reserve(16), code);
    used_ = static_cast<std::size_t>(p - buffer_.get());
}

void DXFTextFile::WriteString(int code, std::string_view value) {
    if (value.size() > ShortValue) {
        WriteCode(code);
        WriteRaw(value);
        WriteRaw("\r\n");
        return;
    }
    char* p = PutCode(Reserve(16 + ShortValue + 2), code);
    for (char c : value)
        *p++ = c;
    *p++ = '\r';
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - buffer_.get());
}

void DXFTextFile::WriteInteger(int code, std::int64_t value) {
    WriteCode(code);
    char* p = Reserve(24);
    p = std::to_chars(p, p + 22, value).ptr;
    *p++ = '\r';
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - buffer_.get());
}

void DXFTextFile::WriteReal(int code, double value) {
    if (!std::isfinite(value))
        CheckFinite(value);
    char* p = PutCode(Reserve(16 + NumberTextMax + 2), code);
    p = AppendFixed(p, value, 6);
    *p++ = '\r';
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - buffer_.get());
}

void DXFTextFile::WriteGeneral(int code, double value) {
    CheckFinite(value);
    char* p = PutCode(Reserve(16 + NumberTextMax + 2), code);
    p = AppendGeneral(p, value);
    *p++ = '\r';
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - buffer_.get());
}

void DXFTextFile::Commit() {
    Flush();
    // The data must be on disk before the rename makes it the target, or a crash could
    // leave an empty file where the old drawing was.
    if (::fsync(fd_) != 0)
        ThrowSystemError(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        ThrowSystemError(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        ThrowSystemError(errno);
    committed_ = true;
}
