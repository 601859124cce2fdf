// Shared set-up for the rasterizer tests: a freshly opened headless device
// in the system's state, vertex builders and frame-buffer read-back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "glide.h"
#include "glide_device.h"

namespace raster_test {

constexpr int kW = glide::kScreenWidth;
constexpr int kH = glide::kScreenHeight;

inline GrVertex V(float x, float y, float r = 255, float g = 255, float b = 255, float a = 255, float oow = 1.0f) {
    GrVertex v{};
    v.x = x, v.y = y, v.r = r, v.g = g, v.b = b, v.a = a, v.oow = oow;
    return v;
}

inline GrVertex VT(float x, float y, float s, float t, float oow = 1.0f) {
    GrVertex v = V(x, y, 255, 255, 255, 255, oow);
    v.tmuvtx[0].sow = s * oow;
    v.tmuvtx[0].tow = t * oow;
    return v;
}

// Opens the device (lower-left origin, RGBA colours unless told otherwise)
// with plain state: iterated colour and alpha, no blending, no depth, no fog.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { Open(GR_ORIGIN_LOWER_LEFT); }
    void TearDown() override { grGlideShutdown(); }

    void Open(GrOriginLocation_t origin, GrColorFormat_t format = GR_COLORFORMAT_RGBA) {
        glide::SetDisplayOutput(nullptr);
        grGlideInit();
        GrHwConfiguration hw{};
        ASSERT_TRUE(grSstQueryHardware(&hw));
        grSstSelect(0);
        ASSERT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, format, origin, GR_SMOOTHING_DISABLE, 2));
        grRenderBuffer(GR_BUFFER_BACKBUFFER);
        guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
        grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_NONE,
                       GR_COMBINE_OTHER_ITERATED, FXFALSE);
        grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, GR_BLEND_ZERO);
        grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
        grFogMode(GR_FOG_DISABLE);
        grBufferClear(0, 0, 0);
    }

    // The system's state after its set-up: W-buffer, LESS, source-alpha blending.
    void SystemDepthAndBlend() {
        grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
        grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
        grDepthBufferFunction(GR_CMP_LESS);
        grDepthMask(FXTRUE);
        grBufferClear(0, 0, 0xFFFF);
    }

    static std::vector<std::uint16_t> Read(GrBuffer_t buffer = GR_BUFFER_BACKBUFFER) {
        std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kW) * kH);
        EXPECT_TRUE(grLfbReadRegion(buffer, 0, 0, kW, kH, kW * 2, pixels.data()));
        return pixels;
    }
    static std::uint16_t Pixel(int x, int y, GrBuffer_t buffer = GR_BUFFER_BACKBUFFER) {
        std::uint16_t p = 0;
        EXPECT_TRUE(grLfbReadRegion(buffer, static_cast<FxU32>(x), static_cast<FxU32>(y), 1, 1, 2, &p));
        return p;
    }
    static int Red(std::uint16_t p) { return (p >> 11) << 3 | (p >> 13); }
    static int Green(std::uint16_t p) { return ((p >> 5) & 63) << 2 | ((p >> 9) & 3); }
    static int Blue(std::uint16_t p) { return (p & 31) << 3 | ((p >> 2) & 7); }
    static std::size_t CountNonZero(const std::vector<std::uint16_t>& pixels) {
        std::size_t n = 0;
        for (std::uint16_t p : pixels) n += p != 0;
        return n;
    }
};

}  // namespace raster_test
