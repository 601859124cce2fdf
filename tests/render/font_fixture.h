// An open 640 x 480 device with the project's font loaded, for the text
// overlay tests; helpers read the back buffer back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "glide.h"
#include "glide_device.h"
#include "render/color_combine.h"
#include "render/font.h"

namespace font_test {

inline std::string FontPath() { return std::string(TARNVIEW_SOURCE_DIR) + "/examples/fonts/ffont.3df"; }

class FontDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        grGlideInit();
        GrHwConfiguration hw{};
        ASSERT_TRUE(grSstQueryHardware(&hw));
        grSstSelect(0);
        ASSERT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
                              GR_SMOOTHING_DISABLE, 2));
        guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
        guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
        CurrentColorCombine = GR_COLORCOMBINE_ITRGB;
        font = Font{};
        font.FontInit(FontPath().c_str());
        Clear();
    }
    void TearDown() override { grGlideShutdown(); }

    void Clear() {
        grRenderBuffer(GR_BUFFER_BACKBUFFER);
        grBufferClear(0, 0, 0xFFFF);
        glide::ResetCounters();
    }

    // Back buffer, row 0 = bottom row.
    std::vector<std::uint16_t> Pixels() {
        std::vector<std::uint16_t> pixels(640 * 480);
        grLfbReadRegion(GR_BUFFER_BACKBUFFER, 0, 0, 640, 480, 640 * 2, pixels.data());
        return pixels;
    }

    // Pixels in [x0, x1) x [y0, y1) that are not black.
    int LitPixels(int x0, int y0, int x1, int y1) {
        std::vector<std::uint16_t> pixels = Pixels();
        int lit = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) lit += pixels[y * 640 + x] != 0;
        return lit;
    }

    Font font;
};

}  // namespace font_test
