#include "math/matrix3.h"

#include <cmath>

Matrix3::Matrix3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21, float m22)
    : m{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}

Matrix3& Matrix3::Product(Matrix3& dest, const Matrix3& b) const {
    float result[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const long double sum = static_cast<long double>(m[i][0]) * b.m[0][j] +
                                    static_cast<long double>(m[i][1]) * b.m[1][j] +
                                    static_cast<long double>(m[i][2]) * b.m[2][j];
            result[i][j] = static_cast<float>(sum);
        }
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) dest.m[i][j] = result[i][j];
    return dest;
}

Matrix3 Matrix3::RotationX(float angle) {
    const float c = static_cast<float>(std::cos(static_cast<long double>(angle)));
    const float s = static_cast<float>(std::sin(static_cast<long double>(angle)));
    return Matrix3(1.0f, 0.0f, 0.0f, 0.0f, c, -s, 0.0f, s, c);
}

Matrix3 Matrix3::RotationY(float angle) {
    const float c = static_cast<float>(std::cos(static_cast<long double>(angle)));
    const float s = static_cast<float>(std::sin(static_cast<long double>(angle)));
    return Matrix3(c, 0.0f, s, 0.0f, 1.0f, 0.0f, -s, 0.0f, c);
}

Matrix3 Matrix3::RotationZ(float angle) {
    const float c = static_cast<float>(std::cos(static_cast<long double>(angle)));
    const float s = static_cast<float>(std::sin(static_cast<long double>(angle)));
    return Matrix3(c, -s, 0.0f, s, c, 0.0f, 0.0f, 0.0f, 1.0f);
}

void Matrix3::RotateY(float angle) { Product(*this, RotationY(angle)); }

void Matrix3::RotateZ(float angle) { Product(*this, RotationZ(angle)); }
