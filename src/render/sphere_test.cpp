#include "render/sphere_test.h"

#include "render/clip_codes.h"

int ClassifySphere(const Vec3& centre, float radius, float radiusX, float radiusY, int mask) {
    const float x = centre.x;
    const float y = centre.y;
    const float z = centre.z;
    int code = 0;
    // Planes are tested in pairs: either bit of a pair tests both planes, so
    // a mask holding only CLIP_NEAR can still yield CLIP_FAR.
    if (mask & (CLIP_NEAR | CLIP_FAR)) {
        if (z + radius < NEAR_Z) return CLIP_REJECT;
        if (z - radius > FAR_Z) return CLIP_REJECT;
        if (z - radius < NEAR_Z) code |= CLIP_NEAR;
        if (z + radius > FAR_Z) code |= CLIP_FAR;
    }
    if (mask & (CLIP_RIGHT | CLIP_LEFT)) {
        if (x - radiusX > z) return CLIP_REJECT;
        if (-z > x + radiusX) return CLIP_REJECT;
        if (x + radiusX > z) code |= CLIP_RIGHT;
        if (x - radiusX < -z) code |= CLIP_LEFT;
    }
    if (mask & (CLIP_TOP | CLIP_BOTTOM)) {
        if (y - radiusY > z) return CLIP_REJECT;
        if (-z > y + radiusY) return CLIP_REJECT;
        if (y + radiusY > z) code |= CLIP_TOP;
        if (y - radiusY < -z) code |= CLIP_BOTTOM;
    }
    return code;
}
