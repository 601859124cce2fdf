// The formulas of the per-vertex transform and projection (ProjectFace's
// lazy steps), each a separately rounded single-precision operation in
// the order given: the scalar definitions that every other form (the
// vector lanes) must equal bit for bit.
#pragma once

#include "math/matrix3.h"
#include "math/vec3.h"
#include "scene/records.h"

// Clip z: R[2] . p + T.z.
inline float ClipZ(const Vec3& p, const Matrix3& R, const Vec3& T) {
    return R.m[2][0] * p.x + R.m[2][1] * p.y + R.m[2][2] * p.z + T.z;
}

// Clip x: (R[0] . p + T.x) * 1.73.
inline float ClipX(const Vec3& p, const Matrix3& R, const Vec3& T) {
    return (R.m[0][0] * p.x + R.m[0][1] * p.y + R.m[0][2] * p.z + T.x) * VIEW_SCALE_X;
}

// Clip y: (R[1] . p + T.y) * 2.3066666.
inline float ClipY(const Vec3& p, const Matrix3& R, const Vec3& T) {
    return (R.m[1][0] * p.x + R.m[1][1] * p.y + R.m[1][2] * p.z + T.y) * VIEW_SCALE_Y;
}

// Screen mapping: 320 + 256 * ndcX and 240 + 192 * ndcY, rounded to a
// multiple of 1/16 pixel. Adding 2^19 + 320 (or + 240) lifts the value into
// the range where a float's last bit is 1/16, and subtracting 2^19 leaves it
// rounded there. Each step must round to single precision.
float SnapScreenX(float ndcX);
float SnapScreenY(float ndcY);

// The projected values of a vertex with clip coordinates (x, y, z).
struct ProjectedVertex {
    float invZ, ndcX, ndcY, screenX, screenY;
};

inline ProjectedVertex Project(float x, float y, float z) {
    ProjectedVertex v;
    v.invZ = 1.0f / z;
    v.ndcX = x * v.invZ;
    v.ndcY = y * v.invZ;
    v.screenX = SnapScreenX(v.ndcX);
    v.screenY = SnapScreenY(v.ndcY);
    return v;
}
