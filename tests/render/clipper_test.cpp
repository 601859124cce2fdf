// The pool clipper: plane order, inside tests, interpolation and fans.
#include <gtest/gtest.h>

#include "render/clip_codes.h"
#include "render/clipper.h"
#include "render/face_processor.h"
#include "render_fixtures.h"

namespace {

// Three corners with hand-set per-frame values (as projection leaves them).
struct Triangle {
    Vertex v[3];
    VertexNormal n[3];
    TVertex t[3];
    DrawCorner c[3];

    Triangle() {
        for (int i = 0; i < 3; ++i) c[i] = DrawCorner{&v[i], &t[i], &n[i]};
    }
    // View-space-like clip coordinates, projected as the face pass does.
    void Set(int i, float x, float y, float z) {
        v[i].clip = {x, y, z};
        v[i].invZ = 1.0f / z;
        v[i].ndcX = x * v[i].invZ;
        v[i].ndcY = y * v[i].invZ;
        v[i].screenX = SnapScreenX(v[i].ndcX);
        v[i].screenY = SnapScreenY(v[i].ndcY);
    }
};

bool FromPool(const DrawCorner* c) {
    return c >= PolygonClipper.poolCorners && c < PolygonClipper.poolCorners + CLIP_POOL_SIZE;
}

TEST(Clipper, PoolIsBuiltBeforeMain) {
    for (int i = 0; i < CLIP_POOL_SIZE; ++i) {
        const DrawCorner& c = PolygonClipper.poolCorners[i];
        EXPECT_EQ(c.vertex, &PolygonClipper.poolVertices[i]);
        EXPECT_EQ(c.tvertex, &PolygonClipper.poolTexCoords[i]);
        EXPECT_EQ(c.normal, &PolygonClipper.poolNormals[i]);
    }
}

TEST(Clipper, ZeroCodeReturnsTheInputInOrder) {
    Triangle t;
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, 0, 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(list, PolygonClipper.listA);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list[i], &t.c[i]);
}

TEST(Clipper, NearPlaneAddsTwoCornersOnZOne) {
    Triangle t;
    t.Set(0, 0.0f, 0.0f, 0.5f);
    t.Set(1, 2.0f, 0.0f, 3.0f);
    t.Set(2, 0.0f, 2.0f, 3.0f);
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, CLIP_NEAR, 0);
    ASSERT_EQ(count, 4);
    int fresh = 0;
    for (int i = 0; i < count; ++i) {
        if (!FromPool(list[i])) continue;
        ++fresh;
        const Vertex& v = *list[i]->vertex;
        EXPECT_EQ(v.clip.z, 1.0f);
        EXPECT_EQ(v.invZ, 1.0f);
        EXPECT_EQ(v.ndcX, v.clip.x);
        EXPECT_EQ(v.ndcY, v.clip.y);
    }
    EXPECT_EQ(fresh, 2);
    // Edge 0 -> 1 at t = 0.2: x = 0.4, on screen 320 + 256 * 0.4.
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (FromPool(list[i]) && list[i]->vertex->ndcY == 0.0f) {
            EXPECT_NEAR(list[i]->vertex->clip.x, 0.4f, 1e-6f);
            EXPECT_EQ(list[i]->vertex->screenX, SnapScreenX(list[i]->vertex->ndcX));
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST(Clipper, CornerExactlyOnThePlaneIsOutside) {
    Triangle t;
    t.Set(0, 0.5f, 0.0f, 1.0f);
    t.Set(1, 1.0f, 0.5f, 1.0f);  // ndcX exactly 1
    t.Set(2, 0.0f, 0.5f, 1.0f);
    t.t[0] = {0, 0};
    t.t[1] = {100, 50};
    t.t[2] = {0, 0};
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, CLIP_RIGHT, FACE_DRAW_TEXTURED);
    ASSERT_EQ(count, 4);  // two new corners that coincide with the dropped one
    for (int i = 0; i < count; ++i) EXPECT_NE(list[i], &t.c[1]);
    // Both edges touching corner 1 meet the plane at t = 1: the new corners
    // carry corner 1's values.
    int fresh = 0;
    for (int i = 0; i < count; ++i) {
        if (!FromPool(list[i])) continue;
        ++fresh;
        EXPECT_EQ(list[i]->vertex->ndcX, 1.0f);
        EXPECT_EQ(list[i]->vertex->ndcY, 0.5f);
        EXPECT_EQ(list[i]->tvertex->u, 100.0f);
        EXPECT_EQ(list[i]->tvertex->v, 50.0f);
        EXPECT_EQ(list[i]->vertex->screenX, 576.0f);
    }
    EXPECT_EQ(fresh, 2);
}

TEST(Clipper, GouraudBackFaceInterpolatesOnlyTheBackColour) {
    Triangle t;
    t.Set(0, -0.5f, 0.0f, 1.0f);
    t.Set(1, 1.5f, 0.0f, 1.0f);
    t.Set(2, -0.5f, 0.5f, 1.0f);
    t.n[0].backColor = {0, 100, 200, 255};
    t.n[1].backColor = {200, 100, 0, 55};
    for (DrawCorner& c : PolygonClipper.poolCorners) c.normal->frontColor = {-1, -1, -1, -1};
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, CLIP_RIGHT, FACE_GOURAUD);
    ASSERT_EQ(count, 4);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (!FromPool(list[i]) || list[i]->vertex->ndcY != 0.0f) continue;
        found = true;  // edge 0 -> 1 at t = 0.75
        const ColorRGBA& b = list[i]->normal->backColor;
        EXPECT_FLOAT_EQ(b.r, 150.0f);
        EXPECT_FLOAT_EQ(b.g, 100.0f);
        EXPECT_FLOAT_EQ(b.b, 50.0f);
        EXPECT_FLOAT_EQ(b.a, 105.0f);
        EXPECT_EQ(list[i]->normal->frontColor.r, -1.0f);
    }
    EXPECT_TRUE(found);
}

TEST(Clipper, FrontFaceInterpolatesFrontColourAndFlatFaceNothing) {
    Triangle t;
    t.Set(0, 0.0f, -2.0f, 1.0f);  // below
    t.Set(1, 0.0f, 0.0f, 1.0f);
    t.Set(2, 0.5f, 0.0f, 1.0f);
    t.n[0].frontColor = {0, 0, 0, 0};
    t.n[1].frontColor = {100, 100, 100, 100};
    t.t[0] = {0, 0};
    t.t[1] = {10, 20};
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, CLIP_BOTTOM, FACE_GOURAUD | FACE_FRONT);
    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i) {
        if (FromPool(list[i]) && list[i]->vertex->ndcX == 0.0f) {
            // t = 0.5 from corner 1 (inside) towards corner 0.
            EXPECT_FLOAT_EQ(list[i]->normal->frontColor.r, 50.0f);
            EXPECT_EQ(list[i]->vertex->ndcY, -1.0f);
            EXPECT_EQ(list[i]->vertex->screenY, 48.0f);
        }
    }
    // Flat and untextured: the pool's texture pairs are left alone.
    for (TVertex& tv : PolygonClipper.poolTexCoords) tv = {-7, -7};
    count = 3;
    list = ClipPolygon(t.c, count, CLIP_BOTTOM, 0);
    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i) {
        if (FromPool(list[i])) {
            EXPECT_EQ(list[i]->tvertex->u, -7.0f);
        }
    }
}

TEST(Clipper, PassKeepingEveryCornerRotatesByOne) {
    Triangle t;
    t.Set(0, 0.0f, 0.0f, 2.0f);
    t.Set(1, 0.5f, 0.0f, 2.0f);
    t.Set(2, 0.0f, 0.5f, 2.0f);
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, CLIP_NEAR, 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(list, PolygonClipper.listB);
    EXPECT_EQ(list[0], &t.c[1]);
    EXPECT_EQ(list[1], &t.c[2]);
    EXPECT_EQ(list[2], &t.c[0]);
}

TEST(Clipper, WhollyOutsideEndsEmptyAndStaysEmpty) {
    Triangle t;
    t.Set(0, 3.0f, 0.0f, 1.0f);
    t.Set(1, 4.0f, 0.0f, 1.0f);
    t.Set(2, 3.0f, 5.0f, 1.0f);
    int count = 3;
    ClipPolygon(t.c, count, CLIP_RIGHT | CLIP_TOP | CLIP_LEFT, 0);
    EXPECT_EQ(count, 0);
    DrawCorner* out[CLIP_POOL_SIZE];
    EXPECT_EQ(ClipAgainstPlane(PolygonClipper.listA, 0, out, CLIP_TOP), 0);
}

TEST(Clipper, TriangleAcrossAllFourSidesStaysWithinThePool) {
    // A huge triangle around the screen: every side plane cuts it.
    Triangle t;
    t.Set(0, -10.0f, -10.0f, 1.0f);
    t.Set(1, 10.0f, -10.0f, 1.0f);
    t.Set(2, 0.0f, 10.0f, 1.0f);
    int count = 3;
    DrawCorner** list = ClipPolygon(t.c, count, CLIP_RIGHT | CLIP_LEFT | CLIP_TOP | CLIP_BOTTOM, 0);
    ASSERT_GE(count, 4);
    ASSERT_LE(count, 8);
    for (int i = 0; i < count; ++i) {
        const Vertex& v = *list[i]->vertex;
        EXPECT_GE(v.screenX, 64.0f);
        EXPECT_LE(v.screenX, 576.0f);
        EXPECT_GE(v.screenY, 48.0f);
        EXPECT_LE(v.screenY, 432.0f);
    }
    EXPECT_LE(PolygonClipper.nextFree - PolygonClipper.poolCorners, 10);
}

TEST(ClipperDeathTest, ConsistencyChecksEndTheProgram) {
    Triangle t;
    t.Set(0, 0.0f, 0.0f, 2.0f);
    t.Set(1, 0.5f, 0.0f, 2.0f);
    EXPECT_EXIT(IntersectEdge(&PolygonClipper.poolCorners[0], &t.c[0], &t.c[1], 0x20),
                ::testing::ExitedWithCode(1), "");
    // Equal depths on the near plane: the division would fail.
    EXPECT_EXIT(IntersectEdge(&PolygonClipper.poolCorners[0], &t.c[0], &t.c[1], CLIP_NEAR),
                ::testing::ExitedWithCode(1), "");
    // Both corners inside the right plane: t lands beyond the edge.
    EXPECT_EXIT(IntersectEdge(&PolygonClipper.poolCorners[0], &t.c[0], &t.c[1], CLIP_RIGHT),
                ::testing::ExitedWithCode(1), "");
}

}  // namespace
