// 3x3 single-precision matrix, stored row by row (m[row][column]).
//
// Conventions used everywhere: a point is a row vector multiplied from the
// left (v' = v x M), and the columns of an orientation are the record's own
// axes in world coordinates (column 0 = x / screen right, column 1 = y /
// screen up, column 2 = z / viewing direction for the camera).
#pragma once

#include "math/vec3.h"

struct Matrix3 {
    float m[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

    Matrix3() = default;
    Matrix3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21, float m22);

    static Matrix3 Identity() { return Matrix3(); }

    // Writes this x b into dest and returns dest. Every entry is summed in
    // extended precision and rounded to single once; the result goes through
    // a temporary, so dest may be this matrix or b.
    Matrix3& Product(Matrix3& dest, const Matrix3& b) const;

    // M := M x Ry(angle) and M := M x Rz(angle): a turn about the record's
    // own y or z axis (that column stays fixed).
    void RotateY(float angle);
    void RotateZ(float angle);

    // Elementary rotations; cos and sin are taken in extended precision from
    // the single-precision angle and stored as singles.
    static Matrix3 RotationX(float angle);
    static Matrix3 RotationY(float angle);
    static Matrix3 RotationZ(float angle);

    // v x M (row vector times matrix).
    Vec3 TransformRow(const Vec3& v) const {
        return {v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0], v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1],
                v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2]};
    }
    // M applied to v (M x column vector).
    Vec3 Apply(const Vec3& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Vec3 Column(int j) const { return {m[0][j], m[1][j], m[2][j]}; }
};
