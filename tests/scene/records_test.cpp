// Defaults of the scene records and the layout the renderer relies on.
#include <gtest/gtest.h>

#include <cstdint>

#include "scene/records.h"

namespace {

TEST(RecordsTest, ActorDefaults) {
    const Actor actor;
    EXPECT_EQ(actor.position.x, 0.0f);
    EXPECT_EQ(actor.position.y, 0.0f);
    EXPECT_EQ(actor.position.z, 0.0f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(actor.orientation.m[i][j], i == j ? 1.0f : 0.0f);
    // The actor's own material: white diffuse, never textured, specular on.
    EXPECT_EQ(actor.material.diffuse.r, 255.0f);
    EXPECT_EQ(actor.material.diffuse.a, 255.0f);
    EXPECT_EQ(actor.material.hasSpecular, 1);
    EXPECT_EQ(actor.material.twoSided, 0);
    EXPECT_EQ(actor.material.amount, 1.0f);
    EXPECT_EQ(actor.material.texture, -1);
    EXPECT_EQ(actor.material.textureOdd, -1);
    EXPECT_EQ(actor.material.textureEven, -1);
}

TEST(RecordsTest, MaterialDefaults) {
    const Material material;
    EXPECT_EQ(material.diffuse.r, 255.0f);
    EXPECT_EQ(material.diffuse.g, 255.0f);
    EXPECT_EQ(material.diffuse.b, 255.0f);
    EXPECT_EQ(material.diffuse.a, 255.0f);
    EXPECT_EQ(material.specular.r, 180.0f);
    EXPECT_EQ(material.specular.g, 180.0f);
    EXPECT_EQ(material.specular.b, 180.0f);
    EXPECT_EQ(material.specular.a, 0.0f);
    EXPECT_EQ(material.twoSided, 0);
    EXPECT_EQ(material.hasSpecular, 1);
    EXPECT_EQ(material.amount, 1.0f);
    EXPECT_EQ(material.texture, -1);
}

TEST(RecordsTest, VertexStartsWithoutNormals) {
    const Vertex vertex;
    EXPECT_EQ(vertex.normalCount, 0);
    EXPECT_EQ(vertex.normals, 0u);
}

TEST(RecordsTest, SceneStartsEmptyWithSpecularity400AndADefaultCamera) {
    const SceneRecord scene;
    EXPECT_EQ(scene.actorCount, 0);
    EXPECT_EQ(scene.lightCount, 0);
    EXPECT_EQ(scene.actors, nullptr);
    EXPECT_EQ(scene.lights, nullptr);
    EXPECT_EQ(scene.specularity, 400.0f);
    EXPECT_EQ(scene.camera.orientation.m[2][2], 1.0f);
    EXPECT_EQ(scene.camera.position.z, 0.0f);
}

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
