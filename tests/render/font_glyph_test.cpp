// The font record: grid constants, the glyph table, the quad of one
// character, the committed font texture, and the load failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "font_fixture.h"
#include "gu3df_io.h"
#include "render/font.h"

namespace {

using font_test::FontDeviceTest;
using font_test::FontPath;

TEST_F(FontDeviceTest, InitFillsGridConstantsAndGlyphTable) {
    EXPECT_NE(font.texture, GR_NULL_MIPMAP_HANDLE);
    EXPECT_EQ(std::strlen(font.characterSet), 42u);
    EXPECT_EQ(font.characterSet[41], ' ');
    EXPECT_EQ(font.cellWidth, 16.0f);
    EXPECT_EQ(font.cellHeight, 20.0f);
    EXPECT_EQ(font.originS, 0.0f);
    EXPECT_EQ(font.originT, 0.0f);
    EXPECT_EQ(font.glyphSpacing, 0.0f);
    EXPECT_EQ(font.glyphsPerRow, 16);

    struct Entry {
        unsigned char ch;
        float s, t;
    } entries[] = {{'A', 0, 0},    {'B', 16, 0},   {'P', 240, 0},  {'Q', 0, 20},   {'Z', 144, 20},
                   {'0', 160, 20}, {'5', 240, 20}, {'6', 0, 40},   {'9', 48, 40},  {',', 64, 40},
                   {'.', 80, 40},  {':', 96, 40},  {'=', 112, 40}, {'-', 128, 40}, {' ', 144, 40},
                   // Outside the set: the zeroed entry, cell (0, 0).
                   {'a', 0, 0},    {'!', 0, 0},    {0xFF, 0, 0},   {0x01, 0, 0}};
    for (const Entry& e : entries) {
        EXPECT_EQ(font.glyphs[e.ch].s, e.s) << "character " << int(e.ch);
        EXPECT_EQ(font.glyphs[e.ch].t, e.t) << "character " << int(e.ch);
    }
}

TEST_F(FontDeviceTest, QuadOfOneCharacter) {
    GrVertex quad[4] = {};
    SetGlyphQuad(font, ':', 5.0f, 5.0f, 15.0f, 20.0f, quad);
    // ':' is row 2, column 6: s = 96, t = 40; the cell's first row is on top.
    const float expected[4][4] = {
        {5, 5, 96, 60},    // bottom-left
        {5, 25, 96, 40},   // top-left
        {20, 5, 112, 60},  // bottom-right
        {20, 25, 112, 40}, // top-right
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(quad[i].x, expected[i][0]) << "vertex " << i;
        EXPECT_EQ(quad[i].y, expected[i][1]) << "vertex " << i;
        EXPECT_EQ(quad[i].tmuvtx[0].sow, expected[i][2]) << "vertex " << i;
        EXPECT_EQ(quad[i].tmuvtx[0].tow, expected[i][3]) << "vertex " << i;
    }
    // An unknown character takes cell (0, 0).
    SetGlyphQuad(font, 'z', 100.0f, 50.0f, 8.0f, 10.0f, quad);
    EXPECT_EQ(quad[3].x, 108.0f);
    EXPECT_EQ(quad[3].y, 60.0f);
    EXPECT_EQ(quad[0].tmuvtx[0].sow, 0.0f);
    EXPECT_EQ(quad[0].tmuvtx[0].tow, 20.0f);
    EXPECT_EQ(quad[3].tmuvtx[0].sow, 16.0f);
    EXPECT_EQ(quad[3].tmuvtx[0].tow, 0.0f);
}

// Texels lit in one cell's rows [row0, row1) of the committed font.
int CellInk(const glide::ArgbImage& image, int index, int row0, int row1) {
    int cellX = (index % 16) * 16, cellY = (index / 16) * 20, ink = 0;
    for (int y = row0; y < row1; ++y)
        for (int x = 0; x < 16; ++x) ink += (image.pixels[(cellY + y) * image.width + cellX + x] & 0xFFFFFF) > 0x404040;
    return ink;
}

TEST(FontTexture, CommittedFileHoldsTheGridUpright) {
    glide::Texture3df texture;
    std::string error;
    ASSERT_TRUE(glide::Read3dfFile(FontPath().c_str(), &texture, &error)) << error;
    EXPECT_EQ(texture.header.width, 256u);
    EXPECT_EQ(texture.header.height, 64u);
    glide::ArgbImage image;
    ASSERT_TRUE(glide::DecodeLevel(texture, texture.header.large_lod, &image));
    const char* set = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,.:=- ";
    for (int i = 0; i < 41; ++i) EXPECT_GT(CellInk(image, i, 0, 20), 8) << "glyph " << set[i];
    EXPECT_EQ(CellInk(image, 41, 0, 20), 0) << "the space is blank";
    // Upright with the first row on top: the period's ink is in the cell's
    // lower half, the apostrophe-free top rows of every glyph are dark.
    EXPECT_EQ(CellInk(image, 37, 0, 10), 0);
    EXPECT_GT(CellInk(image, 37, 10, 20), 0);
    // Below the grid (rows 60..63) nothing is drawn.
    for (int x = 0; x < 256; ++x)
        for (int y = 60; y < 64; ++y) EXPECT_EQ(image.pixels[y * 256 + x] & 0xFFFFFF, 0u);
}

using FontDeathTest = FontDeviceTest;

TEST_F(FontDeathTest, LoadFailuresAreFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(font.FontInit("/nonexistent/ffont.3df"), ::testing::ExitedWithCode(1), "Font file not found!");

    // A good header followed by too few texels.
    std::string path = std::string(TARNVIEW_BINARY_DIR) + "/font_truncated.3df";
    {
        std::ofstream out(path, std::ios::binary);
        out << "3df v1.1\nrgb565\nlod range: 256 256\naspect ratio: 4 1\n";
        out << std::string(100, '\0');
    }
    EXPECT_EXIT(font.FontInit(path.c_str()), ::testing::ExitedWithCode(1), "Cannot read font file!");
    std::remove(path.c_str());
}

}  // namespace
