// Texture sampling: the 0..256 coordinate scale, aspect ratios, wrap and
// clamp, mip level choice, trilinear from odd and even level sets, and the
// texture state calls.
#include <cmath>

#include "device.h"
#include "pixel/dither.h"
#include "gu3df_io.h"
#include "raster_test_support.h"

namespace raster_test {
namespace {

using glide::ArgbImage;

std::uint32_t Argb(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b);
}

// Texel (i, j) gets a colour that the frame buffer holds exactly and that
// names its position: red = i mod 32, green = j mod 64, blue = i / 32.
ArgbImage PositionImage(int width, int height) {
    ArgbImage image;
    image.width = width, image.height = height;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            image.pixels.push_back(Argb(glide::Expand5(i % 32), glide::Expand6(j % 64), glide::Expand5(i / 32)));
        }
    }
    return image;
}

std::uint16_t PositionPixel(int i, int j) {
    return static_cast<std::uint16_t>((i % 32) << 11 | (j % 64) << 5 | (i / 32));
}

ArgbImage Solid(int edgeW, int edgeH, std::uint32_t colour) {
    ArgbImage image;
    image.width = edgeW, image.height = edgeH;
    image.pixels.assign(static_cast<std::size_t>(edgeW) * edgeH, colour);
    return image;
}

// A chain of solid levels, level k (from the largest) coloured colours[k].
std::vector<ArgbImage> SolidChain(int edge, const std::vector<std::uint32_t>& colours) {
    std::vector<ArgbImage> chain;
    for (int k = 0; edge >= 1; ++k, edge /= 2) chain.push_back(Solid(edge, edge, colours[k % colours.size()]));
    return chain;
}

class Texturing : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
        guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
    }
    // A screen rectangle with s, t given at its corners (1/w = 1).
    static void Rect(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
        const GrVertex a = VT(x0, y0, s0, t0), b = VT(x1, y0, s1, t0), c = VT(x1, y1, s1, t1), d = VT(x0, y1, s0, t1);
        grDrawTriangle(&a, &b, &c);
        grDrawTriangle(&a, &c, &d);
    }
};

// A ground plane seen in perspective: camera at the origin looking along +z,
// the plane at height -1 from z = 1 to z = zFar, the texture repeating every
// 10 units. Drawn as a grid of triangles with the given draw call.
template <typename Draw>
void DrawGroundPlane(float zFar, Draw draw) {
    constexpr int kCols = 16, kRows = 32;
    auto vertex = [zFar](int i, int j) {
        const float x = -50.0f + 100.0f * static_cast<float>(i) / kCols;
        const float z = 1.0f * std::pow(zFar, static_cast<float>(j) / kRows);
        GrVertex v = V(320.0f + 320.0f * x / z, 240.0f - 320.0f / z, 255, 255, 255, 255, 1.0f / z);
        v.tmuvtx[0].sow = (x + 50.0f) * 25.6f / z;
        v.tmuvtx[0].tow = z * 25.6f / z;
        return v;
    };
    for (int j = 0; j < kRows; ++j) {
        for (int i = 0; i < kCols; ++i) {
            const GrVertex a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
            draw(a, b, c);
            draw(a, c, d);
        }
    }
}

TEST_F(Texturing, EveryMapSpansZeroTo256WhateverItsSize) {
    for (int edge : {256, 64}) {
        const GrMipMapId_t map = glide::AllocateArgbMipMap({PositionImage(edge, edge)}, GR_MIPMAPLEVELMASK_BOTH,
                                                           GR_MIPMAP_DISABLE, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                           GR_TEXTUREFILTER_POINT_SAMPLED,
                                                           GR_TEXTUREFILTER_POINT_SAMPLED);
        ASSERT_NE(map, GR_NULL_MIPMAP_HANDLE);
        guTexSource(map);
        grBufferClear(0, 0, 0);
        Rect(0, 0, 256, 256, 0, 0, 256, 256);
        const int step = 256 / edge;  // pixels per texel
        for (int y : {0, 1, 100, 255}) {
            for (int x : {0, 3, 4, 130, 255}) {
                EXPECT_EQ(Pixel(x, y), PositionPixel(x / step, y / step)) << edge << ": " << x << "," << y;
            }
        }
    }
}

TEST_F(Texturing, TheShorterSideSpans256DividedByTheAspect) {
    // 4:1 map: s 0..256 across 256 texels, t 0..64 across 64.
    GrMipMapId_t wide = glide::AllocateArgbMipMap({PositionImage(256, 64)}, GR_MIPMAPLEVELMASK_BOTH,
                                                  GR_MIPMAP_DISABLE, GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_CLAMP,
                                                  GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    ASSERT_NE(wide, GR_NULL_MIPMAP_HANDLE);
    guTexSource(wide);
    Rect(0, 0, 256, 64, 0, 0, 256, 64);
    EXPECT_EQ(Pixel(200, 50), PositionPixel(200, 50));
    EXPECT_EQ(Pixel(255, 63), PositionPixel(255, 63));
    // 1:4 map: s 0..64 across 16 texels, t 0..256 across 64.
    GrMipMapId_t tall = glide::AllocateArgbMipMap({PositionImage(16, 64)}, GR_MIPMAPLEVELMASK_BOTH,
                                                  GR_MIPMAP_DISABLE, GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_CLAMP,
                                                  GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    ASSERT_NE(tall, GR_NULL_MIPMAP_HANDLE);
    guTexSource(tall);
    grBufferClear(0, 0, 0);
    Rect(0, 0, 64, 256, 0, 0, 64, 256);
    EXPECT_EQ(Pixel(63, 255), PositionPixel(15, 63));
    EXPECT_EQ(Pixel(20, 100), PositionPixel(5, 25));
}

TEST_F(Texturing, WrapRepeatsAndClampHoldsTheEdgeTexel) {
    for (GrTextureClampMode_t clamp : {GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_CLAMP}) {
        const GrMipMapId_t map = glide::AllocateArgbMipMap({PositionImage(16, 16)}, GR_MIPMAPLEVELMASK_BOTH,
                                                           GR_MIPMAP_DISABLE, clamp, clamp,
                                                           GR_TEXTUREFILTER_POINT_SAMPLED,
                                                           GR_TEXTUREFILTER_POINT_SAMPLED);
        guTexSource(map);
        grBufferClear(0, 0, 0);
        // s from -256 to 512 across 192 pixels: 4 units of s per pixel.
        Rect(0, 0, 192, 8, -256, 0, 512, 32);
        const bool wrap = clamp == GR_TEXTURECLAMP_WRAP;
        // Row 2: t = 10, texel row 0. Pixel 20: s = -174 -> texel 5 when wrapping (s = 82), texel 0 clamped.
        EXPECT_EQ(Pixel(20, 2), PositionPixel(wrap ? 5 : 0, 0)) << clamp;
        // Pixel 150: s = 346 -> texel 5 (s = 90) wrapped, 15 clamped.
        EXPECT_EQ(Pixel(150, 2), PositionPixel(wrap ? 5 : 15, 0)) << clamp;
        EXPECT_EQ(Pixel(100, 2), PositionPixel(9, 0)) << clamp;  // s = 146 inside
    }
}

TEST_F(Texturing, BilinearBlendsNeighbouringTexels) {
    ArgbImage two = Solid(2, 2, Argb(0, 0, 0));
    two.pixels[1] = two.pixels[3] = Argb(255, 255, 255);  // right column white
    const GrMipMapId_t map = glide::AllocateArgbMipMap({two}, GR_MIPMAPLEVELMASK_BOTH, GR_MIPMAP_DISABLE,
                                                       GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_CLAMP);
    guTexSource(map);
    Rect(0, 0, 256, 16, 0, 0, 256, 256);
    EXPECT_EQ(Red(Pixel(10, 8)), 0);     // before the first texel centre
    EXPECT_NEAR(Red(Pixel(128, 8)), 128, 6);
    EXPECT_EQ(Red(Pixel(250, 8)), 255);
}

TEST_F(Texturing, MipLevelGrowsWithDistanceOnARecedingPlane) {
    const std::vector<std::uint32_t> colours = {Argb(255, 0, 0),   Argb(0, 255, 0),   Argb(0, 0, 255),
                                                Argb(255, 255, 0), Argb(0, 255, 255), Argb(255, 0, 255),
                                                Argb(255, 255, 255), Argb(132, 130, 132), Argb(66, 65, 66)};
    const GrMipMapId_t map = glide::AllocateArgbMipMap(SolidChain(256, colours), GR_MIPMAPLEVELMASK_BOTH,
                                                       GR_MIPMAP_NEAREST, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                       GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    guTexSource(map);
    DrawGroundPlane(400.0f, [](const GrVertex& a, const GrVertex& b, const GrVertex& c) { grDrawTriangle(&a, &b, &c); });
    auto levelOf = [&](std::uint16_t p) {
        for (std::size_t k = 0; k < colours.size(); ++k) {
            const std::uint32_t c = colours[k];
            if (Red(p) == static_cast<int>((c >> 16) & 255) && Green(p) == static_cast<int>((c >> 8) & 255) &&
                Blue(p) == static_cast<int>(c & 255)) {
                return static_cast<int>(k);
            }
        }
        return -1;
    };
    int previous = 0, deepest = 0;
    for (int y = 0; y < 239; ++y) {
        const int level = levelOf(Pixel(320, y));
        ASSERT_GE(level, previous) << "row " << y;
        previous = level;
        deepest = level;
    }
    EXPECT_EQ(levelOf(Pixel(320, 0)), 0);
    EXPECT_GE(deepest, 4);
    // Mip-mapping off: the largest level everywhere.
    grTexMipMapMode(GR_TMU0, GR_MIPMAP_DISABLE, FXFALSE);
    DrawGroundPlane(400.0f, [](const GrVertex& a, const GrVertex& b, const GrVertex& c) { grDrawTriangle(&a, &b, &c); });
    for (int y = 0; y < 239; y += 7) EXPECT_EQ(levelOf(Pixel(320, y)), 0) << y;
}

TEST_F(Texturing, MipmapDitherNeedsTheHint) {
    const std::vector<std::uint32_t> colours = {Argb(255, 0, 0), Argb(0, 0, 255)};
    const GrMipMapId_t map = glide::AllocateArgbMipMap(SolidChain(256, colours), GR_MIPMAPLEVELMASK_BOTH,
                                                       GR_MIPMAP_NEAREST);
    auto draw = [&](GrMipMapMode_t mode) {
        guTexSource(map);
        grTexMipMapMode(GR_TMU0, mode, FXFALSE);
        grBufferClear(0, 0, 0);
        DrawGroundPlane(400.0f, [](const GrVertex& a, const GrVertex& b, const GrVertex& c) { grDrawTriangle(&a, &b, &c); });
        return Read();
    };
    const std::vector<std::uint16_t> nearest = draw(GR_MIPMAP_NEAREST);
    EXPECT_EQ(draw(GR_MIPMAP_NEAREST_DITHER), nearest);
    grHints(GR_HINT_ALLOW_MIPMAP_DITHER, 3);
    EXPECT_NE(draw(GR_MIPMAP_NEAREST_DITHER), nearest);
    grHints(GR_HINT_ALLOW_MIPMAP_DITHER, 0);
    EXPECT_EQ(draw(GR_MIPMAP_NEAREST_DITHER), nearest);
}

TEST_F(Texturing, TrilinearLiesBetweenTheTwoNearestLevels) {
    // Even levels red, odd levels blue: every pixel is a mix of the two,
    // weights summing to one, and some pixels mix visibly.
    const std::vector<std::uint32_t> redBlue = {Argb(255, 0, 0), Argb(0, 0, 255)};
    const std::vector<ArgbImage> chain = SolidChain(256, redBlue);
    const GrMipMapId_t odd = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_ODD, GR_MIPMAP_NEAREST,
                                                       GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                       GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, true);
    const GrMipMapId_t even = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_EVEN, GR_MIPMAP_NEAREST,
                                                        GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                        GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, true);
    guMPInit();
    guMPTexSource(GR_TMU0, odd);
    guMPTexSource(GR_TMU1, even);
    guMPTexCombineFunction(GR_MPTEXTURECOMBINE_TRILINEAR0);
    auto mp = [](const GrVertex& a, const GrVertex& b, const GrVertex& c) { guMPDrawTriangle(&a, &b, &c); };
    DrawGroundPlane(400.0f, mp);
    int mixed = 0;
    for (int y = 0; y < 239; ++y) {
        const std::uint16_t p = Pixel(320, y);
        EXPECT_NEAR(Red(p) + Blue(p), 255, 12) << y;
        mixed += Red(p) > 40 && Blue(p) > 40;
    }
    EXPECT_GT(mixed, 20);
    EXPECT_EQ(Red(Pixel(320, 0)), 255);  // the nearest rows magnify the finest level

    // With one level set missing the other draws alone; with neither, untextured.
    grBufferClear(0, 0, 0);
    guMPTexSource(GR_TMU1, GR_NULL_MIPMAP_HANDLE);
    DrawGroundPlane(400.0f, mp);
    for (int y = 0; y < 239; y += 5) EXPECT_EQ(Red(Pixel(320, y)), 0) << y;
    grBufferClear(0, 0, 0);
    guMPTexSource(GR_TMU0, GR_NULL_MIPMAP_HANDLE);
    guColorCombineFunction(GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    DrawGroundPlane(400.0f, mp);
    EXPECT_EQ(Pixel(320, 100), 0xFFFF);
}

TEST_F(Texturing, TexSourceAppliesTheAllocationSettingsAndCallsOverrideThem) {
    const GrMipMapId_t map = glide::AllocateArgbMipMap({PositionImage(64, 64)});  // bilinear, nearest
    guTexSource(map);
    glide::TriangleSetup t;
    const GrVertex a = VT(0, 0, 0, 0), b = VT(100, 0, 256, 0), c = VT(0, 100, 0, 256);
    ASSERT_TRUE(glide::SetupTriangle(a, b, c, glide::MakeDrawContext(glide::TextureUse::kSingle), &t));
    EXPECT_EQ(t.sampler, glide::SamplerKind::kBilinear);
    EXPECT_EQ(t.tex[0].mipmapMode, GR_MIPMAP_NEAREST);
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    grTexMipMapMode(GR_TMU0, GR_MIPMAP_DISABLE, FXFALSE);
    ASSERT_TRUE(glide::SetupTriangle(a, b, c, glide::MakeDrawContext(glide::TextureUse::kSingle), &t));
    EXPECT_EQ(t.sampler, glide::SamplerKind::kPoint);
    EXPECT_EQ(t.tex[0].mipmapMode, GR_MIPMAP_DISABLE);
    guTexSource(map);
    ASSERT_TRUE(glide::SetupTriangle(a, b, c, glide::MakeDrawContext(glide::TextureUse::kSingle), &t));
    EXPECT_EQ(t.sampler, glide::SamplerKind::kBilinear);
    EXPECT_EQ(t.tex[0].mipmapMode, GR_MIPMAP_NEAREST);
    // Unknown values leave the state alone; unknown handles draw untextured.
    grTexFilterMode(GR_TMU0, 77, 2);
    guTexSource(0x7777);
    ASSERT_TRUE(glide::SetupTriangle(a, b, c, glide::MakeDrawContext(glide::TextureUse::kSingle), &t));
    EXPECT_EQ(t.sampler, glide::SamplerKind::kNone);
}

TEST_F(Texturing, FilterAndMipmapCallsAfterAMultipassSourceApplyToItUntilTheNextSource) {
    const GrMipMapId_t map = glide::AllocateArgbMipMap({PositionImage(64, 64)});
    const GrVertex a = VT(0, 0, 0, 0), b = VT(100, 0, 256, 0), c = VT(0, 100, 0, 256);
    glide::TriangleSetup t;
    auto multipass = [&] {
        EXPECT_TRUE(glide::SetupTriangle(a, b, c, glide::MakeDrawContext(glide::TextureUse::kMultipass), &t));
        return t.tex;
    };
    guMPTexSource(GR_TMU0, map);
    guMPTexSource(GR_TMU1, map);
    EXPECT_TRUE(multipass()[1].minBilinear);
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    grTexMipMapMode(GR_TMU0, GR_MIPMAP_NEAREST_DITHER, FXFALSE);
    for (const glide::SamplerSetup& sp : {multipass()[0], multipass()[1]}) {
        EXPECT_FALSE(sp.minBilinear || sp.magBilinear);
        EXPECT_EQ(sp.mipmapMode, GR_MIPMAP_NEAREST_DITHER);
    }
    // After guTexSource the calls reach the single-pass source only.
    guTexSource(map);
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR);
    EXPECT_FALSE(multipass()[0].minBilinear);
    // A new multi-pass source starts from its allocation's settings.
    guMPTexSource(GR_TMU0, map);
    EXPECT_TRUE(multipass()[0].minBilinear);
    EXPECT_FALSE(multipass()[1].minBilinear);
}

}  // namespace
}  // namespace raster_test
