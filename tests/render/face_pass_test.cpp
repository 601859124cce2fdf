// Facing, culling, the lazy transform and projection, and flat colours.
#include <gtest/gtest.h>

#include "render/clip_codes.h"
#include "render/face_processor.h"
#include "render_fixtures.h"

namespace {

using render_test::DirectionalLight;
using render_test::Mesh;
using render_test::ScopedRenderFlags;

const Matrix3 kIdentity;
const Vec3 kOrigin{0, 0, 0};

// A quad of two faces in the plane z = depth, facing the camera at the
// origin (normals (0, 0, -1)).
void BuildQuad(Mesh& m, float depth, std::uint32_t loaderFlags = 0) {
    const int a = m.AddVertex({-1, -1, depth}, 0, 0);
    const int b = m.AddVertex({-1, 1, depth}, 0, 255);
    const int c = m.AddVertex({1, 1, depth}, 255, 255);
    const int d = m.AddVertex({1, -1, depth}, 255, 0);
    m.AddFace(a, b, c, loaderFlags);
    m.AddFace(a, c, d, loaderFlags);
}

constexpr std::uint32_t kBaseFlags = RF_BACKFACE_CULL | RF_OMNI_LIGHTS | RF_DIRECTIONAL_LIGHTS | RF_TEXTURES;

class FacePass : public ::testing::Test {
protected:
    void Process(Mesh& m, Face& f, const Vec3& eye, int mask = CLIP_ALL) {
        Object object = m.AsObject();
        ProcessFace(f, object, kIdentity, kOrigin, eye, &light_, 1, mask);
    }
    Light light_ = DirectionalLight({0, 0, 1}, 1.0f);
};

TEST_F(FacePass, FacingAndCulling) {
    ScopedRenderFlags flags(kBaseFlags);
    Mesh m;
    BuildQuad(m, 10);
    m.Link();
    Face& f = m.faces[0];
    ASSERT_LT(f.normal.z, 0.0f);

    Process(m, f, kOrigin);
    EXPECT_TRUE(f.flags & FACE_FRONT);
    EXPECT_EQ(f.clipCode, 0);

    // From behind: a back face, culled.
    Process(m, f, {0, 0, 20});
    EXPECT_EQ(f.clipCode, CLIP_REJECT);

    // Exactly edge-on (V . N == 0) counts as a back face.
    Process(m, f, {5, 0, 10});
    EXPECT_EQ(f.clipCode, CLIP_REJECT);

    // Culling off: the back face is drawn without FACE_FRONT.
    RenderFlags = kBaseFlags & ~RF_BACKFACE_CULL;
    Process(m, f, {0, 0, 20}, 0);
    EXPECT_EQ(f.clipCode, 0);
    EXPECT_FALSE(f.flags & FACE_FRONT);
}

TEST_F(FacePass, FlipFacingCullsTheFacesTurnedTowardsTheCamera) {
    ScopedRenderFlags flags(kBaseFlags | RF_FLIP_FACING);
    Mesh m;
    BuildQuad(m, 10);
    m.Link();
    Process(m, m.faces[0], kOrigin);
    EXPECT_EQ(m.faces[0].clipCode, CLIP_REJECT);
    Process(m, m.faces[0], {0, 0, 20});
    EXPECT_NE(m.faces[0].clipCode, CLIP_REJECT);
    EXPECT_TRUE(m.faces[0].flags & FACE_FRONT);
}

TEST_F(FacePass, TwoSidedFaceSeenFromBehindUsesTheBackColour) {
    ScopedRenderFlags flags(kBaseFlags | RF_TWO_SIDED_FACES);
    Mesh m;
    BuildQuad(m, 10, FACE_TWO_SIDED | FACE_SMOOTH);
    m.Link();
    Face& f = m.faces[0];
    light_ = DirectionalLight({0, 0, -1}, 1.0f);  // shines at the back side
    Process(m, f, {0, 0, 20});
    ASSERT_EQ(f.clipCode, 0);
    EXPECT_FALSE(f.flags & FACE_FRONT);
    EXPECT_TRUE(f.flags & FACE_GOURAUD);
    const VertexNormal& vn = m.normals[f.corners[0].normal];
    EXPECT_EQ(vn.litFlags, 2);
    EXPECT_FLOAT_EQ(vn.backColor.r, 255.0f);

    // Without the two-sided switch it is culled.
    RenderFlags = kBaseFlags;
    Process(m, f, {0, 0, 20});
    EXPECT_EQ(f.clipCode, CLIP_REJECT);
}

TEST_F(FacePass, DegenerateFaceTouchesNothing) {
    ScopedRenderFlags flags(kBaseFlags);
    Mesh m;
    BuildQuad(m, 10, FACE_DEGENERATE | FACE_SMOOTH);
    m.Link();
    Process(m, m.faces[0], kOrigin);
    EXPECT_EQ(m.faces[0].clipCode, CLIP_REJECT);
    for (const Vertex& v : m.vertices) EXPECT_EQ(v.cacheFlags, 0);
    for (const VertexNormal& n : m.normals) EXPECT_EQ(n.litFlags, 0);
}

TEST_F(FacePass, SharedVertexIsTransformedOnce) {
    ScopedRenderFlags flags(kBaseFlags);
    Mesh m;
    BuildQuad(m, 10);
    m.Link();
    Process(m, m.faces[0], kOrigin, 0);
    Vertex& shared = m.vertices[0];
    EXPECT_EQ(shared.cacheFlags, VERTEX_ALL_DONE);
    const float sx = shared.screenX;
    // Moving it now would change its projection, but the second face must
    // find it done and leave it alone; its own vertex d gets projected.
    shared.position = {5, 5, 10};
    Process(m, m.faces[1], kOrigin, 0);
    EXPECT_EQ(shared.screenX, sx);
    EXPECT_EQ(m.vertices[3].cacheFlags, VERTEX_ALL_DONE);
    int transformed = 0;
    for (const Vertex& v : m.vertices) transformed += v.cacheFlags == VERTEX_ALL_DONE;
    EXPECT_EQ(transformed, 4);
}

TEST_F(FacePass, ScreenMappingOfCentreAndPlanes) {
    ScopedRenderFlags flags(kBaseFlags);
    Mesh m;
    const float z = 4.0f * VIEW_SCALE_X;  // so that view x = 4 lies on the right plane
    const int c = m.AddVertex({0, 0, z});
    const int r = m.AddVertex({4, 0, z});
    const int t = m.AddVertex({0, z / VIEW_SCALE_Y, z});
    m.AddFace(c, t, r);
    m.Link();
    Process(m, m.faces[0], kOrigin, 0);
    EXPECT_EQ(m.vertices[c].screenX, 320.0f);
    EXPECT_EQ(m.vertices[c].screenY, 240.0f);
    EXPECT_EQ(m.vertices[r].screenX, 576.0f);
    EXPECT_EQ(m.vertices[t].screenY, 432.0f);
    EXPECT_FLOAT_EQ(m.vertices[c].invZ, 1.0f / z);
}

TEST(ScreenSnap, RoundsToSixteenthsOfAPixel) {
    EXPECT_EQ(SnapScreenX(0.0f), 320.0f);
    EXPECT_EQ(SnapScreenX(-1.0f), 64.0f);
    EXPECT_EQ(SnapScreenY(-1.0f), 48.0f);
    // 256 * 0.001 = 0.256 -> 0.25 (4/16); 192 * 0.001 = 0.192 -> 0.1875.
    EXPECT_EQ(SnapScreenX(0.001f), 320.25f);
    EXPECT_EQ(SnapScreenY(0.001f), 240.1875f);
    // Half a sixteenth rounds to even: 1/32 pixel -> 0, 3/32 -> 2/16.
    EXPECT_EQ(SnapScreenX(1.0f / 8192.0f), 320.0f);
    EXPECT_EQ(SnapScreenX(3.0f / 8192.0f), 320.125f);
}

TEST_F(FacePass, NearAndFarPlanes) {
    ScopedRenderFlags flags(kBaseFlags & ~RF_BACKFACE_CULL);
    Mesh m;
    const int a = m.AddVertex({0, 0, 0.5f});
    const int b = m.AddVertex({0.1f, 0, 0.6f});
    const int c = m.AddVertex({0, 0.1f, 0.7f});
    const int d = m.AddVertex({0, 0.1f, 5.0f});
    const int e = m.AddVertex({0.1f, 0.1f, 70000.0f});
    const int g = m.AddVertex({0.1f, 0.0f, 6.0f});
    m.AddFace(a, b, c);  // all nearer than 1
    m.AddFace(a, b, d);  // two nearer
    m.AddFace(d, g, e);  // one beyond far
    m.AddFace(a, d, g);  // one nearer
    m.Link();
    const int mask = CLIP_NEAR | CLIP_FAR;
    Process(m, m.faces[0], kOrigin, mask);
    EXPECT_EQ(m.faces[0].clipCode, CLIP_REJECT);
    Process(m, m.faces[1], kOrigin, mask);
    EXPECT_EQ(m.faces[1].clipCode, CLIP_NEAR);
    Process(m, m.faces[2], kOrigin, mask);
    EXPECT_EQ(m.faces[2].clipCode, 0);
    Process(m, m.faces[3], kOrigin, mask);
    EXPECT_EQ(m.faces[3].clipCode, CLIP_NEAR);
}

TEST_F(FacePass, RejectedOnlyWhenAllCornersLieBeyondOnePlane) {
    ScopedRenderFlags flags(kBaseFlags & ~RF_BACKFACE_CULL);
    Mesh m;
    const float z = 10.0f;
    const int left = m.AddVertex({-10, 0, z});    // clip.x = -17.3 < -10
    const int up1 = m.AddVertex({0, 10, z});      // clip.y = 23 > 10
    const int up2 = m.AddVertex({1, 10, z});
    const int left2 = m.AddVertex({-10, 1, z});
    const int left3 = m.AddVertex({-10, 2, z + 1});
    m.AddFace(left, up1, up2);
    m.AddFace(left, left2, left3);
    m.Link();
    const int mask = CLIP_LEFT | CLIP_TOP;
    Process(m, m.faces[0], kOrigin, mask);
    EXPECT_EQ(m.faces[0].clipCode, CLIP_LEFT | CLIP_TOP);
    Process(m, m.faces[1], kOrigin, mask);
    EXPECT_EQ(m.faces[1].clipCode, CLIP_REJECT);
    // The rejected face left its vertices partly computed: z and x only.
    EXPECT_EQ(m.vertices[left3].cacheFlags, VERTEX_Z_DONE | VERTEX_X_DONE);
}

TEST_F(FacePass, FlatColourIsPackedRedOnTop) {
    ScopedRenderFlags flags(kBaseFlags);
    Mesh m;
    BuildQuad(m, 10);
    m.material.diffuse = {255.0f, 128.0f, 0.0f, 200.0f};
    m.Link();
    Process(m, m.faces[0], kOrigin, 0);
    EXPECT_EQ(m.faces[0].flatColor, 0xFF800000u);
    EXPECT_FLOAT_EQ(m.faces[0].flatAlpha, 200.0f);
    EXPECT_FALSE(m.faces[0].flags & FACE_GOURAUD);
}

TEST(FlatColour, RoundsToNearestWithTiesToEven) {
    EXPECT_EQ(PackFlatColor({127.5f, 128.5f, 0.5f, 0}), 0x80800000u);
    EXPECT_EQ(PackFlatColor({1.5f, 2.49f, 254.6f, 0}), 0x0202FF00u);
    // Negative components (negative intensities) stay in their own byte.
    EXPECT_EQ(PackFlatColor({-3.0f, 255.0f, -0.2f, 0}), 0x00FF0000u);
}

TEST_F(FacePass, TexturingNeedsTextureVertices) {
    ScopedRenderFlags flags(kBaseFlags);
    Mesh textured;
    BuildQuad(textured, 10, FACE_TEXTURED);
    textured.Link(true);
    Process(textured, textured.faces[0], kOrigin, 0);
    EXPECT_TRUE(textured.faces[0].flags & FACE_DRAW_TEXTURED);
    EXPECT_TRUE(textured.faces[0].flags & FACE_USE_TEXTURE_COLOR);

    RenderFlags = kBaseFlags | RF_IGNORE_TEXTURE_AMOUNT;
    Process(textured, textured.faces[0], kOrigin, 0);
    EXPECT_TRUE(textured.faces[0].flags & FACE_DRAW_TEXTURED);
    EXPECT_FALSE(textured.faces[0].flags & FACE_USE_TEXTURE_COLOR);

    Mesh bare;
    BuildQuad(bare, 10, FACE_TEXTURED);
    bare.Link(false);
    Process(bare, bare.faces[0], kOrigin, 0);
    EXPECT_NE(bare.faces[0].clipCode, CLIP_REJECT);
    EXPECT_FALSE(bare.faces[0].flags & (FACE_DRAW_TEXTURED | FACE_USE_TEXTURE_COLOR));
}

TEST_F(FacePass, FlatShadingSwitchLightsSmoothFacesOnce) {
    ScopedRenderFlags flags(kBaseFlags | RF_FLAT_SHADING);
    Mesh m;
    BuildQuad(m, 10, FACE_SMOOTH);
    m.Link();
    Process(m, m.faces[0], kOrigin, 0);
    EXPECT_FALSE(m.faces[0].flags & FACE_GOURAUD);
    EXPECT_EQ(m.faces[0].flatColor, 0xFFFFFF00u);
    for (const VertexNormal& n : m.normals) EXPECT_EQ(n.litFlags, 0);
}

}  // namespace
