// Pictures to textures: the sizes the board can hold, the mip chain, the
// formats chosen, and the files' round trip.
#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include "texture_convert.h"
#include "tools_test_support.h"

using namespace tarnconv;

namespace {

glide::ArgbImage Solid(int w, int h, std::uint32_t argb) {
    return {w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), argb)};
}

std::pair<int, int> Size(int w, int h, int maxEdge = 256) {
    int ow = 0, oh = 0;
    ChooseTextureSize(w, h, maxEdge, &ow, &oh);
    return {ow, oh};
}

}  // namespace

TEST(TextureSize, PowersOfTwoWithinTheBoardsSizesAndRatios) {
    EXPECT_EQ(Size(256, 256), std::make_pair(256, 256));
    EXPECT_EQ(Size(300, 200), std::make_pair(256, 256));  // each side to its nearest power of two
    EXPECT_EQ(Size(320, 100), std::make_pair(256, 128));
    EXPECT_EQ(Size(1024, 512), std::make_pair(256, 128));  // halved together, ratio kept
    EXPECT_EQ(Size(1000, 50), std::make_pair(256, 32));    // 16:1 raised to 8:1
    EXPECT_EQ(Size(3, 200), std::make_pair(32, 256));
    EXPECT_EQ(Size(1, 1), std::make_pair(1, 1));
    EXPECT_EQ(Size(512, 512, 64), std::make_pair(64, 64));
}

TEST(TextureConvert, FullMipChainDownToOneTexel) {
    glide::Texture3df tex;
    std::string error;
    ASSERT_TRUE(ImageToTexture(Solid(200, 60, 0xFF336699u), false, {}, &tex, &error)) << error;
    // 200 x 60 -> 256 x 64: 4:1, nine levels from 256 to 1.
    EXPECT_EQ(tex.header.width, 256u);
    EXPECT_EQ(tex.header.height, 64u);
    EXPECT_EQ(tex.header.aspect_ratio, GR_ASPECT_4x1);
    EXPECT_EQ(tex.header.large_lod, GR_LOD_256);
    EXPECT_EQ(tex.header.small_lod, GR_LOD_1);
    EXPECT_EQ(tex.header.format, GR_TEXFMT_RGB_565);
    EXPECT_EQ(tex.data.size(), glide::TextureBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_4x1));

    TextureOptions single;
    single.mipmaps = false;
    ASSERT_TRUE(ImageToTexture(Solid(200, 60, 0xFF336699u), false, single, &tex, &error)) << error;
    EXPECT_EQ(tex.header.small_lod, tex.header.large_lod);
}

TEST(TextureConvert, SmallerLevelsAreFilteredNotSampled) {
    // Black and white columns: a sampled chain would stay black or white,
    // a filtered one turns grey.
    glide::ArgbImage stripes = Solid(8, 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) stripes.pixels[static_cast<std::size_t>(y * 8 + x)] = (x & 1) ? 0xFFFFFFFFu : 0xFF000000u;
    glide::Texture3df tex;
    std::string error;
    ASSERT_TRUE(ImageToTexture(stripes, false, {}, &tex, &error)) << error;
    glide::ArgbImage level1;
    ASSERT_TRUE(glide::DecodeLevel(tex, tex.header.large_lod + 1, &level1));
    ASSERT_EQ(level1.width, 4);
    const std::uint32_t green = (level1.pixels[5] >> 8) & 0xFF;
    EXPECT_NEAR(static_cast<int>(green), 128, 4);
}

TEST(TextureConvert, AlphaPicksAnAlphaFormatUnlessOneIsNamed) {
    glide::Texture3df tex;
    std::string error;
    ASSERT_TRUE(ImageToTexture(Solid(16, 16, 0x80FF0000u), true, {}, &tex, &error)) << error;
    EXPECT_EQ(tex.header.format, GR_TEXFMT_ARGB_4444);
    glide::ArgbImage top;
    ASSERT_TRUE(glide::DecodeLevel(tex, tex.header.large_lod, &top));
    EXPECT_NEAR(static_cast<int>(top.pixels[0] >> 24), 0x80, 0x11);

    for (const char* name : {"argb1555", "ai88", "yiq", "p8", "RGB332"}) {
        TextureOptions o;
        o.formatName = name;
        ASSERT_TRUE(ImageToTexture(Solid(16, 16, 0x80FF0000u), true, o, &tex, &error)) << name << ": " << error;
        EXPECT_STRCASEEQ(glide::TextureFormatName(tex.header.format), name);
    }
    TextureOptions bad;
    bad.formatName = "argb8888";
    EXPECT_FALSE(ImageToTexture(Solid(16, 16, 0xFF000000u), false, bad, &tex, &error));
    EXPECT_NE(error.find("unknown texture format"), std::string::npos);
}

TEST(TextureConvert, ImageFilesRoundTripThroughThreeDfAndPng) {
    tools_test::ScratchDir dir;
    // A 24 x 24 PNG: red top half, blue bottom half.
    std::vector<unsigned char> rgba(24 * 24 * 4);
    for (int i = 0; i < 24 * 24; ++i) {
        const bool top = i < 24 * 12;
        rgba[static_cast<std::size_t>(i) * 4 + 0] = top ? 255 : 0;
        rgba[static_cast<std::size_t>(i) * 4 + 2] = top ? 0 : 255;
        rgba[static_cast<std::size_t>(i) * 4 + 3] = 255;
    }
    ASSERT_TRUE(stbi_write_png(dir.File("in.png").c_str(), 24, 24, 4, rgba.data(), 24 * 4));
    glide::Texture3df written;
    std::string error;
    ASSERT_TRUE(ConvertImageFile(dir.File("in.png"), dir.File("out.3df"), {}, &written, &error)) << error;
    glide::Texture3df read;
    ASSERT_TRUE(glide::Read3dfFile(dir.File("out.3df").c_str(), &read, &error)) << error;
    EXPECT_EQ(read.header.width, 32u);  // 24 rounds to 32
    EXPECT_EQ(read.data, written.data);
    ASSERT_TRUE(WriteTextureLevelPng(read, 0, dir.File("back.png"), &error)) << error;
    glide::ArgbImage back;
    bool alpha = true;
    ASSERT_TRUE(LoadImageFile(dir.File("back.png"), &back, &alpha, &error)) << error;
    EXPECT_FALSE(alpha);
    EXPECT_EQ(back.width, 32);
    // Away from the edges (resampling wraps, as the map does when drawn).
    EXPECT_EQ(back.pixels[4 * 32 + 9] & 0xFFFFFFu, 0xFF0000u);   // top half red
    EXPECT_EQ(back.pixels[27 * 32 + 9] & 0xFFFFFFu, 0x0000FFu);  // bottom half blue
    EXPECT_FALSE(WriteTextureLevelPng(read, 9, dir.File("x.png"), &error));
    EXPECT_FALSE(ConvertImageFile(dir.File("missing.png"), dir.File("m.3df"), {}, nullptr, &error));
    EXPECT_NE(error.find("missing.png"), std::string::npos);
}
