// Off-screen pixel surface with its own line rasteriser: clipping once per line, run-length
// stepping, a 32-bit dash pattern, one pixel loop per pixel size. The finished picture is
// handed to a sink that copies it onto the screen in one block.
#pragma once

#include "kernel/Errors.h"

#include <array>
#include <cstdint>
#include <vector>

namespace orlenta {

// All four bounds inclusive.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

struct TPaletteEntry {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    std::uint8_t Flags = 0;
};

struct TLogPalette {
    std::uint16_t Version = 0x300;
    std::uint16_t NumEntries = 0;
    std::array<TPaletteEntry, 256> Entries{};
};

// Raised when the pixel buffer cannot be made and when line clipping reaches a state its
// table does not provide for. The text is three lines joined by carriage returns.
class DIB_ERROR : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};
extern const char* const DibCreateMessage;
extern const char* const DibClipMessage;

// A read-only view of the finished picture. Rows are stored bottom-up: Bits is the bottom
// row, TopRow the top one, and RowBytes is negative. Every row starts on a 4-byte boundary.
//
// A Qt widget wraps it without copying as
//   QImage(Bits, Width, Height, BytesPerLine, fmt)
// with fmt Format_Indexed8 (format 2, colour table from Palette), Format_RGB555 (3),
// Format_RGB16 (4) or Format_BGR888 (5). That image is upside down (its first line is the
// bottom row), so paint it through a vertical flip, e.g. QTransform(1, 0, 0, -1, 0, Height).
struct TSurfaceImage {
    const std::uint8_t* Bits = nullptr;
    const std::uint8_t* TopRow = nullptr;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t RowBytes = 0;     // negative: adding it moves one row down the picture
    std::int32_t BytesPerLine = 0; // -RowBytes
    std::uint8_t Format = 5;
    std::int32_t BitsPerPixel = 24;
    const TLogPalette* Palette = nullptr; // format 2 only
    // Every block handed to a sink is numbered (unique across surfaces). Previous is the
    // number of this surface's previous block (0: none) and Changed, in picture pixels, the
    // box outside which no pixel changed since then (Left > Right: none did). A sink that
    // still holds block Previous, taken from the same place, need only refresh Changed.
    std::uint64_t Number = 0;
    std::uint64_t Previous = 0;
    TRect Changed;
};

// Where Draw delivers the picture: the block of width x height pixels whose top-left corner
// is (srcX, srcY) of the picture (y down) goes to (0, 0) of the destination. The block is
// already clipped to the surface; the destination clips it further.
class TSurfaceSink {
  public:
    virtual ~TSurfaceSink() = default;
    virtual void CopyBlock(const TSurfaceImage& image, std::int32_t srcX, std::int32_t srcY,
                           std::int32_t width, std::int32_t height) = 0;
};

class TDIBUltra {
  public:
    // Coordinate value that MoveTo and LineTo read as "keep the pen's coordinate".
    static constexpr std::int32_t Keep = 2147483647;

    // Formats: 2 = 8-bit palette index, 3 = 16-bit 5-5-5, 4 = 16-bit 5-6-5, 5 = 24-bit B, G, R.
    // Width and height run from 0 to 65535. Raises DIB_ERROR when the buffer cannot be made
    // (other formats, sizes out of range, a picture too large to hold).
    TDIBUltra(std::int32_t width, std::int32_t height, std::uint8_t format,
              const TLogPalette* palette = nullptr);

    // Narrows ClipRect to width x height; rebuilds the buffer (zeroed) only when it grows.
    void SetSize(std::int32_t width, std::int32_t height);
    // Fills the whole buffer with the brush colour.
    void Clear();
    // Hands the block r.Right x r.Bottom from (sx, sy) to the sink; nothing before Ready.
    void Draw(const TRect& r, TSurfaceSink& sink, std::int32_t sx, std::int32_t sy) const;

    std::uint32_t ColorToPixel(std::uint32_t color) const;
    void SetPenColor(std::uint32_t color);
    void SetBrushColor(std::uint32_t color);
    // Bit 31 is the next pixel; 0xFFFFFFFF solid, 0 suppresses drawing (only the pen moves).
    void SetLinePattern(std::uint32_t pattern);
    void MoveTo(std::int32_t x, std::int32_t y);
    // Draws from the pen to (x, y) in the pen colour and pattern and leaves the pen there.
    void LineTo(std::int32_t x, std::int32_t y);

    // A line does not set its end pixel, so joined lines do not set a shared pixel twice.
    bool ExcludeLastPixel = false;

    std::int32_t PenX() const { return penX; }
    std::int32_t PenY() const { return penY; }
    const TRect& ClipRect() const { return clipRect; }
    bool Ready() const { return ready; }
    std::int32_t Width() const { return width; }
    std::int32_t Height() const { return height; }
    std::int32_t RowBytes() const { return rowBytes; }
    std::int32_t RowWords() const { return rowBytes / 2; }
    std::int32_t ImageSize() const { return imageSize; }
    std::int32_t BitsPerPixel() const { return bitsPerPixel; }
    std::uint8_t Format() const { return format; }
    std::int32_t LineWidth() const { return 1; }
    std::uint32_t PenColor() const { return penColor; }
    std::uint32_t BrushColor() const { return brushColor; }
    std::uint32_t LinePattern() const { return linePattern; }
    std::uint32_t PenPixel() const { return penPixel; }
    bool PatternEmpty() const { return linePattern == 0; }
    bool Suppressed() const { return suppressed; }
    const TLogPalette& LogPalette() const { return logPalette; }

    // Writable access: whatever the caller writes is unknown to the surface, so the next
    // Clear fills everything and the next block counts as wholly changed.
    std::uint8_t* Bits() {
        forgetContents();
        return pixels.data();
    }
    std::uint8_t* TopRow() {
        forgetContents();
        return topRow;
    }
    TSurfaceImage Image() const;
    // Pixel value at (x, y), y down; 0 outside the buffer.
    std::uint32_t PixelAt(std::int32_t x, std::int32_t y) const;

  private:
    void Build(std::int32_t w, std::int32_t h);
    void forgetContents();
    void fillBox(const TRect& box, std::uint32_t pixel);
    void DrawLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);
    bool ClipSegment(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2, std::int64_t& y2) const;

    std::int32_t penX = 0;
    std::int32_t penY = 0;
    TRect clipRect;
    bool ready = false;
    std::vector<std::uint8_t> pixels; // bottom row first
    std::uint8_t* topRow = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowBytes = 0;
    std::int32_t imageSize = 0;
    std::int32_t bitsPerPixel = 24;
    std::uint8_t format = 5;
    TLogPalette logPalette;
    std::uint32_t penColor = 0;
    std::uint32_t brushColor = 0;
    std::uint32_t linePattern = 0xFFFFFFFF;
    std::uint32_t penPixel = 0;
    bool suppressed = false;
    // A repaint usually covers a small part of a large buffer. When clearKnown, every pixel
    // outside inked holds clearPixel, so Clear need only fill inked. changed is what was
    // written since the last block handed to a sink (lastBlock), which tells that sink what
    // to refresh. Boxes are in picture pixels, empty when Left > Right.
    bool clearKnown = false;
    std::uint32_t clearPixel = 0;
    TRect inked{0, 0, -1, -1};
    mutable TRect changed{0, 0, -1, -1};
    mutable std::uint64_t lastBlock = 0;
};

// The 256 colours of format 2: the twenty static system colours at indices 0-9 and 246-255,
// a 6x6x6 colour cube in steps of 51 and a grey ramp between them.
const TLogPalette& DefaultPalette256();

} // namespace orlenta
