#include <gtest/gtest.h>

#include <cmath>

#include "render/clip_codes.h"
#include "render/sphere_test.h"
#include "scene/records.h"

namespace {

struct Sphere {
    float r, rx, ry;
};

Sphere Radii(float r) {
    return {r, r * std::sqrt(RADIUS_FACTOR_X_SQUARED), r * std::sqrt(RADIUS_FACTOR_Y_SQUARED)};
}

// The centre given in view space, turned into clip coordinates.
int Classify(Vec3 view, float r, int mask = CLIP_ALL) {
    const Sphere s = Radii(r);
    return ClassifySphere({view.x * VIEW_SCALE_X, view.y * VIEW_SCALE_Y, view.z}, s.r, s.rx, s.ry, mask);
}

TEST(SphereTest, WhollyInsideGivesZero) { EXPECT_EQ(Classify({0, 0, 100}, 5), 0); }

TEST(SphereTest, BehindTheCameraOrBeyondFarIsRejected) {
    EXPECT_EQ(Classify({0, 0, -5}, 1), CLIP_REJECT);
    EXPECT_EQ(Classify({0, 0, 0.5f}, 0.4f), CLIP_REJECT);  // z + r < 1
    EXPECT_EQ(Classify({0, 0, 70000}, 10), CLIP_REJECT);
}

TEST(SphereTest, CrossingNearAndFarSetsBits) {
    EXPECT_EQ(Classify({0, 0, 1.5f}, 1, CLIP_NEAR | CLIP_FAR), CLIP_NEAR);
    EXPECT_EQ(Classify({0, 0, 64999}, 10), CLIP_FAR);
    // Pairs are tested together: a mask of only NEAR still reports FAR.
    EXPECT_EQ(Classify({0, 0, 64999}, 10, CLIP_NEAR), CLIP_FAR);
}

TEST(SphereTest, SidePlanesUseTheScaledRadii) {
    // The right plane in view space is 1.73 x = z; a sphere whose centre is
    // on it crosses it, one a radius-and-a-bit beyond is outside.
    const float z = 100.0f;
    const float onPlane = z / VIEW_SCALE_X;
    EXPECT_EQ(Classify({onPlane, 0, z}, 1), CLIP_RIGHT);
    EXPECT_EQ(Classify({-onPlane, 0, z}, 1), CLIP_LEFT);
    EXPECT_EQ(Classify({0, z / VIEW_SCALE_Y, z}, 1), CLIP_TOP);
    EXPECT_EQ(Classify({0, -z / VIEW_SCALE_Y, z}, 1), CLIP_BOTTOM);
    // Distance from the plane 1.73 x - z = 0 is (1.73 x - z) / sqrt(1 + 1.73^2).
    const float dist = 3.0f * std::sqrt(RADIUS_FACTOR_X_SQUARED);
    EXPECT_EQ(Classify({(z + dist) / VIEW_SCALE_X, 0, z}, 2.9f), CLIP_REJECT);
    EXPECT_EQ(Classify({(z + dist) / VIEW_SCALE_X, 0, z}, 3.1f), CLIP_RIGHT);
}

TEST(SphereTest, UnmaskedPairsAreNotTested) {
    // Far outside to the right, but only near/far are asked about.
    EXPECT_EQ(Classify({1000, 0, 100}, 1, CLIP_NEAR | CLIP_FAR), 0);
    EXPECT_EQ(Classify({1000, 0, 100}, 1, CLIP_TOP), 0);
    EXPECT_EQ(Classify({1000, 0, 100}, 1, CLIP_LEFT), CLIP_REJECT);
}

TEST(SphereTest, BigSphereCrossesEveryPlane) {
    EXPECT_EQ(Classify({0, 0, 10}, 70000), CLIP_NEAR | CLIP_FAR | CLIP_LEFT | CLIP_RIGHT | CLIP_TOP | CLIP_BOTTOM);
}

}  // namespace
