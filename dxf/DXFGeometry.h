// Points, 4x4 matrices and the small geometry functions shared by the DXF drawing model,
// its writer and its drawing operations.
#pragma once

#include <cstdint>
#include <optional>

namespace orlenta {

struct Point3D {
    double x = 0;
    double y = 0;
    double z = 0;
};

// Row-major; a point is the row vector (x, y, z, 1) times the matrix, so a translation
// sits in row 3 and A x B applies A first. A new matrix is the identity.
struct Matrix4x4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

// Screen colours (0x00BBGGRR) by DXF colour number modulo 13.
inline constexpr int ColourTableSize = 13;
extern const std::uint32_t ColourTable[ColourTableSize];

Point3D MakePoint3D(double x, double y, double z);
bool SamePoint(const Point3D& a, const Point3D& b);
Point3D AddPoints(const Point3D& a, const Point3D& b);
Point3D SubPoints(const Point3D& a, const Point3D& b);
// v divided by its length; a zero-length vector comes back unchanged rather than as NaNs.
Point3D Normalize(const Point3D& v);
Point3D CrossProduct(const Point3D& a, const Point3D& b);
double PlanDistance(const Point3D& a, const Point3D& b);
double PlanDistanceSquared(const Point3D& a, const Point3D& b);
// Grow max / shrink min component-wise. MinCorner uses "not (v >= min)" on purpose: a NaN
// component replaces the corner, so it cannot hide and is caught when the corner is written.
void MaxCorner(Point3D& max, const Point3D& v);
void MinCorner(Point3D& min, const Point3D& v);

Matrix4x4 AxesMatrix(const Point3D& ax, const Point3D& ay, const Point3D& az);
Matrix4x4 RotationZMatrix(double c, double s);
Matrix4x4 ScaleMatrix(const Point3D& v);
Matrix4x4 TranslationMatrix(const Point3D& v);
Matrix4x4 MatrixMultiply(const Matrix4x4& a, const Matrix4x4& b);
// b when a is absent, a when b is absent, otherwise a x b; none when both are absent.
// Returned by value, so every caller owns its result.
std::optional<Matrix4x4> CombineMatrices(const Matrix4x4* a, const Matrix4x4* b);
// p as the row vector (x, y, z, 1) times m.
Point3D TransformPoint(const Point3D& p, const Matrix4x4& m);

} // namespace orlenta
