// Window/viewport engine of the preview.
#include "preview/PantoGraph.h"

#include <algorithm>
#include <cmath>

namespace orlenta {

namespace {

// Screen positions are kept within +-2^30 pixels before they become 32-bit integers: far
// enough out that the surface's own clipping decides what is visible, and clear of the
// value 2147483647 that the surface reads as "keep".
constexpr double Guard = 1073741824.0;

std::int32_t ClampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -2147483647, 2147483646));
}

// Cuts the segment a-b to the square +-Guard (parametric clipping, in extended precision so
// that differences of huge doubles cannot overflow). False when nothing is left.
bool ClipToGuard(double& ax, double& ay, double& bx, double& by) {
    const long double x0 = ax, y0 = ay;
    const long double dx = static_cast<long double>(bx) - x0;
    const long double dy = static_cast<long double>(by) - y0;
    long double t0 = 0, t1 = 1;
    const long double p[4] = {-dx, dx, -dy, dy};
    const long double q[4] = {x0 + Guard, Guard - x0, y0 + Guard, Guard - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const long double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    auto at = [](long double s, long double d, long double t) {
        return static_cast<double>(std::clamp<long double>(s + t * d, -Guard, Guard));
    };
    ax = at(x0, dx, t0);
    ay = at(y0, dy, t0);
    bx = at(x0, dx, t1);
    by = at(y0, dy, t1);
    return true;
}

bool Inside(double x, double y) {
    return std::fabs(x) <= Guard && std::fabs(y) <= Guard;
}

// nearbyint in the default rounding mode (halves to even) for |v| <= Guard, without a
// library call: the sum with 1.5 * 2^52 has no fraction bits, so the addition rounds v to an
// integer, and taking the constant away again is exact. The preview never changes the mode.
std::int64_t RoundInGuard(double v) {
    constexpr double Shift = 6755399441055744.0;
    return static_cast<std::int64_t>((v + Shift) - Shift);
}

} // namespace

TPantoGraph::TPantoGraph() {
    SetViewport(0, 1, 0, 1);
}

void TPantoGraph::CreateSurface(std::int32_t width, std::int32_t height,
                                std::int32_t bitsPerPixel) {
    std::uint8_t format = 5;
    if (bitsPerPixel >= 1 && bitsPerPixel <= 8)
        format = 2;
    else if (bitsPerPixel >= 9 && bitsPerPixel <= 15)
        format = 3;
    else if (bitsPerPixel >= 16 && bitsPerPixel <= 23)
        format = 4;
    surface = std::make_unique<TDIBUltra>(width, height, format);
}

void TPantoGraph::SetWindow(bool recentre, double x0, double x1, double y0, double y1, double rz) {
    if (!(x1 > x0 && y1 > y0))
        throw EGraphicsError();
    // Infinite limits or extents would turn every mapped point into NaN.
    if (!std::isfinite(x1 - x0) || !std::isfinite(y1 - y0) || (recentre && !std::isfinite(rz)))
        throw EGraphicsError();
    xMin = x0;
    xMax = x1;
    yMin = y0;
    yMax = y1;
    if (recentre) {
        refX = x0 + (x1 - x0) * 0.5;
        refY = y0 + (y1 - y0) * 0.5;
        RefZ = rz;
    }
    scaleX = (static_cast<double>(vpXMax) - vpXMin) / (x1 - x0);
    scaleY = (static_cast<double>(vpYMax) - vpYMin) / (y1 - y0);
}

void TPantoGraph::SetViewport(double fx0, double fx1, double fy0, double fy1) {
    if (!(fx0 >= 0 && fx1 <= 1 && fy0 >= 0 && fy1 <= 1 && fx1 > fx0 && fy1 > fy0))
        throw EGraphicsError();
    vpXMin = RoundToInt32(DeviceWidth * fx0);
    vpXMax = RoundToInt32(DeviceWidth * fx1);
    vpYMin = RoundToInt32(DeviceHeight * fy0);
    vpYMax = RoundToInt32(DeviceHeight * fy1);
    scaleX = (static_cast<double>(vpXMax) - vpXMin) / (xMax - xMin);
    scaleY = (static_cast<double>(vpYMax) - vpYMin) / (yMax - yMin);
}

void TPantoGraph::GetWindow(double& x0, double& x1, double& y0, double& y1) const {
    x0 = xMin;
    x1 = xMax;
    y0 = yMin;
    y1 = yMax;
}

void TPantoGraph::UpdateView() {
    SetTransform(ViewMatrix(DegToRad(Azimuth), DegToRad(Elevation), ViewWidth, ViewHeight, refX,
                            refY, RefZ, Zoom));
}

void TPantoGraph::SetTransform(const TMatrix& m) {
    if (m.Size == 3)
        transform2D = m;
    else if (m.Size == 4)
        transform3D = m;
}

TPantoGraph::ScreenF TPantoGraph::Map(const TVector& v) const {
    TVector p = PolarToCartesian(polar, v);
    if (p.Size == 3 && transform2D.Size == 3)
        p = Transform(p, transform2D);
    else if (p.Size == 4 && transform3D.Size == 4)
        p = Transform(p, transform3D);
    // A 3D point is projected onto the XY plane by dropping z.
    const ScreenF s{(p.V[1] - xMin) * scaleX, (p.V[2] - yMin) * scaleY};
    CheckFinite(s.X);
    CheckFinite(s.Y);
    return s;
}

inline TScreenPoint TPantoGraph::ToPixel(double fx, double fy) const {
    // Round halves to even (nearbyint in the default mode), then offset by the viewport.
    const std::int64_t rx = RoundInGuard(std::clamp(fx, -Guard, Guard));
    const std::int64_t ry = RoundInGuard(std::clamp(fy, -Guard, Guard));
    return {ClampToInt32(rx + vpXMin), ClampToInt32(std::int64_t{DeviceHeight} - (ry + vpYMin))};
}

TScreenPoint TPantoGraph::WorldToScreen(const TVector& v) const {
    const ScreenF s = Map(v);
    return ToPixel(s.X, s.Y);
}

void TPantoGraph::MoveTo(const TVector& v) {
    pen = Map(v);
    if (surface) {
        const TScreenPoint p = ToPixel(pen.X, pen.Y);
        surface->MoveTo(p.X, p.Y);
    }
}

void TPantoGraph::LineTo(const TVector& v) {
    const ScreenF start = pen;
    pen = Map(v);
    LineFrom(start, pen);
}

// Map(Vector3D(x, y, z)) with the same arithmetic, term by term, as Transform.
inline TPantoGraph::ScreenF TPantoGraph::Map3D(double x, double y, double z) const {
    if (polar != 0 || transform3D.Size != 4)
        return Map(Vector3D(x, y, z));
    const auto& m = transform3D.M;
    const double tolerance = ZeroTolerance();
    const auto column = [&](int j) {
        double sum = 0.0;
        sum += x * m[1][j];
        sum += y * m[2][j];
        sum += z * m[3][j];
        sum += 1.0 * m[4][j];
        return std::fabs(sum) < tolerance ? 0.0 : sum; // SnapToZero
    };
    const ScreenF s{(column(1) - xMin) * scaleX, (column(2) - yMin) * scaleY};
    CheckFinite(s.X);
    CheckFinite(s.Y);
    return s;
}

void TPantoGraph::LineTo3D(double x, double y, double z) {
    const ScreenF start = pen;
    pen = Map3D(x, y, z);
    if (!surface)
        return;
    if (Inside(start.X, start.Y) && Inside(pen.X, pen.Y)) {
        const TScreenPoint e = ToPixel(pen.X, pen.Y);
        if (!(surface->ExcludeLastPixel && e.X == surface->PenX() && e.Y == surface->PenY()))
            surface->LineTo(e.X, e.Y);
        return;
    }
    LineFrom(start, pen);
}

void TPantoGraph::LineFrom(ScreenF start, ScreenF end) {
    if (!surface)
        return;
    const TScreenPoint e = ToPixel(end.X, end.Y);
    if (Inside(start.X, start.Y) && Inside(end.X, end.Y)) {
        surface->LineTo(e.X, e.Y);
        return;
    }
    // An end beyond the integer range: cut the line there first, so that the part the
    // surface shows keeps its true slope.
    double ax = start.X, ay = start.Y, bx = end.X, by = end.Y;
    if (ClipToGuard(ax, ay, bx, by)) {
        const TScreenPoint a = ToPixel(ax, ay);
        const TScreenPoint b = ToPixel(bx, by);
        surface->MoveTo(a.X, a.Y);
        surface->LineTo(b.X, b.Y);
    }
    surface->MoveTo(e.X, e.Y);
}

} // namespace orlenta
