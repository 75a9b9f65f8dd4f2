// The output file of the DXF writer: group pairs into a buffer, the buffer into a
// TSafeFileWriter, so the target is replaced only once the whole drawing is on disk.
// A failure at any point raises EInOutError with the system's message, leaves the old file
// as it was and removes the temporary file.
#pragma once

#include "kernel/SafeFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orlenta {

class DXFTextFile {
  public:
    // Creates the temporary file; the target is not touched yet.
    explicit DXFTextFile(const std::string& fileName);
    DXFTextFile(const DXFTextFile&) = delete;
    DXFTextFile& operator=(const DXFTextFile&) = delete;

    // One group pair: the code, then the value, each line ended by CR LF.
    void WriteString(int code, std::string_view value);
    void WriteInteger(int code, std::int64_t value);
    // Entity reals (RealToStr) and header reals (15-digit general form). A value that is
    // not finite raises EInvalidOp / EOverflow instead of reaching the file.
    void WriteReal(int code, double value);
    void WriteGeneral(int code, double value);
    // Text written as it is; the caller supplies the line ends.
    void WriteRaw(std::string_view text);

    // Writes out the buffer and puts the file in place of the target.
    void Commit();

    const std::string& FileName() const { return fileName_; }

  private:
    char* Reserve(std::size_t n);
    void Flush();
    void WriteCode(int code);

    std::string fileName_;
    TSafeFileWriter file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

} // namespace orlenta
