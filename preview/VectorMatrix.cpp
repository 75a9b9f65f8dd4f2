// Vector and matrix arithmetic of the preview.
#include "preview/VectorMatrix.h"

#include <cmath>

namespace orlenta {

namespace {

// Entries smaller than this are rounding noise (cos(pi/2) is 6e-17, not 0).
double zeroTolerance = 1e-6;

constexpr double HalfPi = 1.5707963267948966;

// Sizes a matrix or vector of fixed capacity can hold; a larger Size would index outside
// the record.
bool FitsCapacity(std::uint8_t size) {
    return size >= 1 && size <= 4;
}

TMatrix Identity(std::uint8_t size) {
    TMatrix r;
    r.Size = size;
    for (int i = 1; i <= size; ++i)
        r.M[i][i] = 1.0;
    return r;
}

} // namespace

// NaN is kept (not snapped to 0), so that the checks downstream still see it.
double SnapToZero(double x) {
    return std::fabs(x) < zeroTolerance ? 0.0 : x;
}
void SetZeroTolerance(double tolerance) {
    zeroTolerance = tolerance;
}
double ZeroTolerance() {
    return zeroTolerance;
}

TVector Vector2D(double x, double y) {
    TVector v;
    v.Size = 3;
    v.V[1] = x;
    v.V[2] = y;
    v.V[3] = 1.0;
    return v;
}

TVector Vector3D(double x, double y, double z) {
    TVector v;
    v.Size = 4;
    v.V[1] = x;
    v.V[2] = y;
    v.V[3] = z;
    v.V[4] = 1.0;
    return v;
}

TMatrix Matrix3(double m11, double m12, double m13, double m21, double m22, double m23, double m31,
                double m32, double m33) {
    TMatrix r;
    r.Size = 3;
    r.M[1] = {0, m11, m12, m13, 0};
    r.M[2] = {0, m21, m22, m23, 0};
    r.M[3] = {0, m31, m32, m33, 0};
    return r;
}

TMatrix Matrix4(const std::array<double, 16>& rowByRow) {
    TMatrix r;
    r.Size = 4;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.M[i + 1][j + 1] = rowByRow[i * 4 + j];
    return r;
}

TVector VectorAdd(const TVector& a, const TVector& b) {
    if ((a.Size != 3 && a.Size != 4) || b.Size != a.Size)
        throw EVectorError("Vector Addition Mismatch");
    TVector r;
    r.Size = a.Size;
    for (int i = 1; i < a.Size; ++i)
        r.V[i] = a.V[i] + b.V[i];
    r.V[a.Size] = 1.0;
    return r;
}

TVector Transform(const TVector& v, const TMatrix& m) {
    if (m.Size != v.Size || !FitsCapacity(v.Size))
        throw EMatrixError("Transform multiply error");
    const int n = v.Size;
    TVector r;
    r.Size = v.Size;
    for (int j = 1; j < n; ++j) {
        double sum = 0.0;
        for (int i = 1; i <= n; ++i)
            sum += v.V[i] * m.M[i][j];
        r.V[j] = SnapToZero(sum);
    }
    r.V[n] = 1.0; // no perspective division
    return r;
}

TMatrix MultiplyMatrices(const TMatrix& a, const TMatrix& b) {
    if (a.Size != b.Size || !FitsCapacity(a.Size))
        throw EMatrixError("MultiplyMatrices error");
    const int n = a.Size;
    TMatrix c;
    c.Size = a.Size;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            double sum = 0.0;
            for (int k = 1; k <= n; ++k)
                sum += a.M[i][k] * b.M[k][j];
            c.M[i][j] = SnapToZero(sum);
        }
    return c;
}

TMatrix RotationMatrix(TDimension dimension, TAxis axis, bool reverse, double angle) {
    const double a = reverse ? -angle : angle;
    const double c = SnapToZero(std::cos(a));
    const double s = SnapToZero(std::sin(a));
    if (dimension == TDimension::dim2D) {
        if (axis != axisZ)
            throw EMatrixError("Invalid 2D rotation matrix.  Specify axisZ");
        return Matrix3(c, -s, 0, s, c, 0, 0, 0, 1);
    }
    switch (axis) {
    case axisX:
        return Matrix4({1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1});
    case axisY:
        return Matrix4({c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1});
    case axisZ:
        break;
    }
    return Matrix4({c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TMatrix ScaleMatrix(const TVector& s) {
    if (s.Size != 3 && s.Size != 4)
        return TMatrix{};
    TMatrix r = Identity(s.Size);
    for (int i = 1; i < s.Size; ++i)
        r.M[i][i] = s.V[i];
    return r;
}

TMatrix TranslationMatrix(const TVector& t) {
    if (t.Size != 3 && t.Size != 4)
        return TMatrix{};
    TMatrix r = Identity(t.Size);
    for (int j = 1; j < t.Size; ++j)
        r.M[t.Size][j] = t.V[j];
    return r;
}

TMatrix ViewMatrix(double azimuth, double elevation, double viewWidth, double viewHeight,
                   double refX, double refY, double refZ, double zoom) {
    TMatrix m = TranslationMatrix(Vector3D(-refX, -refY, -refZ));
    m = MultiplyMatrices(m, RotationMatrix(TDimension::dim3D, axisX, false, HalfPi));
    m = MultiplyMatrices(m, RotationMatrix(TDimension::dim3D, axisY, true, -azimuth));
    m = MultiplyMatrices(m, RotationMatrix(TDimension::dim3D, axisX, true, elevation));
    m = MultiplyMatrices(
        m, ScaleMatrix(Vector3D(zoom / (0.5 * viewWidth), zoom / (0.5 * viewHeight), -1)));
    return MultiplyMatrices(m, TranslationMatrix(Vector3D(refX, refY, refZ)));
}

double DegToRad(double degrees) {
    // pi/180 held in extended precision, the product rounded once to double.
    return static_cast<double>(static_cast<long double>(degrees) *
                               0.017453292519943295769236907684886L);
}

TVector PolarToCartesian(std::uint8_t mode, const TVector& v) {
    if (mode == 0)
        return v;
    const double r = v.V[1];
    const double t = v.V[2];
    TVector p = v;
    if (v.Size == 4 && mode == 1) {
        const double f = v.V[3];
        p.V[1] = r * std::cos(t) * std::sin(f);
        p.V[2] = r * std::sin(t) * std::sin(f);
        p.V[3] = r * std::cos(f);
    } else {
        p.V[1] = r * std::cos(t);
        p.V[2] = r * std::sin(t);
    }
    return p;
}

} // namespace orlenta
