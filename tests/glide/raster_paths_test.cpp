// The specialised span shaders against the generic reference path, pixel
// for pixel, and antialiased edges.
#include <random>

#include "device.h"
#include "dither.h"
#include "gu3df_io.h"
#include "raster_test_support.h"

namespace raster_test {
namespace {

struct StateCase {
    GrColorCombineFnc_t colour;
    int texture;  // 0 none, 1 point, 2 bilinear, 3 trilinear (multi-pass), 4 mixed filters
    bool depth, fog, blend;
};

class Paths : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        std::vector<glide::ArgbImage> chain;
        std::mt19937 rng(7);
        for (int edge = 64; edge >= 1; edge /= 2) {
            glide::ArgbImage level;
            level.width = level.height = edge;
            for (int i = 0; i < edge * edge; ++i) level.pixels.push_back(rng() | 0xFF000000u);
            chain.push_back(level);
        }
        full_ = glide::AllocateArgbMipMap(chain);
        odd_ = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_ODD, GR_MIPMAP_NEAREST, GR_TEXTURECLAMP_WRAP,
                                         GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR,
                                         0.0f, true);
        even_ = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_EVEN, GR_MIPMAP_NEAREST, GR_TEXTURECLAMP_WRAP,
                                          GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR,
                                          0.0f, true);
        GrFog_t table[GR_FOG_TABLE_SIZE];
        guFogGenerateExp2(table, 0.01f);
        grFogTable(table);
        grFogColorValue(0x40608000u);
        grConstantColorValue(0xC0A08080u);
    }

    void Apply(const StateCase& c) {
        guColorCombineFunction(c.colour);
        guTexSource(full_);
        if (c.texture == 1) grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
        if (c.texture == 4) grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_BILINEAR);
        guMPTexSource(GR_TMU0, odd_);
        guMPTexSource(GR_TMU1, even_);
        grDepthBufferMode(c.depth ? GR_DEPTHBUFFER_WBUFFER : GR_DEPTHBUFFER_DISABLE);
        grDepthBufferFunction(GR_CMP_LESS);
        grDepthMask(FXTRUE);
        grFogMode(c.fog ? GR_FOG_WITH_TABLE : GR_FOG_DISABLE);
        if (c.blend) {
            grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
        } else {
            grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, GR_BLEND_ZERO);
        }
    }

    // Draws the same random triangles through the chosen path; returns
    // colour and depth buffers and whether every triangle took a specialised
    // shader.
    std::vector<std::uint16_t> Render(const StateCase& c, bool generic, bool* specialised) {
        Apply(c);
        grBufferClear(0x20304000u, 0, 0xFFFF);
        std::mt19937 rng(1234);
        std::uniform_real_distribution<float> pos(-40.0f, 680.0f), col(0.0f, 255.0f), w(1.0f, 3000.0f),
            st(-300.0f, 600.0f);
        *specialised = true;
        for (int i = 0; i < 60; ++i) {
            GrVertex v[3];
            for (GrVertex& x : v) {
                x = V(pos(rng), pos(rng) * 0.7f, col(rng), col(rng), col(rng), col(rng), 1.0f / w(rng));
                x.tmuvtx[0].sow = st(rng) * x.oow;
                x.tmuvtx[0].tow = st(rng) * x.oow;
            }
            glide::DrawContext ctx =
                glide::MakeDrawContext(c.texture == 3 ? glide::TextureUse::kMultipass : glide::TextureUse::kSingle);
            ctx.forceGeneric = generic;
            glide::TriangleSetup t;
            if (glide::SetupTriangle(v[0], v[1], v[2], ctx, &t) && t.shader == glide::GenericSpanShader()) {
                *specialised = false;
            }
            glide::DrawSetupTriangle(v[0], v[1], v[2], ctx);
        }
        std::vector<std::uint16_t> out = Read();
        const std::uint16_t* depth = glide::Buffers().depth;
        out.insert(out.end(), depth, depth + kW * kH);
        return out;
    }

    GrMipMapId_t full_ = GR_NULL_MIPMAP_HANDLE, odd_ = GR_NULL_MIPMAP_HANDLE, even_ = GR_NULL_MIPMAP_HANDLE;
};

TEST_F(Paths, SpecialisedShadersEqualTheGenericPathPixelForPixel) {
    std::vector<StateCase> cases;
    const GrColorCombineFnc_t untextured[] = {GR_COLORCOMBINE_CCRGB, GR_COLORCOMBINE_ITRGB};
    const GrColorCombineFnc_t textured[] = {GR_COLORCOMBINE_DECAL_TEXTURE, GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB,
                                            GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB};
    for (int bits = 0; bits < 8; ++bits) {
        const bool depth = bits & 4, fog = bits & 2, blend = bits & 1;
        for (GrColorCombineFnc_t c : untextured) cases.push_back({c, 0, depth, fog, blend});
        for (GrColorCombineFnc_t c : textured) {
            for (int texture = 1; texture <= 3; ++texture) cases.push_back({c, texture, depth, fog, blend});
        }
    }
    for (const StateCase& c : cases) {
        bool specialised = false, unused = false;
        const std::vector<std::uint16_t> fast = Render(c, false, &specialised);
        const std::vector<std::uint16_t> reference = Render(c, true, &unused);
        EXPECT_TRUE(specialised) << c.colour << " " << c.texture;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < fast.size(); ++i) differing += fast[i] != reference[i];
        EXPECT_EQ(differing, 0u) << "colour " << c.colour << " texture " << c.texture << " depth " << c.depth
                                 << " fog " << c.fog << " blend " << c.blend;
    }
}

TEST_F(Paths, AntialiasedStripsOnlyOutsideFlaggedEdges) {
    SystemDepthAndBlend();
    const GrVertex a = V(100, 100, 255, 255, 255, 255, 0.5f), b = V(300, 100, 255, 255, 255, 255, 0.5f),
                   c = V(200, 300, 255, 255, 255, 255, 0.5f);
    grAADrawTriangle(&a, &b, &c, FXTRUE, FXFALSE, FXFALSE);
    const std::vector<std::uint16_t> pixels = Read();
    // Edge ab is the bottom edge at y = 100: the row below it fades.
    int faded = 0;
    for (int x = 110; x < 290; ++x) {
        const int r = Red(pixels[99 * kW + x]);
        EXPECT_GT(r, 60) << x;
        EXPECT_LT(r, 200) << x;
        faded += r > 0;
        EXPECT_EQ(pixels[98 * kW + x], 0) << x;
        // Strips never write depth.
        EXPECT_EQ(glide::Buffers().depth[99 * kW + x], 0xFFFF) << x;
    }
    EXPECT_EQ(faded, 180);
    // No strip beside the other two edges: outside them nothing changed.
    for (int y = 110; y < 290; ++y) {
        for (int x = 0; x < kW; ++x) {
            const double left = 100 + (y - 100) * 0.5, right = 300 - (y - 100) * 0.5;
            if (x + 0.5 < left - 0.01 || x + 0.5 > right + 0.01) {
                ASSERT_EQ(pixels[y * kW + x], 0) << x << "," << y;
            }
        }
    }
    // Winding does not change which side is outside.
    grBufferClear(0, 0, 0xFFFF);
    grAADrawTriangle(&a, &c, &b, FXFALSE, FXFALSE, FXTRUE);  // ba is the last edge now
    EXPECT_GT(Red(Pixel(200, 99)), 60);
    EXPECT_EQ(Pixel(200, 98), 0);
}

}  // namespace
}  // namespace raster_test
