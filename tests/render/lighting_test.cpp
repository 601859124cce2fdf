// Reciprocal square root, the sign rule, caps, specular forms and the
// per-side cache.
#include <gtest/gtest.h>

#include <cmath>

#include "render/fast_inv_sqrt.h"
#include "render/lighting.h"
#include "render_fixtures.h"

namespace {

using render_test::DirectionalLight;
using render_test::OmniLight;
using render_test::ScopedRenderFlags;

constexpr std::uint32_t kLights = RF_OMNI_LIGHTS | RF_DIRECTIONAL_LIGHTS;

class Lighting : public ::testing::Test {
protected:
    void SetUp() override {
        if (InvSqrtTable == nullptr) BuildInvSqrtTable();
        savedSpecularity_ = Scene.specularity;
        material_.specular = {0.0f, 0.0f, 0.0f, 0.0f};
        vertex_.position = {0, 0, 0};
    }
    void TearDown() override { Scene.specularity = savedSpecularity_; }

    // Light at the origin with normal (0, 0, -1) and the eye at (0, 0, -10).
    ColorRGBA Light(const ::Light* lights, int count, std::uint32_t faceFlags, Vec3 N = {0, 0, -1}) {
        ColorRGBA c;
        LightPoint(c, material_, vertex_, N, Vec3{0, 0, 10}, lights, count, faceFlags);
        return c;
    }

    Material material_;
    Vertex vertex_;
    float savedSpecularity_ = 400.0f;
};

TEST(InvSqrt, TableEntriesAndResults) {
    if (InvSqrtTable == nullptr) BuildInvSqrtTable();
    EXPECT_EQ(InvSqrtTable[0], 106);
    EXPECT_EQ(InvSqrtTable[63], 1);
    EXPECT_EQ(InvSqrtTable[64], 255);
    EXPECT_EQ(InvSqrtTable[65], 252);
    EXPECT_EQ(InvSqrtTable[127], 107);
    EXPECT_NEAR(FastInvSqrt(1.0f), 0.9999943f, 1e-7f);
    EXPECT_NEAR(FastInvSqrt(4.0f), 0.4999971f, 1e-7f);
    for (float x : {1e-6f, 0.3f, 2.5f, 17.0f, 12345.0f, 3e9f}) {
        // The seed is taken at the low end of its mantissa bucket, so one
        // Newton step leaves up to about 5e-5.
        EXPECT_NEAR(FastInvSqrt(x) * std::sqrt(x), 1.0f, 1e-4f) << x;
    }
}

// ShadeLight's sign rule in every combination: the face seen from the side
// the eye sees is lit by the cosine between the light and that side; with
// LIGHT_BOTH_SIDES the front gets the absolute cosine and the back nothing.
TEST_F(Lighting, SignRuleInAllFlagCombinations) {
    const Vec3 N{0, 0, -1};
    for (int combo = 0; combo < 16; ++combo) {
        const bool lightFromFront = combo & 1;  // L . N < 0
        const bool bothSides = combo & 2;
        const bool flip = combo & 4;
        const bool frontFlag = combo & 8;
        ScopedRenderFlags flags(kLights | (bothSides ? RF_LIGHT_BOTH_SIDES : 0) | (flip ? RF_FLIP_FACING : 0));
        // L at cosine 0.5 with the normal, from the front or the back.
        const Vec3 L = lightFromFront ? Vec3{0.8660254f, 0, 0.5f} : Vec3{0.8660254f, 0, -0.5f};
        Vec3 V{0, 0, 1};
        bool vn = false;
        const ColorRGBA c = ShadeLight(N, V, vn, L, material_, frontFlag ? FACE_FRONT : 0, 1.0f);
        // The side the eye really sees: face processing toggled FACE_FRONT
        // when flipping, so undo that here.
        const bool seesFront = frontFlag != flip;
        bool lit;
        if (bothSides) {
            lit = seesFront;
        } else {
            lit = seesFront ? lightFromFront : !lightFromFront;
        }
        SCOPED_TRACE(combo);
        if (lit) {
            EXPECT_NEAR(c.r, 127.5f, 1e-3f);
        } else {
            EXPECT_EQ(c.r, 0.0f);
        }
        EXPECT_EQ(c.a, 255.0f);
    }
}

TEST_F(Lighting, EdgeOnAndUnusableLights) {
    ScopedRenderFlags flags(kLights);
    ::Light edgeOn = DirectionalLight({1, 0, 0}, 1.0f);
    ColorRGBA c = Light(&edgeOn, 1, FACE_FRONT);
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.a, 255.0f);

    ::Light behind = DirectionalLight({0, 0, -1}, 1.0f);
    c = Light(&behind, 1, FACE_FRONT);
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.a, 255.0f);

    ::Light off = DirectionalLight({0, 0, 1}, 1.0f);
    off.enabled = 0;
    c = Light(&off, 1, FACE_FRONT);
    EXPECT_EQ(c.a, 0.0f);

    ::Light both[2] = {DirectionalLight({0, 0, 1}, 1.0f), OmniLight({0, 0, -5}, 1.0f)};
    RenderFlags = 0;
    c = Light(both, 2, FACE_FRONT);
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.a, 0.0f);
    RenderFlags = RF_OMNI_LIGHTS;  // only the omni light, which sits in front
    c = Light(both, 2, FACE_FRONT);
    EXPECT_NEAR(c.r, 255.0f, 0.01f);
}

TEST_F(Lighting, ComponentsAndAlphaAreCappedAt255) {
    ScopedRenderFlags flags(kLights);
    material_.diffuse = {200.0f, 50.0f, 0.0f, 255.0f};
    ::Light two[2] = {DirectionalLight({0, 0, 1}, 1.0f), DirectionalLight({0, 0, 1}, 1.0f)};
    ColorRGBA c = Light(two, 2, FACE_FRONT);
    EXPECT_EQ(c.r, 255.0f);
    EXPECT_EQ(c.g, 100.0f);
    EXPECT_EQ(c.a, 255.0f);

    // Two lights that miss the surface add 255 alpha each: capped.
    ::Light behind[2] = {DirectionalLight({0, 0, -1}, 1.0f), DirectionalLight({0, 0, -1}, 1.0f)};
    c = Light(behind, 2, FACE_FRONT);
    EXPECT_EQ(c.a, 255.0f);

    // Negative intensity is not clamped from below.
    ::Light negative = DirectionalLight({0, 0, 1}, -1.0f);
    c = Light(&negative, 1, FACE_FRONT);
    EXPECT_EQ(c.r, -200.0f);
}

TEST_F(Lighting, MaterialAlphaFromFrontAndBehind) {
    ScopedRenderFlags flags(kLights);
    material_.diffuse = {10.0f, 10.0f, 10.0f, 128.0f};
    ::Light front = DirectionalLight({0, 0, 1}, 1.0f);
    EXPECT_EQ(Light(&front, 1, FACE_FRONT).a, 128.0f);
    ::Light back = DirectionalLight({0, 0, -1}, 1.0f);
    EXPECT_EQ(Light(&back, 1, FACE_FRONT).a, 255.0f);
}

TEST_F(Lighting, TextureColourReplacesDiffuseForTexturedFaces) {
    ScopedRenderFlags flags(kLights);
    material_.diffuse = {10.0f, 10.0f, 10.0f, 255.0f};
    material_.textureColor = {255.0f, 255.0f, 255.0f, 255.0f};
    ::Light l = DirectionalLight({0, 0, 1}, 0.5f);
    EXPECT_EQ(Light(&l, 1, FACE_FRONT).r, 5.0f);
    EXPECT_EQ(Light(&l, 1, FACE_FRONT | FACE_USE_TEXTURE_COLOR).r, 127.5f);
}

TEST_F(Lighting, SpecularExactAndFastForms) {
    material_.diffuse = {0.0f, 0.0f, 0.0f, 255.0f};
    material_.specular = {100.0f, 0.0f, 0.0f, 0.0f};
    material_.shininess = 0.1f;
    ::Light l = DirectionalLight({0, 0, 1}, 1.0f);
    // Head-on: H = L + V with V = (0, 0, 1) is along +z, s = 1.
    Scene.specularity = 400.0f;
    {
        ScopedRenderFlags flags(kLights | RF_SPECULAR);
        EXPECT_NEAR(Light(&l, 1, FACE_FRONT).r, 100.0f, 0.2f);
        material_.hasSpecular = 0;
        EXPECT_EQ(Light(&l, 1, FACE_FRONT).r, 0.0f);
        material_.hasSpecular = 1;
    }
    {
        ScopedRenderFlags flags(kLights | RF_SPECULAR | RF_FAST_SPECULAR);
        EXPECT_NEAR(Light(&l, 1, FACE_FRONT).r, 100.0f, 0.2f);  // s = 1: f = 1 for any n
    }
    // Off the mirror direction with specularity 0: f = 1 wherever s > 0.
    ::Light slanted = DirectionalLight({0.6f, 0, 0.8f}, 1.0f);
    Scene.specularity = 0.0f;
    for (std::uint32_t extra : {0u, RF_FAST_SPECULAR}) {
        ScopedRenderFlags flags(kLights | RF_SPECULAR | extra);
        EXPECT_NEAR(Light(&slanted, 1, FACE_FRONT).r, 100.0f, 1e-3f) << extra;
    }
    // With a large exponent the slanted highlight almost vanishes, and the
    // fast form stays above the exact power.
    Scene.specularity = 4000.0f;
    float exact, fast;
    {
        ScopedRenderFlags flags(kLights | RF_SPECULAR);
        exact = Light(&slanted, 1, FACE_FRONT).r;
    }
    {
        ScopedRenderFlags flags(kLights | RF_SPECULAR | RF_FAST_SPECULAR);
        fast = Light(&slanted, 1, FACE_FRONT).r;
    }
    EXPECT_LT(exact, 1.0f);
    EXPECT_GT(fast, exact);
    EXPECT_LT(fast, 100.0f);
}

TEST_F(Lighting, VertexNormalIsLitOncePerSide) {
    ScopedRenderFlags flags(kLights);
    VertexNormal vn;
    vn.normal = {0, 0, -1};
    Vertex v;
    v.position = {0, 0, 10};
    v.normals = 0;
    v.normalCount = 1;
    ::Light l = DirectionalLight({0, 0, 1}, 1.0f);
    const Vec3 eye{0, 0, 0};
    LightVertex(v, &vn, &l, 1, eye, 0, material_, FACE_FRONT);
    EXPECT_EQ(vn.litFlags, 1);
    EXPECT_EQ(vn.frontColor.r, 255.0f);
    // A second face sharing it finds the colour done, whatever the light
    // does now.
    l.intensity = 0.5f;
    LightVertex(v, &vn, &l, 1, eye, 0, material_, FACE_FRONT);
    EXPECT_EQ(vn.frontColor.r, 255.0f);
    // The back side is a colour of its own.
    LightVertex(v, &vn, &l, 1, eye, 0, material_, 0);
    EXPECT_EQ(vn.litFlags, 3);
    EXPECT_EQ(vn.backColor.r, 0.0f);
    EXPECT_EQ(vn.backColor.a, 255.0f);
}

}  // namespace
