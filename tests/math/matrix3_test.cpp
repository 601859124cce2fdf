// Vec3 and Matrix3: products, rotations and the orientation conventions.
#include <gtest/gtest.h>

#include <cmath>

#include "math/matrix3.h"
#include "math/vec3.h"

namespace {

void ExpectMatrixEq(const Matrix3& a, const Matrix3& b) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(a.m[i][j], b.m[i][j]) << "entry " << i << "," << j;
}

const Matrix3 kA(1.0f, 2.0f, 3.0f, -4.0f, 5.0f, 0.5f, 0.25f, -1.5f, 7.0f);
const Matrix3 kB(0.1f, -2.0f, 3.5f, 4.0f, 0.0f, -0.75f, 2.0f, 9.0f, 1.0f);

TEST(Matrix3Test, DefaultAndIdentityAreTheIdentity) {
    ExpectMatrixEq(Matrix3(), Matrix3(1, 0, 0, 0, 1, 0, 0, 0, 1));
    ExpectMatrixEq(Matrix3::Identity(), Matrix3());
}

TEST(Matrix3Test, ConstructorTakesValuesRowByRow) {
    EXPECT_EQ(kA.m[0][1], 2.0f);
    EXPECT_EQ(kA.m[1][0], -4.0f);
    EXPECT_EQ(kA.m[2][2], 7.0f);
}

TEST(Matrix3Test, ProductIsRowTimesColumn) {
    Matrix3 p;
    Matrix3& result = kA.Product(p, kB);
    EXPECT_EQ(&result, &p);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double expected = static_cast<double>(kA.m[i][0]) * kB.m[0][j] +
                                    static_cast<double>(kA.m[i][1]) * kB.m[1][j] +
                                    static_cast<double>(kA.m[i][2]) * kB.m[2][j];
            EXPECT_EQ(p.m[i][j], static_cast<float>(expected));
        }
}

TEST(Matrix3Test, ProductIntoEitherOperandEqualsProductIntoAnotherMatrix) {
    Matrix3 separate;
    kA.Product(separate, kB);

    Matrix3 a = kA;
    a.Product(a, kB);  // destination is the left operand
    ExpectMatrixEq(a, separate);

    Matrix3 b = kB;
    kA.Product(b, b);  // destination is the right operand
    ExpectMatrixEq(b, separate);

    Matrix3 square = kA;
    Matrix3 squareSeparate;
    kA.Product(squareSeparate, kA);
    square.Product(square, square);  // both operands and destination at once
    ExpectMatrixEq(square, squareSeparate);
}

TEST(Matrix3Test, OperandsStayUnchanged) {
    const Matrix3 a = kA;
    const Matrix3 b = kB;
    Matrix3 p;
    a.Product(p, b);
    ExpectMatrixEq(a, kA);
    ExpectMatrixEq(b, kB);
}

TEST(Matrix3Test, RotationByZeroKeepsTheIdentity) {
    Matrix3 m;
    m.RotateY(0.0f);
    m.RotateZ(0.0f);
    ExpectMatrixEq(m, Matrix3());
    ExpectMatrixEq(Matrix3::RotationX(0.0f), Matrix3());
}

TEST(Matrix3Test, ElementaryRotationsHaveTheirDocumentedLayout) {
    const float t = 0.3f;
    const float c = static_cast<float>(std::cos(static_cast<long double>(t)));
    const float s = static_cast<float>(std::sin(static_cast<long double>(t)));
    ExpectMatrixEq(Matrix3::RotationX(t), Matrix3(1, 0, 0, 0, c, -s, 0, s, c));
    ExpectMatrixEq(Matrix3::RotationY(t), Matrix3(c, 0, s, 0, 1, 0, -s, 0, c));
    ExpectMatrixEq(Matrix3::RotationZ(t), Matrix3(c, -s, 0, s, c, 0, 0, 0, 1));
}

TEST(Matrix3Test, RotatingTheIdentityAboutZTurnsItsAxes) {
    const float t = 0.5f;
    Matrix3 m;
    m.RotateZ(t);
    const Vec3 x = m.Column(0);
    const Vec3 y = m.Column(1);
    const Vec3 z = m.Column(2);
    EXPECT_FLOAT_EQ(x.x, std::cos(t));
    EXPECT_FLOAT_EQ(x.y, std::sin(t));
    EXPECT_EQ(x.z, 0.0f);
    EXPECT_FLOAT_EQ(y.x, -std::sin(t));
    EXPECT_FLOAT_EQ(y.y, std::cos(t));
    EXPECT_EQ(y.z, 0.0f);
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 1.0f);
}

TEST(Matrix3Test, RotatingOnTheRightTurnsAboutTheRecordsOwnAxis) {
    // Start from an orientation that is not the identity; a turn about its
    // own y axis keeps column 1, a turn about z keeps column 2.
    Matrix3 m = Matrix3::RotationX(0.7f);
    m.RotateZ(0.2f);
    const Vec3 yBefore = m.Column(1);
    m.RotateY(0.9f);
    const Vec3 yAfter = m.Column(1);
    EXPECT_NEAR(yAfter.x, yBefore.x, 1e-6f);
    EXPECT_NEAR(yAfter.y, yBefore.y, 1e-6f);
    EXPECT_NEAR(yAfter.z, yBefore.z, 1e-6f);
    const Vec3 zBefore = m.Column(2);
    m.RotateZ(-1.1f);
    const Vec3 zAfter = m.Column(2);
    EXPECT_NEAR(zAfter.x, zBefore.x, 1e-6f);
    EXPECT_NEAR(zAfter.y, zBefore.y, 1e-6f);
    EXPECT_NEAR(zAfter.z, zBefore.z, 1e-6f);
}

TEST(Matrix3Test, RowVectorTimesOrientationGivesCoordinatesAlongItsAxes) {
    Matrix3 m;
    m.RotateY(0.4f);
    const Vec3 d(3.0f, -1.0f, 2.0f);
    const Vec3 v = m.TransformRow(d);
    EXPECT_FLOAT_EQ(v.x, d.Dot(m.Column(0)));
    EXPECT_FLOAT_EQ(v.y, d.Dot(m.Column(1)));
    EXPECT_FLOAT_EQ(v.z, d.Dot(m.Column(2)));
    // Apply is the transpose: it takes view coordinates back to world.
    const Vec3 back = m.Apply(v);
    EXPECT_NEAR(back.x, d.x, 1e-5f);
    EXPECT_NEAR(back.y, d.y, 1e-5f);
    EXPECT_NEAR(back.z, d.z, 1e-5f);
}

TEST(Vec3Test, ArithmeticAndDot) {
    const Vec3 a(1.0f, 2.0f, 3.0f);
    const Vec3 b(-4.0f, 0.5f, 2.0f);
    const Vec3 sum = a + b;
    EXPECT_EQ(sum.x, -3.0f);
    EXPECT_EQ(sum.y, 2.5f);
    EXPECT_EQ(sum.z, 5.0f);
    const Vec3 scaled = (a - b) * 2.0f;
    EXPECT_EQ(scaled.x, 10.0f);
    EXPECT_EQ(scaled.y, 3.0f);
    EXPECT_EQ(scaled.z, 2.0f);
    EXPECT_EQ(a.Dot(b), 3.0f);
    Vec3 c = a;
    c += b;
    c -= a;
    EXPECT_EQ(c.x, b.x);
    EXPECT_EQ((-a).y, -2.0f);
    EXPECT_EQ(Vec3().x, 0.0f);
}

}  // namespace
