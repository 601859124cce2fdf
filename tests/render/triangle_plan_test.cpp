// DrawFaceTriangle's decisions, checked on the pure plan.
#include <gtest/gtest.h>

#include "app/render_flags.h"
#include "glide.h"
#include "render/triangle_drawer.h"
#include "scene/records.h"

namespace {

using Plan = TrianglePlan;

Material TexturedMaterial() {
    Material m;
    m.texture = 3;
    m.textureOdd = 4;
    m.textureEven = 5;
    return m;
}

TEST(TrianglePlan, CombineFunctionByTexturingAndShading) {
    const Material m = TexturedMaterial();
    EXPECT_EQ(PlanFaceTriangle(0, 0, m).colorCombine, GR_COLORCOMBINE_CCRGB);
    EXPECT_EQ(PlanFaceTriangle(FACE_GOURAUD, 0, m).colorCombine, GR_COLORCOMBINE_ITRGB);
    EXPECT_EQ(PlanFaceTriangle(FACE_DRAW_TEXTURED, 0, m).colorCombine, GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB);
    EXPECT_EQ(PlanFaceTriangle(FACE_DRAW_TEXTURED | FACE_GOURAUD, 0, m).colorCombine,
              GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    // Flat faces send their constant colour, Gouraud faces their corners'.
    EXPECT_TRUE(PlanFaceTriangle(0, 0, m).constantColor);
    EXPECT_FALSE(PlanFaceTriangle(FACE_GOURAUD, 0, m).constantColor);
    EXPECT_EQ(PlanFaceTriangle(0, 0, m).texturing, Plan::Texturing::None);
}

TEST(TrianglePlan, SidedColours) {
    const Material m;
    EXPECT_TRUE(PlanFaceTriangle(FACE_GOURAUD | FACE_FRONT, 0, m).frontColors);
    EXPECT_FALSE(PlanFaceTriangle(FACE_GOURAUD, 0, m).frontColors);
}

TEST(TrianglePlan, MipMapAndFilterModes) {
    const Material m = TexturedMaterial();
    const std::uint32_t f = FACE_DRAW_TEXTURED;
    Plan p = PlanFaceTriangle(f, RF_MIPMAP | RF_BILINEAR, m);
    EXPECT_EQ(p.texturing, Plan::Texturing::SinglePass);
    EXPECT_EQ(p.mipMapMode, -1);  // the texture's own NEAREST stays
    EXPECT_FALSE(p.pointSampled);
    p = PlanFaceTriangle(f, RF_BILINEAR, m);
    EXPECT_EQ(p.mipMapMode, GR_MIPMAP_DISABLE);
    p = PlanFaceTriangle(f, RF_MIPMAP | RF_MIPMAP_DITHER, m);
    EXPECT_EQ(p.mipMapMode, GR_MIPMAP_NEAREST_DITHER);
    EXPECT_TRUE(p.pointSampled);
    // Untextured faces touch no texture state.
    p = PlanFaceTriangle(0, 0, m);
    EXPECT_FALSE(p.pointSampled);
    EXPECT_EQ(p.mipMapMode, -1);
}

TEST(TrianglePlan, MultiPassBeatsAntialiasing) {
    const Material m = TexturedMaterial();
    Plan p = PlanFaceTriangle(FACE_DRAW_TEXTURED | FACE_EDGE_AB, RF_MULTIPASS | RF_ANTIALIAS, m);
    EXPECT_EQ(p.texturing, Plan::Texturing::MultiPass);
    EXPECT_EQ(p.call, Plan::DrawCall::MultiPass);
    EXPECT_EQ(p.mipMapMode, -1);
    // Untextured faces ignore the multi-pass switch and antialias.
    p = PlanFaceTriangle(FACE_EDGE_AB | FACE_EDGE_CA, RF_MULTIPASS | RF_ANTIALIAS, m);
    EXPECT_EQ(p.call, Plan::DrawCall::Antialiased);
    EXPECT_TRUE(p.edgeAB);
    EXPECT_FALSE(p.edgeBC);
    EXPECT_TRUE(p.edgeCA);
    p = PlanFaceTriangle(FACE_EDGE_BC, 0, m);
    EXPECT_EQ(p.call, Plan::DrawCall::Plain);
}

TEST(TrianglePlan, MultiPassWithMissingHalves) {
    Material m = TexturedMaterial();
    m.textureEven = -1;  // memory ran out after the odd levels
    EXPECT_EQ(PlanFaceTriangle(FACE_DRAW_TEXTURED, RF_MULTIPASS, m).texturing, Plan::Texturing::MultiPass);
    m.textureOdd = -1;  // only the full chain: draw single-pass with it
    const Plan p = PlanFaceTriangle(FACE_DRAW_TEXTURED, RF_MULTIPASS | RF_MIPMAP, m);
    EXPECT_EQ(p.texturing, Plan::Texturing::SinglePass);
    EXPECT_EQ(p.call, Plan::DrawCall::Plain);
}

}  // namespace
