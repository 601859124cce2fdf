// Device life cycle, outputs, colour formats, read-back and screenshots,
// and the reference pictures written for inspection.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "device.h"
#include "gu3df_io.h"
#include "raster_test_support.h"

namespace raster_test {
namespace {

class FakeOutput : public glide::DisplayOutput {
public:
    explicit FakeOutput(bool opens) : opens_(opens) {}
    bool Open() override { ++opened; return opens_; }
    void Present(const std::uint16_t* front, bool wait) override {
        ++presented;
        lastFront = front;
        lastWait = wait;
    }
    void SetPassthrough(bool show) override { passthrough = show; }
    void Close() override { ++closed; }
    int opened = 0, presented = 0, closed = 0;
    const std::uint16_t* lastFront = nullptr;
    bool lastWait = false, passthrough = false;

private:
    bool opens_;
};

TEST(Device, HeadlessOutputOpensWithoutADisplay) {
    glide::SetDisplayOutput(nullptr);
    grGlideInit();
    GrHwConfiguration hw{};
    EXPECT_TRUE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.num_tmu, 1);
    EXPECT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
                          GR_SMOOTHING_DISABLE, 2));
    grGlideShutdown();
}

TEST(Device, QueryReportsNoBoardWhenTheOutputCannotOpen) {
    FakeOutput failing(false);
    glide::SetDisplayOutput(&failing);
    grGlideInit();
    GrHwConfiguration hw{};
    EXPECT_FALSE(grSstQueryHardware(&hw));
    EXPECT_FALSE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
                           GR_SMOOTHING_DISABLE, 2));
    const GrVertex a = V(0, 0), b = V(10, 0), c = V(0, 10);
    grDrawTriangle(&a, &b, &c);  // not open: ignored
    grBufferSwap(1);
    EXPECT_EQ(failing.presented, 0);
    grGlideShutdown();
    EXPECT_EQ(failing.closed, 0);
    glide::SetDisplayOutput(nullptr);
}

TEST(Device, SwapPresentsTheNewFrontAndShutdownIsSafeTwice) {
    grGlideShutdown();  // before init
    FakeOutput window(true);
    glide::SetDisplayOutput(&window);
    grGlideInit();
    ASSERT_TRUE(grSstQueryHardware(nullptr));
    ASSERT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
                          GR_SMOOTHING_DISABLE, 2));
    EXPECT_EQ(window.opened, 1);
    grSstPassthruMode(GR_PASSTHRU_SHOW_SST1);
    EXPECT_TRUE(window.passthrough);
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grBufferClear(0x00FF0000u, 0, 0);  // ARGB red
    const std::uint16_t* drawn = glide::ColourBuffer(GR_BUFFER_BACKBUFFER);
    grBufferSwap(1);
    EXPECT_EQ(window.presented, 1);
    EXPECT_EQ(window.lastFront, drawn);
    EXPECT_TRUE(window.lastWait);
    EXPECT_EQ(window.lastFront[1234], 0xF800);
    grBufferSwap(0);
    EXPECT_FALSE(window.lastWait);
    EXPECT_NE(window.lastFront, drawn);
    grSstPassthruMode(GR_PASSTHRU_SHOW_VGA);
    EXPECT_FALSE(window.passthrough);
    grGlideShutdown();
    grGlideShutdown();
    EXPECT_EQ(window.closed, 1);
    glide::SetDisplayOutput(nullptr);
}

TEST(Device, BadOpenArgumentsAreRefused) {
    glide::SetDisplayOutput(nullptr);
    grGlideInit();
    EXPECT_FALSE(grSstOpen(3, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT, GR_SMOOTHING_DISABLE, 2));
    EXPECT_FALSE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, 9, GR_ORIGIN_LOWER_LEFT, GR_SMOOTHING_DISABLE, 2));
    EXPECT_FALSE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, 5, GR_SMOOTHING_DISABLE, 2));
    EXPECT_FALSE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
                           GR_SMOOTHING_DISABLE, 7));
    grGlideShutdown();
}

TEST_F(DeviceTest, PackedColoursFollowTheFormatChosenAtOpen) {
    grConstantColorValue(0xFF000000u);  // RGBA: red
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    const GrVertex a = V(0, 0), b = V(10, 0), c = V(0, 10);
    grDrawTriangle(&a, &b, &c);
    EXPECT_EQ(Pixel(1, 1), 0xF800);
    grGlideShutdown();
    Open(GR_ORIGIN_LOWER_LEFT, GR_COLORFORMAT_ARGB);
    grConstantColorValue(0x000000FFu);  // ARGB: blue
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    grDrawTriangle(&a, &b, &c);
    EXPECT_EQ(Pixel(1, 1), 0x001F);
    grBufferClear(0x0000FF00u, 0, 0);  // ARGB: green
    EXPECT_EQ(Pixel(5, 5), 0x07E0);
}

// Four distinct bytes land in their channels in every packed format.
TEST(Device, EveryColourFormatUnpacksEachByteToItsChannel) {
    struct Case {
        GrColorFormat_t format;
        std::uint8_t r, g, b, a;
    };
    const Case cases[] = {{GR_COLORFORMAT_ARGB, 0x22, 0x33, 0x44, 0x11},
                          {GR_COLORFORMAT_ABGR, 0x44, 0x33, 0x22, 0x11},
                          {GR_COLORFORMAT_RGBA, 0x11, 0x22, 0x33, 0x44},
                          {GR_COLORFORMAT_BGRA, 0x33, 0x22, 0x11, 0x44}};
    for (const Case& c : cases) {
        const glide::Rgba8 got = glide::UnpackColour(0x11223344u, c.format);
        EXPECT_EQ((std::array<int, 4>{got.r, got.g, got.b, got.a}), (std::array<int, 4>{c.r, c.g, c.b, c.a}))
            << "format " << c.format;
    }
}

// The pixel state set up for a generation is reused while it lasts: a call
// with the value already in effect, or a constant colour, keeps it; a new
// value, or replaced texels, ends it; a value set back before any draw
// looked finds the generation it had.
TEST_F(DeviceTest, StateGenerationFollowsTheStateNotTheCalls) {
    const std::uint64_t start = glide::StateGeneration();
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);  // as set up
    grDepthMask(FXFALSE);                           // as after init
    grConstantColorValue(0x12345678u);
    EXPECT_EQ(glide::StateGeneration(), start);
    grDepthMask(FXTRUE);
    const std::uint64_t masked = glide::StateGeneration();
    EXPECT_NE(masked, start);
    grDepthMask(FXFALSE);
    grDepthMask(FXTRUE);
    EXPECT_EQ(glide::StateGeneration(), masked);
    glide::ResetTextureMemory();
    EXPECT_NE(glide::StateGeneration(), masked);
}

TEST_F(DeviceTest, ReadBackOfAKnownImage) {
    // A 4 x 2 block of exactly representable colours, each one pixel.
    const std::uint16_t expected[2][4] = {{0xF800, 0x07E0, 0x001F, 0xFFFF}, {0x8410, 0x0000, 0xFFE0, 0x841F}};
    grConstantColorValue(0);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::uint16_t p = expected[y][x];
            const float r = static_cast<float>((p >> 11) << 3 | (p >> 13)), g = static_cast<float>(Green(p)),
                        b = static_cast<float>(Blue(p));
            const float px = 100.0f + x, py = 50.0f + y;
            const GrVertex a = V(px, py, r, g, b), bb = V(px + 1, py, r, g, b), c = V(px + 1, py + 1, r, g, b),
                           d = V(px, py + 1, r, g, b);
            grDrawTriangle(&a, &bb, &c);
            grDrawTriangle(&a, &c, &d);
        }
    }
    std::uint16_t region[3][6] = {};
    ASSERT_TRUE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 100, 50, 4, 2, sizeof region[0], region));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(region[y][x], expected[y][x]) << x << "," << y;
    }
    EXPECT_EQ(region[2][0], 0);  // untouched beyond the height
    // Out-of-range regions and short strides are refused.
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 636, 0, 5, 1, 64, region));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 479, 1, 2, 64, region));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 0, 8, 1, 8, region));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 0, 1, 1, 8, nullptr));
    EXPECT_FALSE(grLfbReadRegion(9, 0, 0, 1, 1, 8, region));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0xFFFFFFF0u, 0, 32, 1, 64, region));
}

TEST_F(DeviceTest, ScreenshotIsWrittenTopRowFirst) {
    const std::string path = std::string(TARNVIEW_BINARY_DIR) + "/raster_screenshot_test.png";
    grBufferSwap(0);
    EXPECT_TRUE(glide::WriteScreenshotPng(path.c_str()));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char magic[8] = {};
    EXPECT_EQ(std::fread(magic, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(magic[1], 'P');
    EXPECT_FALSE(glide::WriteScreenshotPng("/nonexistent-dir/x.png"));
    EXPECT_FALSE(glide::WriteRgb565Png(path.c_str(), nullptr, 4, 4, true));
}

// ---- reference pictures (look at them; the checks guard the obvious) ----------

class Pictures : public DeviceTest {
protected:
    std::string Path(const char* name) { return std::string(TARNVIEW_BINARY_DIR) + "/" + name; }
    void Save(const char* name) {
        grBufferSwap(0);
        EXPECT_TRUE(glide::WriteScreenshotPng(Path(name).c_str()));
        grBufferSwap(0);
    }
};

TEST_F(Pictures, GouraudOverFlatWithFog) {
    SystemDepthAndBlend();
    GrFog_t table[GR_FOG_TABLE_SIZE];
    guFogGenerateExp2(table, 0.002f);
    grFogTable(table);
    grFogColorValue(0x506070FFu);
    grFogMode(GR_FOG_WITH_TABLE);
    grBufferClear(0x506070FFu, 0, 0xFFFF);
    // A flat grey quad receding into the fog, and a Gouraud triangle in front.
    grConstantColorValue(0xB0B0B0FFu);
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    const GrVertex f0 = V(40, 20, 0, 0, 0, 255, 1.0f / 20), f1 = V(600, 20, 0, 0, 0, 255, 1.0f / 20),
                   f2 = V(420, 400, 0, 0, 0, 255, 1.0f / 1500), f3 = V(220, 400, 0, 0, 0, 255, 1.0f / 1500);
    grDrawTriangle(&f0, &f1, &f2);
    grDrawTriangle(&f0, &f2, &f3);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    const GrVertex g0 = V(150, 60, 255, 0, 0, 255, 1.0f / 10), g1 = V(500, 120, 0, 255, 0, 255, 1.0f / 400),
                   g2 = V(300, 380, 0, 0, 255, 200, 1.0f / 900);
    grDrawTriangle(&g0, &g1, &g2);
    Save("raster_gouraud_fog.png");
    EXPECT_GT(Red(Pixel(170, 70)), 180);           // near corner: little fog
    EXPECT_NEAR(Red(Pixel(320, 395)), 0x50, 12);  // far flat quad: all fog
}

// The receding textured plane in every sampling mode; none may show cracks
// (background pixels inside the plane).
TEST_F(Pictures, TexturedFoggedMipMappedPlaneHasNoCracks) {
    glide::ArgbImage checker;
    checker.width = checker.height = 256;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const bool white = ((x / 32) + (y / 32)) % 2 == 0;
            const std::uint32_t v = white ? 0xE0u : 0x30u;
            const std::uint32_t tint = static_cast<std::uint32_t>(x) / 2;
            checker.pixels.push_back(0xFF000000u | v << 16 | (v > tint ? v - tint : 0u) << 8 | tint);
        }
    }
    const std::vector<glide::ArgbImage> chain = glide::BuildMipChain(checker);
    const GrMipMapId_t full = glide::AllocateArgbMipMap(chain);
    const GrMipMapId_t odd = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_ODD, GR_MIPMAP_NEAREST,
                                                       GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                       GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, true);
    const GrMipMapId_t even = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_EVEN, GR_MIPMAP_NEAREST,
                                                        GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                        GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, true);
    ASSERT_NE(even, GR_NULL_MIPMAP_HANDLE);
    SystemDepthAndBlend();
    GrFog_t table[GR_FOG_TABLE_SIZE];
    guFogGenerateExp2(table, 0.002f);
    grFogTable(table);
    grFogColorValue(0);
    grFogMode(GR_FOG_WITH_TABLE);
    guColorCombineFunction(GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    grHints(GR_HINT_ALLOW_MIPMAP_DITHER, 3);

    const char* names[] = {"raster_plane_bilinear.png", "raster_plane_point.png", "raster_plane_trilinear.png",
                           "raster_plane_mipdither.png"};
    for (int mode = 0; mode < 4; ++mode) {
        grBufferClear(0xFF00FFFFu, 0, 0xFFFF);  // magenta: never a texel colour
        guTexSource(full);
        if (mode == 1) grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
        if (mode == 3) grTexMipMapMode(GR_TMU0, GR_MIPMAP_NEAREST_DITHER, FXFALSE);
        guMPTexSource(GR_TMU0, odd);
        guMPTexSource(GR_TMU1, even);
        constexpr int kCols = 24, kRows = 48;
        auto vertex = [](int i, int j) {
            const float x = -60.0f + 120.0f * static_cast<float>(i) / kCols;
            const float z = std::pow(3000.0f, static_cast<float>(j) / kRows);
            GrVertex v = V(320.0f + 320.0f * x / z, 240.0f - 320.0f / z, 255, 255, 255, 255, 1.0f / z);
            v.tmuvtx[0].sow = (x + 60.0f) * 64.0f / z;
            v.tmuvtx[0].tow = z * 64.0f / z;
            return v;
        };
        for (int j = 0; j < kRows; ++j) {
            for (int i = 0; i < kCols; ++i) {
                const GrVertex a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
                if (mode == 2) {
                    guMPDrawTriangle(&a, &b, &c);
                    guMPDrawTriangle(&a, &c, &d);
                } else {
                    grDrawTriangle(&a, &b, &c);
                    grDrawTriangle(&a, &c, &d);
                }
            }
        }
        Save(names[mode]);
        int cracks = 0;
        for (int y = 0; y < 238; ++y) {
            for (int x = 250; x < 390; ++x) cracks += Pixel(x, y) == 0xF81F;
        }
        EXPECT_EQ(cracks, 0) << names[mode];
    }
}

}  // namespace
}  // namespace raster_test
