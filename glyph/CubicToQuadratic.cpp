// Cubic to quadratic conversion; see CubicToQuadratic.h.
#include "glyph/CubicToQuadratic.h"

#include <algorithm>
#include <cmath>

namespace orlenta {

namespace {
// Keeps absurd inputs (coordinates far beyond any glyph) from asking for huge piece
// counts; glyph curves need a handful.
constexpr int MaxPieces = 64;

TOutlinePoint Lerp3(TOutlinePoint p0, TOutlinePoint c1, TOutlinePoint c2, TOutlinePoint p3,
                    double t) {
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * c1.x + c * c2.x + d * p3.x, a * p0.y + b * c1.y + c * c2.y + d * p3.y};
}

TOutlinePoint Derivative(TOutlinePoint p0, TOutlinePoint c1, TOutlinePoint c2, TOutlinePoint p3,
                         double t) {
    const double u = 1 - t;
    const double a = 3 * u * u, b = 6 * u * t, c = 3 * t * t;
    return {a * (c1.x - p0.x) + b * (c2.x - c1.x) + c * (p3.x - c2.x),
            a * (c1.y - p0.y) + b * (c2.y - c1.y) + c * (p3.y - c2.y)};
}
} // namespace

std::vector<TQuadPiece> CubicToQuadratics(TOutlinePoint p0, TOutlinePoint c1, TOutlinePoint c2,
                                          TOutlinePoint p3, double tolerance) {
    // The best single quadratic, control (3(c1 + c2) - p0 - p3) / 4, strays at most
    // sqrt(3)/36 * |p3 - 3 c2 + 3 c1 - p0| from the cubic; that third difference shrinks
    // with the cube of the parameter step, which gives the piece count directly.
    const double dx = p3.x - 3 * c2.x + 3 * c1.x - p0.x;
    const double dy = p3.y - 3 * c2.y + 3 * c1.y - p0.y;
    const double err = std::sqrt(3.0) / 36.0 * std::hypot(dx, dy);
    int n = 1;
    if (std::isfinite(err) && tolerance > 0 && err > tolerance)
        n = static_cast<int>(std::min<double>(MaxPieces, std::ceil(std::cbrt(err / tolerance))));
    std::vector<TQuadPiece> pieces;
    pieces.reserve(n);
    TOutlinePoint a = p0;
    TOutlinePoint da = Derivative(p0, c1, c2, p3, 0);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        const TOutlinePoint b = i == n ? p3 : Lerp3(p0, c1, c2, p3, t);
        const TOutlinePoint db = Derivative(p0, c1, c2, p3, t);
        const double k = 1.0 / (3.0 * n);
        // Control points of the cubic piece between the two parameters.
        const TOutlinePoint q1{a.x + k * da.x, a.y + k * da.y};
        const TOutlinePoint q2{b.x - k * db.x, b.y - k * db.y};
        pieces.push_back(
            {{(3 * (q1.x + q2.x) - a.x - b.x) / 4, (3 * (q1.y + q2.y) - a.y - b.y) / 4}, b});
        a = b;
        da = db;
    }
    return pieces;
}

} // namespace orlenta
