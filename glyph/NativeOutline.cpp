// Fixed-point conversions and the native outline writer; see NativeOutline.h.
#include "glyph/NativeOutline.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <utility>

namespace orlenta {

FIXED DoubleToFixed(double v) {
    constexpr double Lowest = -32768.0;
    constexpr double Highest = 32767.0 + 65535.0 / 65536.0;
    if (std::isnan(v))
        v = 0;
    v = v < Lowest ? Lowest : v > Highest ? Highest : v;
    // Nearest, halves to even, without a library call (see RoundHalfEven).
    constexpr double Shift = 6755399441055744.0;
    const auto raw = static_cast<std::int32_t>((v * 65536.0 + Shift) - Shift);
    FIXED f;
    f.fract = static_cast<std::uint16_t>(raw & 0xFFFF);
    f.value = static_cast<std::int16_t>(raw >> 16);
    return f;
}

namespace {
template <typename T> void Append(std::vector<std::uint8_t>& bytes, const T& value) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

POINTFX ToPointFx(TOutlinePoint p) {
    return {DoubleToFixed(p.x), DoubleToFixed(p.y)};
}
} // namespace

void TNativeOutlineWriter::BeginContour(TOutlinePoint start) {
    EndContour();
    contourStart_ = bytes_.size();
    TTPOLYGONHEADER header;
    header.dwType = TT_POLYGON_TYPE;
    header.pfxStart = ToPointFx(start);
    Append(bytes_, header);
}

void TNativeOutlineWriter::AddLine(const std::vector<TOutlinePoint>& points) {
    AddRecord(TT_PRIM_LINE, points);
}

void TNativeOutlineWriter::AddQSpline(const std::vector<TOutlinePoint>& points) {
    AddRecord(TT_PRIM_QSPLINE, points);
}

void TNativeOutlineWriter::AddRecord(std::uint16_t wType,
                                     const std::vector<TOutlinePoint>& points) {
    assert(InContour() && points.size() <= 0xFFFF);
    TTPOLYCURVEHEAD head;
    head.wType = wType;
    head.cpfx = static_cast<std::uint16_t>(points.size());
    Append(bytes_, head);
    for (const auto& p : points)
        Append(bytes_, ToPointFx(p));
}

void TNativeOutlineWriter::EndContour() {
    if (!InContour())
        return;
    const auto cb = static_cast<std::uint32_t>(bytes_.size() - contourStart_);
    std::memcpy(bytes_.data() + contourStart_, &cb, sizeof cb);
    contourStart_ = NoContour;
}

std::vector<std::uint8_t> TNativeOutlineWriter::Finish() {
    EndContour();
    return std::move(bytes_);
}

} // namespace orlenta
