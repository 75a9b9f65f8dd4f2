// Buffered, all-or-nothing output file of the DXF writer; see DXFTextFile.h.
#include "dxf/DXFTextFile.h"

#include "dxf/DXFFormat.h"
#include "kernel/Errors.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace orlenta {

namespace {

// Large enough that a million-line drawing costs a few hundred write calls.
constexpr std::size_t BufferSize = 1 << 20;
// Values up to this length are copied into the buffer in one piece with their group code.
constexpr std::size_t ShortValue = 64;

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
    : fileName_(fileName), file_(fileName), buffer_(std::make_unique<char[]>(BufferSize)) {}

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
    file_.Write(std::string_view(buffer_.get(), used_));
    used_ = 0;
}

void DXFTextFile::WriteRaw(std::string_view text) {
    char* p = Reserve(text.size());
    if (!p) {
        file_.Write(text);
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
    file_.Commit();
}

} // namespace orlenta
