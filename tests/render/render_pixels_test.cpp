// Whole render path into the software device, checked on the pixels and
// the device's counters: the white frame, clipping at the frame, fans of
// n - 2 triangles and depth in the Z-buffer mode. (Coverage and colours of
// whole scenes: render_scenes_test.cpp.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "glide.h"
#include "glide_device.h"
#include "render/actor_renderer.h"
#include "render/fast_inv_sqrt.h"
#include "render/init_graphics.h"
#include "render_fixtures.h"

namespace {

using render_test::DirectionalLight;
using render_test::Mesh;
using render_test::ScopedRenderFlags;

constexpr int kW = 640;
constexpr int kH = 480;
// Initial switches without fog (its colour would darken the flat colours),
// specular and antialiasing.
constexpr std::uint32_t kFlags = (RENDER_FLAGS_INITIAL & ~(RF_FOG | RF_SPECULAR)) | RF_FLAT_SHADING;

class RenderPixels : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (InvSqrtTable == nullptr) BuildInvSqrtTable();
        InitGraphics();
        grFogMode(GR_FOG_DISABLE);
    }

    void Clear() {
        grRenderBuffer(GR_BUFFER_BACKBUFFER);
        grBufferClear(0, 0, 0xFFFF);
        glide::ResetCounters();
    }

    std::vector<std::uint16_t> Read() {
        std::vector<std::uint16_t> px(kW * kH);
        EXPECT_TRUE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 0, kW, kH, kW * 2, px.data()));
        return px;
    }

    // An actor holding one object made of the mesh, its bounds from the
    // mesh's vertices, placed at `position`.
    void Render(Mesh& m, const Vec3& position) {
        object_ = m.AsObject();
        float r = 0.0f;
        for (const Vertex& v : m.vertices) r = std::fmax(r, std::sqrt(v.position.Dot(v.position)));
        object_.radius = r;
        object_.radiusX = r * std::sqrt(RADIUS_FACTOR_X_SQUARED);
        object_.radiusY = r * std::sqrt(RADIUS_FACTOR_Y_SQUARED);
        actor_ = Actor{};
        actor_.objects = &object_;
        actor_.objectCount = 1;
        actor_.position = position;
        actor_.radius = object_.radius;
        actor_.radiusX = object_.radiusX;
        actor_.radiusY = object_.radiusY;
        RenderActor(actor_, camera_, &light_, 1);
    }

    Object object_;
    Actor actor_;
    Actor camera_;
    Light light_ = DirectionalLight({0, 0, 1}, 1.0f);
};

// A square of half size s in the model plane z = 0, facing -z (the camera).
void BuildSquare(Mesh& m, float s) {
    const int a = m.AddVertex({-s, -s, 0});
    const int b = m.AddVertex({-s, s, 0});
    const int c = m.AddVertex({s, s, 0});
    const int d = m.AddVertex({s, -s, 0});
    m.AddFace(a, b, c);
    m.AddFace(a, c, d);
    m.Link(false);
}

TEST_F(RenderPixels, FrameIsDrawnEvenForARejectedActor) {
    ScopedRenderFlags flags(kFlags);
    Mesh m;
    BuildSquare(m, 1.0f);
    Clear();
    Render(m, {0, 0, -50});  // behind the camera
    const std::vector<std::uint16_t> px = Read();
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 0u);
    int white = 0;
    for (int y = 100; y < 400; ++y) white += px[y * kW + 64] == 0xFFFF;
    EXPECT_EQ(white, 300);
    for (int x = 100; x < 500; ++x) EXPECT_EQ(px[432 * kW + x], 0xFFFF) << x;
    // Nothing inside.
    EXPECT_EQ(px[240 * kW + 320], 0);
}

TEST_F(RenderPixels, BigQuadIsClippedAtTheFrame) {
    ScopedRenderFlags flags(kFlags);
    Mesh m;
    BuildSquare(m, 10.0f);
    Clear();
    Render(m, {0, 0, 4});
    const std::vector<std::uint16_t> px = Read();
    int outside = 0, insideDark = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const bool in = x > 64 && x < 576 && y > 48 && y < 432;
            const bool frame = (x == 64 || x == 576) && y >= 48 && y <= 432;
            const bool frameH = (y == 48 || y == 432) && x >= 64 && x <= 576;
            if (frame || frameH) continue;
            if (in) insideDark += px[y * kW + x] == 0;
            else outside += px[y * kW + x] != 0;
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(insideDark, 0);
    // Each face crosses all four side planes; every clipped polygon is a
    // fan of count - 2 triangles.
    EXPECT_GE(glide::GetCounters().trianglesSubmitted, 4u);
}

TEST_F(RenderPixels, ClippedFaceIsDrawnAsAFan) {
    ScopedRenderFlags flags(kFlags & ~RF_BACKFACE_CULL);
    // One triangle with corner B beyond the right plane and corner C above
    // the top plane: clipping gives a pentagon, drawn as three triangles.
    Mesh m;
    const int a = m.AddVertex({0, 0, 0});
    const int b = m.AddVertex({4.3f, 0.7f, 0});
    const int c = m.AddVertex({0.9f, 2.95f, 0});
    m.AddFace(a, b, c);
    m.Link(false);
    Clear();
    Render(m, {0, 0, 5});
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 3u);
}

TEST_F(RenderPixels, ZBufferModeKeepsTheNearerFaceAndTheFrameInFront) {
    ScopedRenderFlags flags(kFlags & ~RF_WBUFFER);
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grDepthBufferFunction(GR_CMP_GREATER);
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grBufferClear(0, 0, 0);
    // Near red square drawn first, then a big green one behind it.
    Mesh nearMesh, farMesh;
    BuildSquare(nearMesh, 1.0f);
    nearMesh.material.diffuse = {255.0f, 0.0f, 0.0f, 255.0f};
    BuildSquare(farMesh, 20.0f);
    farMesh.material.diffuse = {0.0f, 255.0f, 0.0f, 255.0f};
    Render(nearMesh, {0, 0, 4});
    Render(farMesh, {0, 0, 10});
    const std::vector<std::uint16_t> px = Read();
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    EXPECT_EQ(px[240 * kW + 320] >> 11, 31);        // red stays in front
    EXPECT_EQ((px[60 * kW + 320] >> 5) & 63, 63);   // green around it
    EXPECT_EQ(px[240 * kW + 64], 0xFFFF);           // the frame in front of both
}

}  // namespace
