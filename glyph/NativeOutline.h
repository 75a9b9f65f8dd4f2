// The native glyph outline record layout (polygon headers and curve records in 16.16
// fixed point, y up) that outline sources deliver and the converter walks, with a writer
// that builds such buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orlenta {

constexpr std::uint32_t TT_POLYGON_TYPE = 24;
constexpr std::uint16_t TT_PRIM_LINE = 1;
constexpr std::uint16_t TT_PRIM_QSPLINE = 2;
constexpr std::uint16_t TT_PRIM_CSPLINE = 3;

// 16.16 fixed point: unsigned fraction word, then signed integer word.
struct FIXED {
    std::uint16_t fract = 0;
    std::int16_t value = 0;
};

struct POINTFX {
    FIXED x;
    FIXED y;
};

// Starts every contour; cb counts the header and all curve records of the contour.
struct TTPOLYGONHEADER {
    std::uint32_t cb = 0;
    std::uint32_t dwType = 0;
    POINTFX pfxStart;
};

// Head of a curve record; cpfx points of POINTFX follow it.
struct TTPOLYCURVEHEAD {
    std::uint16_t wType = 0;
    std::uint16_t cpfx = 0;
};

static_assert(sizeof(FIXED) == 4 && sizeof(POINTFX) == 8);
static_assert(sizeof(TTPOLYGONHEADER) == 16 && sizeof(TTPOLYCURVEHEAD) == 4);

struct POINTL {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The glyph metrics that come with an outline query.
struct GLYPHMETRICS {
    std::uint32_t gmBlackBoxX = 0;
    std::uint32_t gmBlackBoxY = 0;
    POINTL gmptGlyphOrigin;
    std::int16_t gmCellIncX = 0; // advance width, outline units
    std::int16_t gmCellIncY = 0;
};

// integer + fraction / 65536.
inline double FixedToDouble(FIXED f) {
    return f.value + f.fract / 65536.0;
}
// Nearest 16.16 value; values outside the representable range are clamped.
FIXED DoubleToFixed(double v);

struct TOutlinePoint {
    double x = 0;
    double y = 0;
    bool operator==(const TOutlinePoint&) const = default;
};

// Builds a native outline buffer contour by contour. Coordinates are outline units and
// are stored as 16.16 fixed point.
class TNativeOutlineWriter {
  public:
    void BeginContour(TOutlinePoint start);
    void AddLine(const std::vector<TOutlinePoint>& points);
    // Control points with the final on-curve point last; consecutive control points
    // imply the on-curve point midway between them.
    void AddQSpline(const std::vector<TOutlinePoint>& points);
    // Any record, as is (used to build unusual buffers).
    void AddRecord(std::uint16_t wType, const std::vector<TOutlinePoint>& points);
    bool InContour() const { return contourStart_ != NoContour; }
    void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }
    std::vector<std::uint8_t> Finish();

  private:
    static constexpr std::size_t NoContour = static_cast<std::size_t>(-1);
    void EndContour();
    std::vector<std::uint8_t> bytes_;
    std::size_t contourStart_ = NoContour;
};

} // namespace orlenta
