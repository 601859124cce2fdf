// The per-pixel stages: depth formats and functions, blending, fog and
// dithering.
#include <cmath>

#include "pixel/depth_format.h"
#include "device.h"
#include "pixel/fog.h"
#include "raster_test_support.h"

namespace raster_test {
namespace {

class PixelStages : public DeviceTest {
protected:
    // A square from (x, y) to (x + 16, y + 16) at depth 1/w = oow.
    static void Square(float x, float y, float oow, float r, float g, float b, float a = 255) {
        const GrVertex p0 = V(x, y, r, g, b, a, oow), p1 = V(x + 16, y, r, g, b, a, oow),
                       p2 = V(x + 16, y + 16, r, g, b, a, oow), p3 = V(x, y + 16, r, g, b, a, oow);
        grDrawTriangle(&p0, &p1, &p2);
        grDrawTriangle(&p0, &p2, &p3);
    }
};

TEST(DepthFormat, WBufferIsExponentAndInvertedMantissaOfOneOverW) {
    EXPECT_EQ(glide::WDepthFromOow(1.0f), 0);
    EXPECT_EQ(glide::WDepthFromOow(2.0f), 0);      // w < 1
    EXPECT_EQ(glide::WDepthFromOow(0.5f), 0x0FFF);  // e = 0, mantissa 0
    EXPECT_EQ(glide::WDepthFromOow(0.25f), 0x1FFF);
    EXPECT_EQ(glide::WDepthFromOow(0.75f), 0x07FF);  // 0.75 = 2^-1 * 1.5
    EXPECT_EQ(glide::WDepthFromOow(0.0f), 0xFFFF);
    EXPECT_EQ(glide::WDepthFromOow(-0.5f), 0xFFFF);
    EXPECT_EQ(glide::WDepthFromOow(std::nanf("")), 0xFFFF);
    EXPECT_EQ(glide::WDepthFromOow(1.0f / 70000.0f), 0xFFFF);
    // Nearer (larger 1/w) never gets a larger value.
    std::uint16_t previous = 0xFFFF;
    for (float w = 60000.0f; w > 1.0f; w *= 0.999f) {
        const std::uint16_t d = glide::WDepthFromOow(1.0f / w);
        ASSERT_LE(d, previous) << w;
        previous = d;
    }
    EXPECT_EQ(glide::ZDepthFromOoz(std::nanf("")), 0);
    EXPECT_EQ(glide::ZDepthFromOoz(1234.9f), 1234);
    EXPECT_EQ(glide::ZDepthFromOoz(1.0e9f), 0xFFFF);
}

TEST_F(PixelStages, NearerWinsWithTheWBufferInEitherOrder) {
    SystemDepthAndBlend();
    Square(10, 10, 0.01f, 255, 0, 0);   // far, red
    Square(10, 10, 0.02f, 0, 255, 0);   // near, green
    Square(40, 10, 0.02f, 0, 255, 0);
    Square(40, 10, 0.01f, 255, 0, 0);
    EXPECT_EQ(Pixel(18, 18), 0x07E0);
    EXPECT_EQ(Pixel(48, 18), 0x07E0);
    EXPECT_EQ(glide::GetCounters().pixelsDepthFailed, 256u);
}

TEST_F(PixelStages, ZBufferResolvesByOozAndWBufferByOow) {
    // Red is nearer by ooz, green nearer by 1/w; each is drawn first once.
    auto square = [](float x, float oow, float ooz, float r, float g) {
        GrVertex p[4] = {V(x, 10, r, g, 0, 255, oow), V(x + 16, 10, r, g, 0, 255, oow),
                         V(x + 16, 26, r, g, 0, 255, oow), V(x, 26, r, g, 0, 255, oow)};
        for (GrVertex& v : p) v.ooz = ooz;
        grDrawTriangle(&p[0], &p[1], &p[2]);
        grDrawTriangle(&p[0], &p[2], &p[3]);
    };
    auto scene = [&square] {
        square(10, 0.01f, 60000.0f, 255, 0);
        square(10, 0.02f, 30000.0f, 0, 255);
        square(40, 0.02f, 30000.0f, 0, 255);
        square(40, 0.01f, 60000.0f, 255, 0);
    };
    grDepthMask(FXTRUE);
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grDepthBufferFunction(GR_CMP_GREATER);
    grBufferClear(0, 0, 0);
    scene();
    EXPECT_EQ(Pixel(18, 18), 0xF800);
    EXPECT_EQ(Pixel(48, 18), 0xF800);
    EXPECT_EQ(glide::Buffers().depth[18 * kW + 18], 60000);
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grBufferClear(0, 0, 0xFFFF);
    scene();
    EXPECT_EQ(Pixel(18, 18), 0x07E0);
    EXPECT_EQ(Pixel(48, 18), 0x07E0);

    // ooz is interpolated linearly across the screen and truncated; out of
    // range values clamp.
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grDepthBufferFunction(GR_CMP_ALWAYS);
    GrVertex a = V(0, 0), b = V(256, 0), c = V(0, 8);
    a.ooz = c.ooz = -1000.0f, b.ooz = 255000.0f;  // 1000 per pixel, 0 at x = 1
    grDrawTriangle(&a, &b, &c);
    glide::Finish();
    const std::uint16_t* depth = glide::Buffers().depth;
    EXPECT_EQ(depth[0], 0);
    EXPECT_EQ(depth[1], 500);
    EXPECT_EQ(depth[40], 39500);
    EXPECT_EQ(depth[100], 0xFFFF);

    // Lines take their depth from ooz too, along either major axis.
    GrVertex h0 = V(0.5f, 20.5f), h1 = V(100.5f, 20.5f), v0 = V(200.5f, 30.5f), v1 = V(200.5f, 130.5f);
    h0.ooz = v0.ooz = 0.0f, h1.ooz = 10000.0f, v1.ooz = 20000.0f;  // 100 and 200 per pixel
    grDrawLine(&h0, &h1);
    grDrawLine(&v0, &v1);
    glide::Finish();
    EXPECT_EQ(depth[20 * kW + 10], 1000);
    EXPECT_EQ(depth[20 * kW + 50], 5000);
    EXPECT_EQ(depth[40 * kW + 200], 2000);
    EXPECT_EQ(depth[80 * kW + 200], 10000);
}

TEST_F(PixelStages, EveryDepthFunctionAndTheDepthMask) {
    struct Case {
        GrCmpFnc_t function;
        bool nearerPasses, equalPasses, fartherPasses;
    };
    const Case cases[] = {
        {GR_CMP_NEVER, false, false, false},  {GR_CMP_LESS, true, false, false},
        {GR_CMP_EQUAL, false, true, false},   {GR_CMP_LEQUAL, true, true, false},
        {GR_CMP_GREATER, false, false, true}, {GR_CMP_NOTEQUAL, true, false, true},
        {GR_CMP_GEQUAL, false, true, true},   {GR_CMP_ALWAYS, true, true, true},
    };
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthMask(FXTRUE);
    for (const Case& c : cases) {
        grDepthBufferFunction(GR_CMP_ALWAYS);
        grBufferClear(0, 0, 0xFFFF);
        for (int i = 0; i < 3; ++i) Square(10.0f + 20 * i, 10, 0.01f, 0, 0, 255);  // stored depth
        grDepthBufferFunction(c.function);
        Square(10, 10, 0.02f, 255, 0, 0);  // nearer
        Square(30, 10, 0.01f, 255, 0, 0);  // equal
        Square(50, 10, 0.005f, 255, 0, 0);  // farther
        EXPECT_EQ(Pixel(18, 18) == 0xF800, c.nearerPasses) << c.function;
        EXPECT_EQ(Pixel(38, 18) == 0xF800, c.equalPasses) << c.function;
        EXPECT_EQ(Pixel(58, 18) == 0xF800, c.fartherPasses) << c.function;
    }
    // With the mask off a passing pixel leaves the stored depth alone.
    grDepthBufferFunction(GR_CMP_LESS);
    grBufferClear(0, 0, 0xFFFF);
    grDepthMask(FXFALSE);
    Square(10, 10, 0.02f, 255, 0, 0);
    Square(10, 10, 0.01f, 0, 255, 0);
    EXPECT_EQ(Pixel(18, 18), 0x07E0);
}

TEST_F(PixelStages, SourceAlphaBlending) {
    SystemDepthAndBlend();
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    // A dithered background of an awkward colour.
    Square(10, 10, 0.5f, 37, 101, 203);
    Square(30, 10, 0.5f, 37, 101, 203);
    Square(50, 10, 0.5f, 0, 0, 0);
    const std::vector<std::uint16_t> before = Read();
    Square(10, 10, 0.5f, 255, 255, 255, 0);    // alpha 0: unchanged
    Square(30, 10, 0.5f, 250, 20, 90, 255);    // alpha 255: opaque
    Square(50, 10, 0.5f, 255, 255, 255, 128);  // half over black
    const std::vector<std::uint16_t> after = Read();
    for (int y = 10; y < 26; ++y) {
        for (int x = 10; x < 26; ++x) EXPECT_EQ(after[y * kW + x], before[y * kW + x]);
    }
    std::vector<std::uint16_t> opaque = after;
    grBufferClear(0, 0, 0);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, GR_BLEND_ZERO);
    Square(30, 10, 0.5f, 250, 20, 90, 255);
    const std::vector<std::uint16_t> replaced = Read();
    for (int y = 10; y < 26; ++y) {
        for (int x = 30; x < 46; ++x) EXPECT_EQ(opaque[y * kW + x], replaced[y * kW + x]);
    }
    EXPECT_NEAR(Red(after[18 * kW + 58]), 128, 5);
    // Additive blending saturates.
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO);
    Square(100, 10, 0.5f, 200, 0, 0);
    Square(100, 10, 0.5f, 200, 0, 0);
    EXPECT_EQ(Red(Pixel(108, 18)), 255);
}

TEST_F(PixelStages, DitheredFlatTriangleKeepsItsAverage) {
    grConstantColorValue(0x6496C8FFu);  // RGBA: 100, 150, 200
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    Square(64, 64, 0.5f, 0, 0, 0);
    double r = 0, g = 0, b = 0;
    for (int y = 64; y < 80; ++y) {
        for (int x = 64; x < 80; ++x) {
            const std::uint16_t p = Pixel(x, y);
            r += Red(p), g += Green(p), b += Blue(p);
        }
    }
    EXPECT_NEAR(r / 256, 100, 0.5);
    EXPECT_NEAR(g / 256, 150, 0.5);
    EXPECT_NEAR(b / 256, 200, 0.5);
}

TEST(Fog, Exp2TableAtKnownIndices) {
    GrFog_t table[GR_FOG_TABLE_SIZE];
    guFogGenerateExp2(table, 0.0002f);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[32], 0);
    EXPECT_EQ(table[40], 10);
    EXPECT_EQ(table[44], 39);
    EXPECT_EQ(table[48], 124);
    EXPECT_EQ(table[52], 237);
    EXPECT_EQ(table[63], 255);
    for (int i = 1; i < GR_FOG_TABLE_SIZE; ++i) EXPECT_GE(table[i], table[i - 1]);
    guFogGenerateExp2(table, 0.0f);  // no fog, and no division by zero
    for (GrFog_t f : table) EXPECT_EQ(f, 0);
    guFogGenerateExp2(nullptr, 1.0f);
}

TEST(Fog, ValueInterpolatesBetweenEntriesInW) {
    std::uint8_t table[GR_FOG_TABLE_SIZE];
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) table[i] = static_cast<std::uint8_t>(i * 4);
    EXPECT_EQ(glide::FogTableValue88(table, 0.5f), 0u);
    EXPECT_EQ(glide::FogTableValue88(table, 2.0f), 16u << 8);       // entry 4
    EXPECT_EQ(glide::FogTableValue88(table, 1024.0f), 160u << 8);   // entry 40
    EXPECT_EQ(glide::FogTableValue88(table, 1e9f), 252u << 8);      // beyond entry 63
    // Halfway between w_40 = 1024 and w_41 = 8192 / 7.
    const float mid = (1024.0f + 8192.0f / 7.0f) / 2;
    EXPECT_NEAR(glide::FogTableValue88(table, mid) / 256.0, 162.0, 0.05);
    EXPECT_EQ(glide::ApplyFog(100, 0, glide::FogScale16(255u << 8)), 0);
    EXPECT_EQ(glide::ApplyFog(100, 200, glide::FogScale16(0)), 100);
    EXPECT_NEAR(glide::ApplyFog(0, 200, glide::FogScale16(128u << 8)), 100, 1);
}

TEST_F(PixelStages, TableFogBlendsTowardTheFogColourByW) {
    GrFog_t table[GR_FOG_TABLE_SIZE];
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) table[i] = static_cast<GrFog_t>(i < 40 ? 0 : 255);
    grFogTable(table);
    grFogColorValue(0x0000FF00u);  // RGBA: blue
    grFogMode(GR_FOG_WITH_TABLE);
    Square(10, 10, 1.0f / 10.0f, 255, 0, 0);     // w = 10: no fog
    Square(40, 10, 1.0f / 5000.0f, 255, 0, 0);   // w = 5000: all fog
    EXPECT_EQ(Pixel(18, 18), 0xF800);
    EXPECT_EQ(Pixel(48, 18), 0x001F);
    grFogMode(GR_FOG_DISABLE);
    Square(40, 10, 1.0f / 5000.0f, 255, 0, 0);
    EXPECT_EQ(Pixel(48, 18), 0xF800);
}

}  // namespace
}  // namespace raster_test
