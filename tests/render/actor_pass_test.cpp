// The actor and object levels of the render path: placement through the
// actor's and the camera's orientations, the eye and the lights in model
// space, what a rejected actor or object leaves alone, the skipped object
// test of an actor wholly inside, the per-frame cache reset, and a frame
// that allocates nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "allocation_counter.h"
#include "glide.h"
#include "glide_device.h"
#include "render/actor_renderer.h"
#include "render/clip_codes.h"
#include "render/fast_inv_sqrt.h"
#include "render/face_processor.h"
#include "render/front_end.h"
#include "render/init_graphics.h"
#include "render_fixtures.h"

namespace {

using test_support::AllocationProbe;
using render_test::DirectionalLight;
using render_test::Mesh;
using render_test::OmniLight;
using render_test::ScopedRenderFlags;

constexpr std::uint32_t kFlags = (RENDER_FLAGS_INITIAL & ~RF_FOG) | RF_BACKFACE_CULL;

// A quarter turn about z: the actor's x axis points along world y and its
// y axis along world -x (columns of the matrix).
Matrix3 QuarterTurnZ() { return Matrix3(0, -1, 0, 1, 0, 0, 0, 0, 1); }

// A camera looking along world +x, screen right along world -z, up along
// world y.
Matrix3 LookingAlongX() { return Matrix3(0, 0, 1, 0, 1, 0, -1, 0, 0); }

class ActorPass : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (InvSqrtTable == nullptr) BuildInvSqrtTable();
        InitGraphics();
        grFogMode(GR_FOG_DISABLE);
    }

    void SetUp() override {
        grRenderBuffer(GR_BUFFER_BACKBUFFER);
        grBufferClear(0, 0, 0xFFFF);
        glide::ResetCounters();
    }

    // One object made of the mesh, bounded by a sphere of radius r about
    // `center`; the actor's sphere is `actorRadius` about its origin.
    void Place(Mesh& m, const Vec3& position, const Matrix3& orientation, float r, float actorRadius,
               const Vec3& center = {0, 0, 0}) {
        object_ = m.AsObject();
        object_.center = center;
        object_.radius = r;
        object_.radiusX = r * std::sqrt(RADIUS_FACTOR_X_SQUARED);
        object_.radiusY = r * std::sqrt(RADIUS_FACTOR_Y_SQUARED);
        actor_ = Actor{};
        actor_.objects = &object_;
        actor_.objectCount = 1;
        actor_.position = position;
        actor_.orientation = orientation;
        actor_.radius = actorRadius;
        actor_.radiusX = actorRadius * std::sqrt(RADIUS_FACTOR_X_SQUARED);
        actor_.radiusY = actorRadius * std::sqrt(RADIUS_FACTOR_Y_SQUARED);
    }

    void Render(Light* lights, int count) { RenderActor(actor_, camera_, lights, count); }

    Object object_;
    Actor actor_;
    Actor camera_;
};

// Corners (1, 0, 0), (0, 1, 0) and (0, 0, 0) of the actor's model space.
void BuildAxisTriangle(Mesh& m) {
    const int x = m.AddVertex({1, 0, 0});
    const int y = m.AddVertex({0, 1, 0});
    const int o = m.AddVertex({0, 0, 0});
    m.AddFace(o, y, x);
    m.Link(false);
}

TEST_F(ActorPass, VerticesArePlacedThroughTheActorAndCameraOrientations) {
    ScopedRenderFlags flags(kFlags & ~RF_BACKFACE_CULL);
    Mesh m;
    BuildAxisTriangle(m);
    Light light = DirectionalLight({0, 0, 1}, 1.0f);

    // Camera at the origin looking along +z; the actor 10 ahead, turned a
    // quarter about z: model x lands on world (0, 1, 10), model y on (-1, 0, 10).
    Place(m, {0, 0, 10}, QuarterTurnZ(), 1.5f, 1.5f);
    Render(&light, 1);
    const Vertex& vx = m.vertices[0];
    const Vertex& vy = m.vertices[1];
    EXPECT_EQ(vx.screenX, 320.0f);
    EXPECT_EQ(vx.screenY, 284.3125f);  // 240 + 192 * 2.3066666 / 10, to 1/16
    EXPECT_EQ(vx.clip.z, 10.0f);
    EXPECT_EQ(vy.screenX, 275.6875f);  // 320 - 256 * 1.73 / 10, to 1/16
    EXPECT_EQ(vy.screenY, 240.0f);

    // The same world points seen from (-10, 0, 10) looking along +x: model
    // x is 10 ahead and 1 up, model y 9 ahead on the axis.
    camera_.position = {-10, 0, 10};
    camera_.orientation = LookingAlongX();
    Render(&light, 1);
    EXPECT_EQ(vx.screenX, 320.0f);
    EXPECT_EQ(vx.screenY, 284.3125f);
    EXPECT_EQ(vx.clip.z, 10.0f);
    EXPECT_EQ(vy.screenX, 320.0f);
    EXPECT_EQ(vy.screenY, 240.0f);
    EXPECT_EQ(vy.clip.z, 9.0f);
}

TEST_F(ActorPass, EyeInModelSpaceDecidesFacing) {
    ScopedRenderFlags flags(kFlags);
    // Two squares in the model plane y = 0, one facing +y and one -y. The
    // camera at (-10, 0, 10) looking along +x sees the actor's +y side
    // (model y is world -x after the quarter turn).
    Mesh m;
    const int a = m.AddVertex({-1, 0, -1});
    const int b = m.AddVertex({-1, 0, 1});
    const int c = m.AddVertex({1, 0, 1});
    m.AddFace(a, b, c);
    m.AddFace(a, c, b);
    m.Link(false);
    ASSERT_GT(m.faces[0].normal.y, 0.5f);
    ASSERT_LT(m.faces[1].normal.y, -0.5f);
    camera_.position = {-10, 0, 10};
    camera_.orientation = LookingAlongX();
    Place(m, {0, 0, 10}, QuarterTurnZ(), 1.5f, 1.5f);
    Light light = DirectionalLight({1, 0, 0}, 1.0f);
    Render(&light, 1);
    EXPECT_NE(m.faces[0].clipCode, CLIP_REJECT);
    EXPECT_TRUE(m.faces[0].flags & FACE_FRONT);
    EXPECT_EQ(m.faces[1].clipCode, CLIP_REJECT);
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 1u);
}

TEST_F(ActorPass, LightsMoveIntoModelSpaceOnlyWhenEnabled) {
    ScopedRenderFlags flags(kFlags);
    Mesh m;
    BuildAxisTriangle(m);
    Place(m, {0, 0, 10}, QuarterTurnZ(), 1.5f, 1.5f);
    Light lights[3] = {OmniLight({0, 5, 10}, 1.0f), DirectionalLight({0, 1, 0}, 1.0f),
                       OmniLight({3, 3, 3}, 1.0f)};
    lights[2].enabled = 0;
    lights[2].local = {7, 7, 7};
    Render(lights, 3);
    // The omni light sits 5 along the actor's x axis; the direction is only
    // turned, not moved.
    EXPECT_FLOAT_EQ(lights[0].local.x, 5.0f);
    EXPECT_FLOAT_EQ(lights[0].local.y, 0.0f);
    EXPECT_FLOAT_EQ(lights[0].local.z, 0.0f);
    EXPECT_FLOAT_EQ(lights[1].local.x, 1.0f);
    EXPECT_FLOAT_EQ(lights[1].local.y, 0.0f);
    EXPECT_FLOAT_EQ(lights[1].local.z, 0.0f);
    EXPECT_EQ(lights[2].local.x, 7.0f);
    EXPECT_EQ(lights[2].local.y, 7.0f);
    EXPECT_EQ(lights[2].local.z, 7.0f);
}

TEST_F(ActorPass, RejectedActorLeavesLightsAndCachesAlone) {
    ScopedRenderFlags flags(kFlags);
    Mesh m;
    BuildAxisTriangle(m);
    for (Vertex& v : m.vertices) v.cacheFlags = VERTEX_ALL_DONE;
    for (VertexNormal& n : m.normals) n.litFlags = 3;
    Place(m, {0, 0, -100}, Matrix3(), 1.5f, 1.5f);  // behind the camera
    Light light = OmniLight({0, 0, 0}, 1.0f);
    light.local = {7, 7, 7};
    Render(&light, 1);
    EXPECT_EQ(light.local.x, 7.0f);
    for (const Vertex& v : m.vertices) EXPECT_EQ(v.cacheFlags, VERTEX_ALL_DONE);
    for (const VertexNormal& n : m.normals) EXPECT_EQ(n.litFlags, 3);
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 0u);
}

TEST_F(ActorPass, ObjectIsTestedOnlyAgainstThePlanesItsActorCrosses) {
    ScopedRenderFlags flags(kFlags & ~RF_BACKFACE_CULL);
    Light light = DirectionalLight({0, 0, 1}, 1.0f);
    // The object's own sphere says "behind the camera", but the actor lies
    // wholly inside the view volume, so the object is not tested and drawn.
    Mesh inside;
    BuildAxisTriangle(inside);
    Place(inside, {0, 0, 10}, Matrix3(), 1.5f, 1.5f, {0, 0, -50});
    Render(&light, 1);
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 1u);
    EXPECT_EQ(inside.vertices[0].cacheFlags, VERTEX_ALL_DONE);

    // An actor crossing the near plane tests its object, which is rejected:
    // its caches are not even cleared.
    glide::ResetCounters();
    Mesh crossing;
    BuildAxisTriangle(crossing);
    for (Vertex& v : crossing.vertices) v.cacheFlags = VERTEX_Z_DONE;
    Place(crossing, {0, 0, 10}, Matrix3(), 1.5f, 20.0f, {0, 0, -50});
    Render(&light, 1);
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 0u);
    for (const Vertex& v : crossing.vertices) EXPECT_EQ(v.cacheFlags, VERTEX_Z_DONE);
}

TEST_F(ActorPass, EachFrameRecomputesTheCachedVertices) {
    ScopedRenderFlags flags(kFlags & ~RF_BACKFACE_CULL);
    Mesh m;
    BuildAxisTriangle(m);
    Light light = DirectionalLight({0, 0, 1}, 1.0f);
    Place(m, {0, 0, 10}, Matrix3(), 1.5f, 1.5f);
    Render(&light, 1);
    EXPECT_EQ(m.vertices[2].screenX, 320.0f);
    // Next frame, the actor moved right by 1: its origin is projected anew.
    actor_.position = {1, 0, 10};
    Render(&light, 1);
    EXPECT_EQ(m.vertices[2].screenX, 364.3125f);  // 320 + 256 * 1.73 / 10, to 1/16
}

TEST_F(ActorPass, AFrameOfClippedSmoothFacesAllocatesNothing) {
    ScopedRenderFlags flags(kFlags | RF_SPECULAR | RF_ANTIALIAS);
    // A big smooth square through the near plane and past every side.
    Mesh m;
    const int a = m.AddVertex({-20, -20, -5});
    const int b = m.AddVertex({-20, 20, 5});
    const int c = m.AddVertex({20, 20, 5});
    const int d = m.AddVertex({20, -20, -5});
    m.AddFace(a, b, c, FACE_SMOOTH | FACE_EDGE_AB);
    m.AddFace(a, c, d, FACE_SMOOTH | FACE_EDGE_BC);
    m.Link(false);
    Place(m, {0, 0, 3}, Matrix3(), 30.0f, 30.0f);
    Light lights[2] = {DirectionalLight({0, 0, 1}, 0.7f), OmniLight({0, 0, -5}, 0.5f)};
    // Inline, and queued to worker threads (the frame's end waits for
    // them), with the front end's passes on those threads too, a record a
    // range.
    SetFrontEndSplitForTesting(1, 0);
    for (int threads : {1, 2, 8}) {
        glide::SetThreadCount(threads);
        InitGraphics();
        grFogMode(GR_FOG_DISABLE);
        Render(lights, 2);  // warm-up: anything lazy in the device happens here
        const auto before = glide::GetCounters().trianglesSubmitted;
        long allocations = 0;
        {
            AllocationProbe probe;
            grBufferClear(0, 0, 0xFFFF);
            Render(lights, 2);
            grBufferSwap(0);
            allocations = probe.Count();
        }
        EXPECT_GT(glide::GetCounters().trianglesSubmitted - before, 2u) << threads;  // clipped into fans
        EXPECT_EQ(allocations, 0) << threads;
    }
    SetFrontEndSplitForTesting(0, 0);
    glide::SetThreadCount(0);
    InitGraphics();
    grFogMode(GR_FOG_DISABLE);
}

}  // namespace
