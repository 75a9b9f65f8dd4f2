#include "preview/VectorMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace orlenta;

namespace {

template <typename E, typename F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "<no exception>";
}

void ExpectMatrix(const TMatrix& m, int size, const std::array<double, 16>& rowByRow) {
    ASSERT_EQ(m.Size, size);
    for (int i = 1; i <= size; ++i)
        for (int j = 1; j <= size; ++j)
            EXPECT_EQ(m.M[i][j], rowByRow[(i - 1) * size + (j - 1)]) << "entry " << i << "," << j;
}

} // namespace

TEST(VectorAdd, AddsPointsOfTheSameSizeAndRejectsTheRest) {
    const TVector sum = VectorAdd(Vector2D(1, 2), Vector2D(10, 20));
    EXPECT_EQ(sum.Size, 3);
    EXPECT_EQ(sum.V[1], 11);
    EXPECT_EQ(sum.V[2], 22);
    EXPECT_EQ(sum.V[3], 1);

    TVector two;
    two.Size = 2;
    const TVector bad[][2] = {{Vector2D(1, 2), Vector3D(1, 2, 3)}, {two, two}};
    for (const auto& pair : bad)
        EXPECT_EQ(MessageOf<EVectorError>([&] { VectorAdd(pair[0], pair[1]); }),
                  "Vector Addition Mismatch");
}

TEST(Transform, NeedsMatchingSizesThatFitTheRecord) {
    const TMatrix m3 = Matrix3(1, 0, 0, 0, 1, 0, 0, 0, 1);
    EXPECT_EQ(MessageOf<EMatrixError>([&] { Transform(Vector3D(1, 2, 3), m3); }),
              "Transform multiply error");
    // A size beyond the four components would read outside the record.
    TVector v;
    v.Size = 7;
    TMatrix m;
    m.Size = 7;
    EXPECT_EQ(MessageOf<EMatrixError>([&] { Transform(v, m); }), "Transform multiply error");
    EXPECT_EQ(MessageOf<EMatrixError>([&] { MultiplyMatrices(m, m); }), "MultiplyMatrices error");
    EXPECT_EQ(MessageOf<EMatrixError>([&] {
                  MultiplyMatrices(m3, RotationMatrix(TDimension::dim3D, axisZ, false, 1));
              }),
              "MultiplyMatrices error");
}

TEST(RotationMatrix, QuarterTurnIsExact) {
    const TMatrix r = RotationMatrix(TDimension::dim3D, axisZ, false, 1.5707963267948966);
    ExpectMatrix(r, 4, {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    const TVector p = Transform(Vector3D(1, 0, 0), r);
    EXPECT_EQ(p.V[1], 0.0);
    EXPECT_EQ(p.V[2], -1.0);
    EXPECT_EQ(p.V[3], 0.0);
    EXPECT_EQ(p.V[4], 1.0);
    // Reverse turns the other way.
    const TMatrix back = RotationMatrix(TDimension::dim2D, axisZ, true, 1.5707963267948966);
    ExpectMatrix(back, 3, {0, 1, 0, -1, 0, 0, 0, 0, 1});
}

TEST(RotationMatrix, TwoDimensionalOnlyAboutZ) {
    for (TAxis axis : {axisX, axisY})
        EXPECT_EQ(
            MessageOf<EMatrixError>([&] { RotationMatrix(TDimension::dim2D, axis, false, 0.3); }),
            "Invalid 2D rotation matrix.  Specify axisZ");
}

TEST(SnapToZero, ProductEntriesBelowTheToleranceBecomeZero) {
    const TMatrix a = Matrix3(3e-7, 0, 0, 0, -1e-6, 0, 0, 0, 1);
    const TMatrix c = MultiplyMatrices(a, Matrix3(1, 0, 0, 0, 1, 0, 0, 0, 1));
    EXPECT_EQ(c.M[1][1], 0.0);
    EXPECT_EQ(c.M[2][2], -1e-6);
    EXPECT_EQ(SnapToZero(1e-6), 1e-6);
    EXPECT_EQ(SnapToZero(9.9e-7), 0.0);
    EXPECT_TRUE(std::isnan(SnapToZero(std::nan("")))); // left for the checks downstream

    SetZeroTolerance(1e-9);
    EXPECT_EQ(SnapToZero(3e-7), 3e-7);
    SetZeroTolerance(1e-6);
    EXPECT_EQ(ZeroTolerance(), 1e-6);
}

TEST(ViewMatrix, PreviewTopViewKeepsXAndYAndMirrorsZ) {
    const TMatrix m = ViewMatrix(DegToRad(0), DegToRad(90), 2, 2, 3, 4, 5, 1);
    const TVector p = Transform(Vector3D(1.25, -2.5, 3), m);
    EXPECT_EQ(p.V[1], 1.25);
    EXPECT_EQ(p.V[2], -2.5);
    EXPECT_EQ(p.V[3], 7.0); // 2 * 5 - 3

    // Zoom 2 on a view plane of width 2 doubles distances from the reference point.
    const TVector q = Transform(Vector3D(4, 4, 0), ViewMatrix(0, DegToRad(90), 2, 2, 3, 4, 0, 2));
    EXPECT_EQ(q.V[1], 5.0);
    EXPECT_EQ(q.V[2], 4.0);
}

TEST(DegToRad, RoundsTheExtendedProductOnce) {
    EXPECT_EQ(DegToRad(90), 1.5707963267948966);
    EXPECT_EQ(DegToRad(180), 3.141592653589793);
    EXPECT_EQ(DegToRad(0), 0.0);
}
