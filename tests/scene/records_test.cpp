// Defaults of the scene records and the layout the renderer relies on.
#include <gtest/gtest.h>

#include <cstdint>

#include "scene/records.h"

namespace {

// The defaults are checked where they are made, at compile time.
constexpr Actor kActor{};
static_assert(kActor.position.x == 0.0f && kActor.position.y == 0.0f && kActor.position.z == 0.0f);
static_assert(kActor.orientation.m[0][0] == 1.0f && kActor.orientation.m[1][1] == 1.0f &&
              kActor.orientation.m[2][2] == 1.0f && kActor.orientation.m[0][1] == 0.0f &&
              kActor.orientation.m[1][2] == 0.0f && kActor.orientation.m[2][0] == 0.0f);
// The actor's own material: white diffuse, never textured, specular on.
static_assert(kActor.material.diffuse.r == 255.0f && kActor.material.diffuse.a == 255.0f &&
              kActor.material.hasSpecular == 1 && kActor.material.twoSided == 0 && kActor.material.amount == 1.0f &&
              kActor.material.texture == -1 && kActor.material.textureOdd == -1 &&
              kActor.material.textureEven == -1);

constexpr Material kMaterial{};
static_assert(kMaterial.diffuse.r == 255.0f && kMaterial.diffuse.g == 255.0f && kMaterial.diffuse.b == 255.0f &&
              kMaterial.diffuse.a == 255.0f);
static_assert(kMaterial.specular.r == 180.0f && kMaterial.specular.g == 180.0f && kMaterial.specular.b == 180.0f &&
              kMaterial.specular.a == 0.0f);
static_assert(kMaterial.twoSided == 0 && kMaterial.hasSpecular == 1 && kMaterial.amount == 1.0f &&
              kMaterial.texture == -1);

constexpr Vertex kVertex{};
static_assert(kVertex.normalCount == 0 && kVertex.normals == 0u);

constexpr SceneRecord kScene{};
static_assert(kScene.actorCount == 0 && kScene.lightCount == 0 && kScene.actors == nullptr &&
              kScene.lights == nullptr && kScene.specularity == 400.0f);
static_assert(kScene.camera.orientation.m[2][2] == 1.0f && kScene.camera.position.z == 0.0f);

TEST(RecordsTest, TheGlobalCameraHasItsDefaultsBeforeLoading) {
    // Built during static initialisation; nothing in this test program loads.
    EXPECT_EQ(Scene.camera.orientation.m[0][0], 1.0f);
    EXPECT_EQ(Scene.camera.orientation.m[0][1], 0.0f);
    EXPECT_EQ(Scene.specularity, 400.0f);
}

TEST(RecordsTest, LightTypesAndFaceFlagBits) {
    EXPECT_EQ(static_cast<int>(OMNI), 0);
    EXPECT_EQ(static_cast<int>(DIRECTIONAL), 1);
    const Light light;
    EXPECT_EQ(light.enabled, 1);
    // Loader bits live in the top byte, each a single distinct bit.
    const std::uint32_t loaderBits[] = {FACE_TEXTURED, FACE_SMOOTH,   FACE_TWO_SIDED, FACE_DEGENERATE,
                                        FACE_EDGE_AB,  FACE_EDGE_BC,  FACE_EDGE_CA,   FACE_SPECULAR};
    std::uint32_t all = 0;
    for (std::uint32_t bit : loaderBits) {
        EXPECT_EQ(bit & (bit - 1), 0u);
        EXPECT_EQ(all & bit, 0u);
        all |= bit;
    }
    EXPECT_EQ(all, FACE_LOADER_BITS);
    EXPECT_EQ(FACE_TEXTURED, 0x80000000u);
    EXPECT_EQ(FACE_SPECULAR, 0x01000000u);
}

TEST(RecordsTest, FacesFillWholeCacheLinesAndArraysStartOnALine) {
    if (sizeof(void*) == 8) {
        EXPECT_EQ(sizeof(Face), 96u);
    }
    EXPECT_EQ(sizeof(Face) % 32, 0u);
    EXPECT_EQ(alignof(Face) % 32, 0u);
    Face* faces = new Face[3];
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(faces) % 32, 0u);
    delete[] faces;
}

TEST(RecordsTest, RadiusFactorsAreTheProjectionScalesSquaredPlusOne) {
    EXPECT_NEAR(RADIUS_FACTOR_X_SQUARED, 1.0f + VIEW_SCALE_X * VIEW_SCALE_X, 1e-5f);
    EXPECT_NEAR(RADIUS_FACTOR_Y_SQUARED, 1.0f + VIEW_SCALE_Y * VIEW_SCALE_Y, 1e-5f);
}

}  // namespace
