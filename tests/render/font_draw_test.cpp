// DrawText on the device: what it draws, where, with which combine.
#include <gtest/gtest.h>

#include "font_fixture.h"
#include "gu3df_io.h"
#include "render/font.h"

namespace {

using font_test::FontDeviceTest;

TEST_F(FontDeviceTest, FrameRateLineCoversItsFifteenCells) {
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "PERF: 60.00 FPS");
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 30u);
    EXPECT_EQ(CurrentColorCombine, GR_COLORCOMBINE_DECAL_TEXTURE);
    // x = 5 .. 230, y = 5 .. 25; nothing outside.
    EXPECT_GT(LitPixels(5, 5, 230, 25), 300);
    EXPECT_EQ(LitPixels(0, 0, 640, 5), 0);
    EXPECT_EQ(LitPixels(0, 25, 640, 480), 0);
    EXPECT_EQ(LitPixels(0, 0, 5, 480), 0);
    EXPECT_EQ(LitPixels(230, 0, 640, 480), 0);
    // Every non-space character has ink in its own 15-pixel cell; spaces none.
    const char* text = "PERF: 60.00 FPS";
    for (int i = 0; i < 15; ++i) {
        int x0 = 5 + 15 * i;
        if (text[i] == ' ') {
            EXPECT_EQ(LitPixels(x0 + 1, 5, x0 + 14, 25), 0) << "cell " << i;
        } else {
            EXPECT_GT(LitPixels(x0, 5, x0 + 15, 25), 0) << "cell " << i;
        }
    }
}

TEST_F(FontDeviceTest, UnknownCharactersDrawTheFirstCellAndAdvance) {
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "AB");
    std::vector<std::uint16_t> known = Pixels();
    Clear();
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "aB");
    EXPECT_EQ(Pixels(), known);
    Clear();
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "\xE9" "B");
    EXPECT_EQ(Pixels(), known);
}

TEST_F(FontDeviceTest, EmptyTextSelectsCombineButDrawsNothing) {
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "");
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 0u);
    EXPECT_EQ(CurrentColorCombine, GR_COLORCOMBINE_DECAL_TEXTURE);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);
}

TEST_F(FontDeviceTest, ColorCombineGoesThroughTheSharedValue) {
    // With the shared value already at decal, DrawText must not set the
    // device again: a device left at iterated colour (the vertices carry
    // black) then draws the text black.
    CurrentColorCombine = GR_COLORCOMBINE_DECAL_TEXTURE;
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "ABC");
    font.DrawText(5.0f, 30.0f, 15.0f, 20.0f, "ABC");
    EXPECT_EQ(glide::GetCounters().trianglesSubmitted, 12u);
    EXPECT_EQ(LitPixels(0, 0, 640, 480), 0);

    // From another value it switches once, and the second text reuses it.
    CurrentColorCombine = GR_COLORCOMBINE_ITRGB;
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "ABC");
    EXPECT_EQ(CurrentColorCombine, GR_COLORCOMBINE_DECAL_TEXTURE);
    font.DrawText(5.0f, 30.0f, 15.0f, 20.0f, "ABC");
    EXPECT_GT(LitPixels(5, 5, 50, 25), 0);
    EXPECT_GT(LitPixels(5, 30, 50, 50), 0);
}

TEST_F(FontDeviceTest, TextureSourceIsSelectedOnEveryCall) {
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "E");
    std::vector<std::uint16_t> first = Pixels();
    Clear();
    // Another texture (solid white) selected between two texts does not
    // carry over into the second.
    glide::ArgbImage white;
    white.width = 256;
    white.height = 64;
    white.pixels.assign(256 * 64, 0xFFFFFFFFu);
    GrMipMapId_t whiteTexture = glide::AllocateArgbMipMap({white});
    ASSERT_NE(whiteTexture, GR_NULL_MIPMAP_HANDLE);
    guTexSource(whiteTexture);
    font.DrawText(5.0f, 5.0f, 15.0f, 20.0f, "E");
    EXPECT_EQ(Pixels(), first);
}

}  // namespace
