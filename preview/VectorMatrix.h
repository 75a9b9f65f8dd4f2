// Homogeneous-coordinate arithmetic for the preview: 2D and 3D points as row vectors,
// transformation matrices, the view matrix and a snap-to-zero rule against rounding noise.
#pragma once

#include "kernel/Errors.h"

#include <array>
#include <cstdint>
#include <string>

namespace orlenta {

class EVectorError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

class EMatrixError : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

// Size 3 is a 2D point (x, y, 1), size 4 a 3D point (x, y, z, 1); 1 means "no value".
// Components are numbered 1 to 4; V[0] stays unused.
struct TVector {
    std::uint8_t Size = 1;
    std::array<double, 5> V{};
};

// Size 3 or 4 (1: unset); M[row][column], both numbered from 1, row 0 and column 0 unused.
struct TMatrix {
    std::uint8_t Size = 1;
    std::array<std::array<double, 5>, 5> M{};
};

enum class TDimension : std::uint8_t { dim2D, dim3D };
enum TAxis : std::uint8_t { axisX, axisY, axisZ };

TVector Vector2D(double x, double y);
TVector Vector3D(double x, double y, double z);
TMatrix Matrix3(double m11, double m12, double m13, double m21, double m22, double m23, double m31,
                double m32, double m33);
TMatrix Matrix4(const std::array<double, 16>& rowByRow);

// a + b for two points of the same size (3 or 4); raises EVectorError.
TVector VectorAdd(const TVector& a, const TVector& b);
// v x M with every result component snapped to zero; raises EMatrixError.
TVector Transform(const TVector& v, const TMatrix& m);
// A x B (A applied first), every entry snapped to zero; raises EMatrixError.
TMatrix MultiplyMatrices(const TMatrix& a, const TMatrix& b);
// Rotation by angle (or -angle when reverse) about axis; 2D allows only axisZ.
TMatrix RotationMatrix(TDimension dimension, TAxis axis, bool reverse, double angle);
// Diagonal (s1, s2, 1) or (s1, s2, s3, 1); a vector of any other size gives an unset matrix.
TMatrix ScaleMatrix(const TVector& s);
// Identity with the last row (t1, t2, 1) or (t1, t2, t3, 1); other sizes give an unset matrix.
TMatrix TranslationMatrix(const TVector& t);
// Viewing matrix of the 3D preview: rotation about the reference point and scaling by zoom.
TMatrix ViewMatrix(double azimuth, double elevation, double viewWidth, double viewHeight,
                   double refX, double refY, double refZ, double zoom);

double DegToRad(double degrees);
// Mode 0 returns v; otherwise (r, t, f) become Cartesian (spherical for a 3D vector in mode 1).
TVector PolarToCartesian(std::uint8_t mode, const TVector& v);

// |x| below the process-wide tolerance (1e-6 at start) becomes exactly 0.
double SnapToZero(double x);
void SetZeroTolerance(double tolerance);
double ZeroTolerance();

} // namespace orlenta
