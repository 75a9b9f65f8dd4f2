// Geometry functions of the DXF subsystem; see DXFGeometry.h.
#include "dxf/DXFGeometry.h"

#include <cmath>

namespace orlenta {

const std::uint32_t ColourTable[ColourTableSize] = {
    0x000000, // black
    0x0000FF, // red
    0x00FFFF, // yellow
    0x00FF00, // green
    0xFFFF00, // cyan
    0xFF0000, // blue
    0x800080, // purple
    0x000000, // black
    0x008080, // olive
    0xFF00FF, // magenta
    0x808000, // teal
    0x808080, // grey
    0x808080, // grey
};

Point3D MakePoint3D(double x, double y, double z) {
    return Point3D{x, y, z};
}

bool SamePoint(const Point3D& a, const Point3D& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

Point3D AddPoints(const Point3D& a, const Point3D& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Point3D SubPoints(const Point3D& a, const Point3D& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Point3D Normalize(const Point3D& v) {
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0)
        return v;
    return {v.x / len, v.y / len, v.z / len};
}

Point3D CrossProduct(const Point3D& a, const Point3D& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double PlanDistance(const Point3D& a, const Point3D& b) {
    return std::sqrt(PlanDistanceSquared(a, b));
}

double PlanDistanceSquared(const Point3D& a, const Point3D& b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

void MaxCorner(Point3D& max, const Point3D& v) {
    if (v.x > max.x)
        max.x = v.x;
    if (v.y > max.y)
        max.y = v.y;
    if (v.z > max.z)
        max.z = v.z;
}

void MinCorner(Point3D& min, const Point3D& v) {
    if (!(v.x >= min.x))
        min.x = v.x;
    if (!(v.y >= min.y))
        min.y = v.y;
    if (!(v.z >= min.z))
        min.z = v.z;
}

Matrix4x4 AxesMatrix(const Point3D& ax, const Point3D& ay, const Point3D& az) {
    Matrix4x4 r;
    const Point3D* rows[3] = {&ax, &ay, &az};
    for (int i = 0; i < 3; ++i) {
        r.m[i][0] = rows[i]->x;
        r.m[i][1] = rows[i]->y;
        r.m[i][2] = rows[i]->z;
        r.m[i][3] = 0;
    }
    return r;
}

Matrix4x4 RotationZMatrix(double c, double s) {
    Matrix4x4 r;
    r.m[0][0] = c;
    r.m[0][1] = -s;
    r.m[1][0] = s;
    r.m[1][1] = c;
    return r;
}

Matrix4x4 ScaleMatrix(const Point3D& v) {
    Matrix4x4 r;
    r.m[0][0] = v.x;
    r.m[1][1] = v.y;
    r.m[2][2] = v.z;
    return r;
}

Matrix4x4 TranslationMatrix(const Point3D& v) {
    Matrix4x4 r;
    r.m[3][0] = v.x;
    r.m[3][1] = v.y;
    r.m[3][2] = v.z;
    return r;
}

Matrix4x4 MatrixMultiply(const Matrix4x4& a, const Matrix4x4& b) {
    Matrix4x4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

std::optional<Matrix4x4> CombineMatrices(const Matrix4x4* a, const Matrix4x4* b) {
    if (!a && !b)
        return std::nullopt;
    if (!a)
        return *b;
    if (!b)
        return *a;
    return MatrixMultiply(*a, *b);
}

Point3D TransformPoint(const Point3D& p, const Matrix4x4& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

} // namespace orlenta
