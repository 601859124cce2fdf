// Texel formats: known texels decoded by hand, and every format taken
// through encoder, 3DF writer, reader and decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "glide.h"
#include "gu3df_io.h"
#include "texture/texture_decode.h"
#include "support/test_data.h"
#include "texture/texture_encode.h"

namespace {

using glide::ArgbImage;

std::uint32_t Decode8(GrTextureFormat_t format, std::uint8_t texel, const GuTexTable* table = nullptr) {
    std::uint32_t out = 0xDEADBEEF;
    EXPECT_TRUE(glide::DecodeTexels(format, &texel, 1, table, &out));
    return out;
}

std::uint32_t Decode16(GrTextureFormat_t format, std::uint16_t texel, const GuTexTable* table = nullptr) {
    std::uint32_t out = 0xDEADBEEF;
    EXPECT_TRUE(glide::DecodeTexels(format, &texel, 1, table, &out));
    return out;
}

GuTexTable HandTable() {
    GuTexTable t{};
    for (int i = 0; i < 16; ++i) t.nccTable.yRGB[i] = static_cast<FxU8>(i * 16);
    t.nccTable.yRGB[15] = 250;
    const FxI16 iRGB[4][3] = {{0, 0, 0}, {10, -20, 30}, {100, 100, 100}, {-256, -256, -256}};
    const FxI16 qRGB[4][3] = {{0, 0, 0}, {1, 2, 3}, {-5, 0, 5}, {255, 0, -1}};
    std::memcpy(t.nccTable.iRGB, iRGB, sizeof iRGB);
    std::memcpy(t.nccTable.qRGB, qRGB, sizeof qRGB);
    return t;
}

TEST(TextureDecodeTest, EightBitFormatsByHand) {
    EXPECT_EQ(Decode8(GR_TEXFMT_RGB_332, 0xE3), 0xFFFF00FFu);   // 111 000 11
    EXPECT_EQ(Decode8(GR_TEXFMT_RGB_332, 0x49), 0xFF494955u);   // 010 010 01: bits repeated
    EXPECT_EQ(Decode8(GR_TEXFMT_ALPHA_8, 0x80), 0x80808080u);   // the channel feeds colour too
    EXPECT_EQ(Decode8(GR_TEXFMT_INTENSITY_8, 0x40), 0xFF404040u);
    EXPECT_EQ(Decode8(GR_TEXFMT_ALPHA_INTENSITY_44, 0x3C), 0x33CCCCCCu);

    GuTexTable pal{};
    pal.palette.data[5] = 0xAB123456;  // the top byte of an entry is not alpha
    EXPECT_EQ(Decode8(GR_TEXFMT_P_8, 5, &pal), 0xFF123456u);
    EXPECT_EQ(Decode8(GR_TEXFMT_P_8, 6, &pal), 0xFF000000u);
}

TEST(TextureDecodeTest, YiqAddsTheThreeTermsAndClamps) {
    const GuTexTable t = HandTable();
    // Y index 3 (48), I index 1 (10, -20, 30), Q index 1 (1, 2, 3).
    EXPECT_EQ(Decode8(GR_TEXFMT_YIQ_422, 0x35, &t), 0xFF3B1E51u);  // (59, 30, 81)
    // Y 250 + 100 + 255 clamps high; Y 0 - 256 clamps low.
    EXPECT_EQ(Decode8(GR_TEXFMT_YIQ_422, 0xFB, &t), 0xFFFFFFFFu);  // r 605, g 350, b 349
    EXPECT_EQ(Decode8(GR_TEXFMT_YIQ_422, 0x0C, &t), 0xFF000000u);
    EXPECT_EQ(Decode8(GR_TEXFMT_YIQ_422, 0x02, &t), 0xFF000005u);  // Q index 2: (0-5, 0, 0+5)
    EXPECT_EQ(Decode16(GR_TEXFMT_AYIQ_8422, 0x7F35, &t), 0x7F3B1E51u);
    // A table format without its table is refused, not read through null.
    std::uint8_t texel = 0;
    std::uint32_t out = 0;
    EXPECT_FALSE(glide::DecodeTexels(GR_TEXFMT_YIQ_422, &texel, 1, nullptr, &out));
    EXPECT_FALSE(glide::DecodeTexels(GR_TEXFMT_AP_88, &texel, 1, nullptr, &out));
    EXPECT_FALSE(glide::DecodeTexels(6, &texel, 1, nullptr, &out));  // 6 and 7 are no formats
}

TEST(TextureDecodeTest, SixteenBitFormatsByHand) {
    EXPECT_EQ(Decode16(GR_TEXFMT_RGB_565, 0xF800), 0xFFFF0000u);
    EXPECT_EQ(Decode16(GR_TEXFMT_RGB_565, 0x07E0), 0xFF00FF00u);
    EXPECT_EQ(Decode16(GR_TEXFMT_RGB_565, 0x001F), 0xFF0000FFu);
    EXPECT_EQ(Decode16(GR_TEXFMT_RGB_565, 0x8410), 0xFF848284u);
    EXPECT_EQ(Decode16(GR_TEXFMT_ARGB_1555, 0xFC00), 0xFFFF0000u);
    EXPECT_EQ(Decode16(GR_TEXFMT_ARGB_1555, 0x001F), 0x000000FFu);
    EXPECT_EQ(Decode16(GR_TEXFMT_ARGB_4444, 0x1234), 0x11223344u);
    EXPECT_EQ(Decode16(GR_TEXFMT_ARGB_8332, 0x80E3), 0x80FF00FFu);
    EXPECT_EQ(Decode16(GR_TEXFMT_ALPHA_INTENSITY_88, 0x7F20), 0x7F202020u);
    GuTexTable pal{};
    pal.palette.data[5] = 0x00123456;
    EXPECT_EQ(Decode16(GR_TEXFMT_AP_88, 0x8005, &pal), 0x80123456u);
}

TEST(TextureFormatTest, NamesSizesAndLevels) {
    GrTextureFormat_t f = -1;
    EXPECT_TRUE(glide::TextureFormatFromName("RGB565", &f));
    EXPECT_EQ(f, GR_TEXFMT_RGB_565);
    EXPECT_TRUE(glide::TextureFormatFromName("AyIq8422", &f));
    EXPECT_EQ(f, GR_TEXFMT_AYIQ_8422);
    EXPECT_FALSE(glide::TextureFormatFromName("argb8888", &f));
    EXPECT_FALSE(glide::TextureFormatFromName("rgb56", &f));
    EXPECT_EQ(glide::TextureFormatName(6), nullptr);
    for (GrTextureFormat_t format : glide::AllTextureFormats()) {
        ASSERT_TRUE(glide::TextureFormatFromName(glide::TextureFormatName(format), &f));
        EXPECT_EQ(f, format);
        EXPECT_EQ(glide::TextureFormatBytes(format), format >= GR_TEXFMT_ARGB_8332 ? 2 : 1);
    }
    EXPECT_EQ(glide::AllTextureFormats().size(), 13u);

    int w = 0, h = 0;
    EXPECT_TRUE(glide::LevelSize(GR_LOD_256, GR_ASPECT_4x1, &w, &h));
    EXPECT_EQ(w, 256);
    EXPECT_EQ(h, 64);
    EXPECT_TRUE(glide::LevelSize(GR_LOD_4, GR_ASPECT_1x8, &w, &h));  // never below 1
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 4);
    EXPECT_FALSE(glide::LevelSize(9, GR_ASPECT_1x1, &w, &h));
    EXPECT_FALSE(glide::LevelSize(GR_LOD_1, 7, &w, &h));
    GrAspectRatio_t a = -1;
    EXPECT_TRUE(glide::AspectFromSize(32, 256, &a));
    EXPECT_EQ(a, GR_ASPECT_1x8);
    EXPECT_FALSE(glide::AspectFromSize(16, 256, &a));
    EXPECT_FALSE(glide::AspectFromSize(3, 1, &a));
    GrLOD_t lod = -1;
    EXPECT_TRUE(glide::LodFromEdge(64, &lod));
    EXPECT_EQ(lod, GR_LOD_64);
    EXPECT_FALSE(glide::LodFromEdge(48, &lod));
    // 8:1 at 256: 256x32 + 128x16 + 64x8 + 32x4 + 16x2 + 8x1 + 4 + 2 + 1 texels.
    EXPECT_EQ(glide::TextureBytes(GR_TEXFMT_P_8, GR_LOD_1, GR_LOD_256, GR_ASPECT_8x1), 10927u);
    EXPECT_EQ(glide::TextureBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1), 174762u);
    EXPECT_EQ(glide::TextureBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1,
                                  GR_MIPMAPLEVELMASK_EVEN),
              2u * (65536 + 4096 + 256 + 16 + 1));
}

// A colourful test picture with alpha: gradients plus a few hard edges.
ArgbImage Picture(int w, int h, bool grey) {
    ArgbImage img;
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t r = static_cast<std::uint32_t>(x * 255 / (w > 1 ? w - 1 : 1));
            const std::uint32_t g = static_cast<std::uint32_t>(y * 255 / (h > 1 ? h - 1 : 1));
            const std::uint32_t b = ((x / 4 + y / 4) & 1) ? 200u : 30u;
            const std::uint32_t a = (x + y) % 3 == 0 ? 0u : ((x + y) % 3 == 1 ? 255u : 128u);
            img.pixels.push_back(grey ? glide::Argb(a, r, r, r) : glide::Argb(a, r, g, b));
        }
    }
    return img;
}

struct Tolerance {
    GrTextureFormat_t format;
    bool grey;        // the format holds intensity only
    int colour;       // largest error per colour channel
    int alpha;        // largest error of alpha (-1: alpha is always 255)
};

int Channel(std::uint32_t p, int c) { return static_cast<int>((p >> (24 - 8 * c)) & 0xFF); }

TEST(Gu3dfRoundTripTest, EveryFormatThroughWriterAndReader) {
    const Tolerance formats[] = {
        {GR_TEXFMT_RGB_332, false, 42, -1},         {GR_TEXFMT_YIQ_422, false, 70, -1},
        {GR_TEXFMT_ALPHA_8, true, 255, 0},          {GR_TEXFMT_INTENSITY_8, true, 0, -1},
        {GR_TEXFMT_ALPHA_INTENSITY_44, true, 8, 0},  {GR_TEXFMT_P_8, false, 0, -1},
        {GR_TEXFMT_ARGB_8332, false, 42, 0},         {GR_TEXFMT_AYIQ_8422, false, 70, 0},
        {GR_TEXFMT_RGB_565, false, 4, -1},           {GR_TEXFMT_ARGB_1555, false, 4, 0},
        {GR_TEXFMT_ARGB_4444, false, 8, 0},          {GR_TEXFMT_ALPHA_INTENSITY_88, true, 0, 0},
        {GR_TEXFMT_AP_88, false, 0, 0},
    };
    const std::filesystem::path dir = std::filesystem::path(TARNVIEW_BINARY_DIR) / "texmem_test_files";
    std::filesystem::create_directories(dir);
    for (const Tolerance& t : formats) {
        SCOPED_TRACE(glide::TextureFormatName(t.format));
        // 16 x 8 (2:1) down to 1 x 1: few enough colours for an exact palette.
        const std::vector<ArgbImage> chain = glide::BuildMipChain(Picture(16, 8, t.grey));
        ASSERT_EQ(chain.size(), 5u);
        glide::Texture3df encoded, read;
        std::string error;
        ASSERT_TRUE(glide::EncodeTexture(t.format, chain, &encoded, &error)) << error;
        EXPECT_EQ(encoded.header.aspect_ratio, GR_ASPECT_2x1);
        EXPECT_EQ(encoded.header.large_lod, GR_LOD_16);
        EXPECT_EQ(encoded.header.small_lod, GR_LOD_1);
        const std::string name = std::string("roundtrip-") + glide::TextureFormatName(t.format) + ".3df";
        const std::string path = (dir / name).string();
        ASSERT_TRUE(glide::Write3dfFile(path.c_str(), encoded, &error)) << error;
        ASSERT_TRUE(glide::Read3dfFile(path.c_str(), &read, &error)) << error;
        EXPECT_EQ(read.data, encoded.data);
        EXPECT_EQ(0, std::memcmp(&read.header, &encoded.header, sizeof read.header));

        for (std::size_t i = 0; i < chain.size(); ++i) {
            const GrLOD_t lod = GR_LOD_16 + static_cast<GrLOD_t>(i);
            ArgbImage fromFile, fromMemory;
            ASSERT_TRUE(glide::DecodeLevel(read, lod, &fromFile));
            ASSERT_TRUE(glide::DecodeLevel(encoded, lod, &fromMemory));
            EXPECT_EQ(fromFile.pixels, fromMemory.pixels);
            ASSERT_EQ(fromFile.pixels.size(), chain[i].pixels.size());
            int worstColour = 0, worstAlpha = 0;
            for (std::size_t p = 0; p < chain[i].pixels.size(); ++p) {
                const std::uint32_t want = chain[i].pixels[p], got = fromFile.pixels[p];
                for (int c = 1; c < 4; ++c) {
                    worstColour = std::max(worstColour, std::abs(Channel(want, c) - Channel(got, c)));
                }
                if (t.alpha < 0) {
                    EXPECT_EQ(Channel(got, 0), 255);
                } else {
                    worstAlpha = std::max(worstAlpha, std::abs(Channel(want, 0) - Channel(got, 0)));
                }
            }
            EXPECT_LE(worstColour, t.colour) << "level " << i;
            if (t.format == GR_TEXFMT_ARGB_1555 || t.format == GR_TEXFMT_ALPHA_INTENSITY_44 ||
                t.format == GR_TEXFMT_ARGB_4444) {
                // One alpha bit holds 0 and 255 exactly, 4 bits 0/255 too; 128 and
                // the halved levels' mixed values land near.
                EXPECT_LE(worstAlpha, t.format == GR_TEXFMT_ARGB_1555 ? 127 : 8) << "level " << i;
            } else if (t.alpha >= 0) {
                EXPECT_LE(worstAlpha, t.alpha) << "level " << i;
            }
        }
    }
}

TEST(Gu3dfRoundTripTest, TablesSurviveTheFile) {
    const std::filesystem::path dir = std::filesystem::path(TARNVIEW_BINARY_DIR) / "texmem_test_files";
    std::filesystem::create_directories(dir);
    glide::Texture3df t;
    t.header = {4, 4, GR_LOD_4, GR_LOD_4, GR_ASPECT_1x1, GR_TEXFMT_YIQ_422};
    t.table = HandTable();
    t.data.assign(16, 0x5A);
    const std::string path = (dir / "hand-ncc.3df").string();
    ASSERT_TRUE(glide::Write3dfFile(path.c_str(), t));
    glide::Texture3df back;
    ASSERT_TRUE(glide::Read3dfFile(path.c_str(), &back));
    EXPECT_EQ(0, std::memcmp(&back.table.nccTable, &t.table.nccTable, sizeof(GuNccTable)));

    t.header.format = GR_TEXFMT_P_8;
    for (int i = 0; i < 256; ++i) t.table.palette.data[i] = static_cast<std::uint32_t>(i * 0x010203);
    ASSERT_TRUE(glide::Write3dfFile(path.c_str(), t));
    ASSERT_TRUE(glide::Read3dfFile(path.c_str(), &back));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(back.table.palette.data[i], t.table.palette.data[i] & 0xFFFFFFu);

    // An inconsistent texture is not written.
    t.data.pop_back();
    std::string error;
    EXPECT_FALSE(glide::Write3dfFile(path.c_str(), t, &error));
    EXPECT_NE(error.find("texel bytes"), std::string::npos) << error;

    // A full disk is a failure with its reason, not a truncated file.
    t.data.push_back(0);
    EXPECT_FALSE(glide::Write3dfFile("/dev/full", t, &error));
    EXPECT_EQ(error, "/dev/full: cannot write (No space left on device)");
}

TEST(TextureEncodeTest, ManyColoursStillComeClose) {
    // 64 x 64 smooth colours: far more than 256, so the palette is a median
    // cut and the NCC table a fit. Both stay near on average.
    ArgbImage img;
    img.width = img.height = 64;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            img.pixels.push_back(glide::Argb(255, static_cast<std::uint32_t>(x * 4), static_cast<std::uint32_t>(y * 4),
                                             static_cast<std::uint32_t>(128 + (x - y) * 2)));
        }
    }
    for (GrTextureFormat_t format : {GR_TEXFMT_P_8, GR_TEXFMT_YIQ_422}) {
        glide::Texture3df t;
        ASSERT_TRUE(glide::EncodeTexture(format, {img}, &t));
        ArgbImage back;
        ASSERT_TRUE(glide::DecodeLevel(t, GR_LOD_64, &back));
        double total = 0;
        for (std::size_t p = 0; p < img.pixels.size(); ++p) {
            for (int c = 1; c < 4; ++c) total += std::abs(Channel(img.pixels[p], c) - Channel(back.pixels[p], c));
        }
        EXPECT_LT(total / (3.0 * static_cast<double>(img.pixels.size())), format == GR_TEXFMT_P_8 ? 4.0 : 14.0)
            << glide::TextureFormatName(format);
    }
}

TEST(TextureEncodeTest, RealPictureReencodesClosely) {
    // A real 256 x 256 texture with its whole chain, into the two formats
    // that need a fitted table.
    glide::Texture3df miro;
    ASSERT_TRUE(glide::Read3dfFile(test_support::TestDataPath("3df/miro.3df").c_str(), &miro));
    std::vector<ArgbImage> chain(9);
    for (GrLOD_t lod = GR_LOD_256; lod <= GR_LOD_1; ++lod) ASSERT_TRUE(glide::DecodeLevel(miro, lod, &chain[lod]));
    for (GrTextureFormat_t format : {GR_TEXFMT_P_8, GR_TEXFMT_YIQ_422}) {
        glide::Texture3df t;
        ASSERT_TRUE(glide::EncodeTexture(format, chain, &t));
        ArgbImage back;
        ASSERT_TRUE(glide::DecodeLevel(t, GR_LOD_256, &back));
        double total = 0;
        for (std::size_t p = 0; p < back.pixels.size(); ++p) {
            for (int c = 1; c < 4; ++c) total += std::abs(Channel(chain[0].pixels[p], c) - Channel(back.pixels[p], c));
        }
        EXPECT_LT(total / (3.0 * static_cast<double>(back.pixels.size())), 5.0) << glide::TextureFormatName(format);
    }
}

TEST(TextureEncodeTest, ChainsAreCheckedAndHalvedByAveraging) {
    ArgbImage two{2, 1, {glide::Argb(255, 0, 100, 255), glide::Argb(0, 255, 101, 0)}};
    const ArgbImage one = glide::HalveImage(two);
    ASSERT_EQ(one.width, 1);
    ASSERT_EQ(one.height, 1);
    EXPECT_EQ(one.pixels[0], glide::Argb(128, 128, 101, 128));  // rounded means

    const std::vector<ArgbImage> tall = glide::BuildMipChain(Picture(8, 64, false));
    ASSERT_EQ(tall.size(), 7u);  // 8x64, 4x32, 2x16, 1x8, 1x4, 1x2, 1x1
    EXPECT_EQ(tall[3].width, 1);
    EXPECT_EQ(tall[3].height, 8);
    EXPECT_EQ(glide::BuildMipChain(Picture(64, 64, false), 8).size(), 4u);

    glide::Texture3df t;
    std::string error;
    EXPECT_FALSE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {}, &t, &error));
    EXPECT_FALSE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {Picture(12, 12, false)}, &t, &error));
    EXPECT_FALSE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {Picture(512, 512, false)}, &t, &error));
    EXPECT_FALSE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {Picture(16, 1, false)}, &t, &error));
    EXPECT_FALSE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {Picture(8, 8, false), Picture(2, 2, false)}, &t, &error));
    EXPECT_NE(error.find("expected 4x4"), std::string::npos) << error;
    ArgbImage lying = Picture(4, 4, false);
    lying.pixels.pop_back();
    EXPECT_FALSE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {lying}, &t, &error));
    EXPECT_FALSE(glide::EncodeTexture(7, {Picture(4, 4, false)}, &t, &error));
    EXPECT_TRUE(glide::EncodeTexture(GR_TEXFMT_RGB_565, {Picture(4, 4, false)}, &t, &error)) << error;
    ArgbImage level;
    EXPECT_FALSE(glide::DecodeLevel(t, GR_LOD_2, &level));  // not in the texture
    t.data.resize(3);
    EXPECT_FALSE(glide::DecodeLevel(t, GR_LOD_4, &level));  // data too short
}

}  // namespace
