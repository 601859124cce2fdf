// Texture memory: what fits, where it goes, and which levels a download
// takes for each odd/even mask.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "glide.h"
#include "gu3df_io.h"
#include "texture/texture_memory.h"

namespace {

// guTexAllocateMemory with the arguments the system passes, the rest given.
GrMipMapId_t Allocate(GrTextureFormat_t format, GrLOD_t smallLod, GrLOD_t largeLod,
                      GrAspectRatio_t aspect = GR_ASPECT_1x1, FxU8 mask = GR_MIPMAPLEVELMASK_BOTH) {
    int w = 0, h = 0;
    glide::LevelSize(largeLod, aspect, &w, &h);
    return guTexAllocateMemory(GR_TMU0, mask, w, h, format, GR_MIPMAP_NEAREST, smallLod, largeLod, aspect,
                               GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
                               GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
}

class TextureMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { glide::ResetTextureMemory(); }
    void TearDown() override { glide::ResetTextureMemory(); }
};

TEST_F(TextureMemoryTest, FillsExactlyThenRefuses) {
    EXPECT_EQ(glide::TextureMemoryFree(), glide::kTextureMemoryBytes);
    // 256 x 256 RGB565 without mip-maps is 128 KB: 32 of them fill 4 MB.
    const std::uint32_t count = glide::kTextureMemoryBytes / (256u * 256u * 2u);
    for (std::uint32_t i = 0; i < count; ++i) {
        const GrMipMapId_t handle = Allocate(GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_256);
        ASSERT_NE(handle, GR_NULL_MIPMAP_HANDLE) << i;
        EXPECT_EQ(glide::FindMipMap(handle)->memoryOffset, i * 131072u);
    }
    EXPECT_EQ(glide::TextureMemoryFree(), 0u);
    EXPECT_EQ(Allocate(GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_256), GR_NULL_MIPMAP_HANDLE);
    EXPECT_EQ(Allocate(GR_TEXFMT_RGB_332, GR_LOD_1, GR_LOD_1), GR_NULL_MIPMAP_HANDLE);
    // Nothing is ever released; a reset starts over.
    glide::ResetTextureMemory();
    EXPECT_EQ(glide::FindMipMap(0), nullptr);
    EXPECT_EQ(Allocate(GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_256), 0u);
}

TEST_F(TextureMemoryTest, AlignsToEightBytesAndKeepsLevelsInsideOneBank) {
    const GrMipMapId_t tiny = Allocate(GR_TEXFMT_RGB_332, GR_LOD_1, GR_LOD_1);  // one byte
    const GrMipMapId_t next = Allocate(GR_TEXFMT_RGB_332, GR_LOD_1, GR_LOD_1);
    EXPECT_EQ(glide::FindMipMap(tiny)->memoryBytes, 1u);
    EXPECT_EQ(glide::FindMipMap(next)->memoryOffset, 8u);
    // 15 x 128 KB from offset 16 end at 1966096, 131056 bytes short of 2 MB.
    for (int i = 0; i < 15; ++i) ASSERT_NE(Allocate(GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_256), GR_NULL_MIPMAP_HANDLE);
    // The next 128 KB level would straddle the 2 MB boundary: it starts there.
    const GrMipMapId_t straddler = Allocate(GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_256);
    ASSERT_NE(straddler, GR_NULL_MIPMAP_HANDLE);
    EXPECT_EQ(glide::FindMipMap(straddler)->memoryOffset, 2u * 1024u * 1024u);
    // Memory is handed out in order: the gap below the boundary stays unused.
    const GrMipMapId_t after = Allocate(GR_TEXFMT_RGB_332, GR_LOD_1, GR_LOD_1);
    EXPECT_EQ(glide::FindMipMap(after)->memoryOffset, 2u * 1024u * 1024u + 131072u);
}

TEST_F(TextureMemoryTest, MipChainCostsWhatTheFileHolds) {
    const GrMipMapId_t all = Allocate(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256);
    const GrMipMapId_t odd = Allocate(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1, GR_MIPMAPLEVELMASK_ODD);
    const GrMipMapId_t even = Allocate(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1, GR_MIPMAPLEVELMASK_EVEN);
    EXPECT_EQ(glide::FindMipMap(all)->memoryBytes, 174762u);
    EXPECT_EQ(glide::FindMipMap(odd)->memoryBytes + glide::FindMipMap(even)->memoryBytes, 174762u);
    // Odd levels 128, 32, 8, 2: (16384 + 1024 + 64 + 4) texels of 2 bytes.
    EXPECT_EQ(glide::FindMipMap(odd)->memoryBytes, 34952u);
    const glide::MipMap* last = glide::FindMipMap(even);
    EXPECT_EQ(glide::TextureMemoryFree(), glide::kTextureMemoryBytes - (last->memoryOffset + last->memoryBytes));
}

TEST_F(TextureMemoryTest, BadArgumentsGetTheNullHandle) {
    auto allocate = [](GrChipID_t tmu, int mask, int w, int h, GrTextureFormat_t format, GrLOD_t small,
                       GrLOD_t large, GrAspectRatio_t aspect) {
        return guTexAllocateMemory(tmu, static_cast<FxU8>(mask), w, h, format, GR_MIPMAP_NEAREST, small, large, aspect,
                                   GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
                                   GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
    };
    constexpr GrTextureFormat_t k565 = GR_TEXFMT_RGB_565;
    constexpr GrMipMapId_t kNull = GR_NULL_MIPMAP_HANDLE;
    EXPECT_NE(allocate(GR_TMU0, 3, 64, 64, k565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1), kNull);
    EXPECT_EQ(allocate(GR_TMU1, 3, 64, 64, k565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1), kNull);  // one unit only
    EXPECT_EQ(allocate(GR_TMU0, 0, 64, 64, k565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1), kNull);  // empty mask
    EXPECT_EQ(allocate(GR_TMU0, 3, 64, 64, 6, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1), kNull);     // no format 6
    EXPECT_EQ(allocate(GR_TMU0, 3, 64, 64, k565, GR_LOD_64, GR_LOD_1, GR_ASPECT_1x1), kNull);  // range reversed
    EXPECT_EQ(allocate(GR_TMU0, 3, 64, 64, k565, 9, GR_LOD_64, GR_ASPECT_1x1), kNull);
    EXPECT_EQ(allocate(GR_TMU0, 3, 64, 64, k565, GR_LOD_1, GR_LOD_64, 7), kNull);
    EXPECT_EQ(allocate(GR_TMU0, 3, 64, 32, k565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1), kNull);  // size vs LOD
    // Only the first took memory.
    EXPECT_EQ(glide::TextureMemoryFree(),
              glide::kTextureMemoryBytes - glide::TextureBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1));
    // Unknown handles are ignored.
    EXPECT_EQ(glide::FindMipMap(GR_NULL_MIPMAP_HANDLE), nullptr);
    EXPECT_EQ(glide::FindMipMap(12345), nullptr);
    const std::uint8_t data[4] = {};
    guTexDownloadMipMap(GR_NULL_MIPMAP_HANDLE, data, nullptr);
    guTexDownloadMipMap(99, data, nullptr);
}

// rgb565 levels 8x8, 4x4, 2x2, 1x1 (GR_LOD_8 .. GR_LOD_1), each one colour,
// laid out as gu3dfLoad leaves them.
std::vector<std::uint16_t> FourLevels() {
    std::vector<std::uint16_t> data;
    const std::uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    int edge = 8;
    for (std::uint16_t c : colours) {
        data.insert(data.end(), static_cast<std::size_t>(edge * edge), c);
        edge /= 2;
    }
    return data;
}

TEST_F(TextureMemoryTest, MasksTakeTheirLevelsFromTheWholeChain) {
    const std::vector<std::uint16_t> data = FourLevels();
    const std::uint32_t expected[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (FxU8 mask : {FxU8{GR_MIPMAPLEVELMASK_BOTH}, FxU8{GR_MIPMAPLEVELMASK_ODD}, FxU8{GR_MIPMAPLEVELMASK_EVEN}}) {
        SCOPED_TRACE(int{mask});
        const GrMipMapId_t handle = Allocate(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_8, GR_ASPECT_1x1, mask);
        ASSERT_NE(handle, GR_NULL_MIPMAP_HANDLE);
        const glide::MipMap* mip = glide::FindMipMap(handle);
        EXPECT_FALSE(mip->downloaded);
        guTexDownloadMipMap(handle, data.data(), nullptr);
        EXPECT_TRUE(mip->downloaded);
        for (GrLOD_t lod = GR_LOD_256; lod <= GR_LOD_1; ++lod) {
            const bool inRange = lod >= GR_LOD_8;
            // GR_LOD_8 (5) and GR_LOD_2 (7) are odd; GR_LOD_4 (6) and GR_LOD_1 (8) even.
            const int parity = (lod & 1) ? GR_MIPMAPLEVELMASK_ODD : GR_MIPMAPLEVELMASK_EVEN;
            const bool kept = inRange && (mask & parity) != 0;
            const glide::TextureLevel& level = mip->levels[lod];
            if (!kept) {
                EXPECT_EQ(level.texels, nullptr) << lod;
                continue;
            }
            ASSERT_NE(level.texels, nullptr) << lod;
            const int edge = 256 >> lod;
            EXPECT_EQ(level.width, edge);
            EXPECT_EQ(level.height, edge);
            EXPECT_EQ(1 << level.widthLog2, edge);
            for (int i = 0; i < edge * edge; ++i) ASSERT_EQ(level.texels[i], expected[lod - GR_LOD_8]) << lod;
        }
    }
}

TEST_F(TextureMemoryTest, MaskWithNoLevelsInRangeStillGivesAHandle) {
    // A single 256 level has no odd level: the system still asks for it.
    const GrMipMapId_t odd = Allocate(GR_TEXFMT_RGB_565, GR_LOD_256, GR_LOD_256, GR_ASPECT_1x1, GR_MIPMAPLEVELMASK_ODD);
    ASSERT_NE(odd, GR_NULL_MIPMAP_HANDLE);
    EXPECT_EQ(glide::FindMipMap(odd)->memoryBytes, 0u);
    EXPECT_EQ(glide::TextureMemoryFree(), glide::kTextureMemoryBytes);
    std::vector<std::uint16_t> data(256 * 256, 0x1234);
    guTexDownloadMipMap(odd, data.data(), nullptr);
    for (const glide::TextureLevel& level : glide::FindMipMap(odd)->levels) EXPECT_EQ(level.texels, nullptr);
}

TEST_F(TextureMemoryTest, TableFormatsNeedTheirTable) {
    const GrMipMapId_t p8 = Allocate(GR_TEXFMT_P_8, GR_LOD_2, GR_LOD_2);
    const std::uint8_t texels[4] = {0, 1, 2, 3};
    guTexDownloadMipMap(p8, texels, nullptr);  // no palette: stays undownloaded
    EXPECT_FALSE(glide::FindMipMap(p8)->downloaded);
    // The system hands over the info record's table; the palette is read
    // through it.
    Gu3dfInfo info{};
    for (int i = 0; i < 4; ++i) info.table.palette.data[i] = 0x00100000u * static_cast<std::uint32_t>(i + 1);
    guTexDownloadMipMap(p8, texels, &info.table.nccTable);
    const glide::TextureLevel& level = glide::FindMipMap(p8)->levels[GR_LOD_2];
    ASSERT_NE(level.texels, nullptr);
    EXPECT_EQ(level.texels[3], 0xFF400000u);
    // Downloading again replaces the texels in place.
    const std::uint8_t other[4] = {3, 3, 3, 0};
    guTexDownloadMipMap(p8, other, &info.table.nccTable);
    EXPECT_EQ(level.texels[0], 0xFF400000u);
    EXPECT_EQ(level.texels[3], 0xFF100000u);
}

TEST_F(TextureMemoryTest, ArgbHelperKeepsPixelsExactly) {
    glide::ArgbImage top{4, 2, {}};
    for (std::uint32_t i = 0; i < 8; ++i) top.pixels.push_back(0x01020304u * (i + 1));
    const std::vector<glide::ArgbImage> chain = glide::BuildMipChain(top);
    const GrMipMapId_t handle = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_BOTH, GR_MIPMAP_DISABLE,
                                                          GR_TEXTURECLAMP_CLAMP, GR_TEXTURECLAMP_WRAP,
                                                          GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_BILINEAR,
                                                          0.5f, true);
    ASSERT_NE(handle, GR_NULL_MIPMAP_HANDLE);
    const glide::MipMap* mip = glide::FindMipMap(handle);
    EXPECT_EQ(mip->aspect, GR_ASPECT_2x1);
    EXPECT_EQ(mip->largeLod, GR_LOD_4);
    EXPECT_EQ(mip->smallLod, GR_LOD_1);
    EXPECT_EQ(mip->sClamp, GR_TEXTURECLAMP_CLAMP);
    EXPECT_EQ(mip->minFilter, GR_TEXTUREFILTER_POINT_SAMPLED);
    EXPECT_EQ(mip->mipmapMode, GR_MIPMAP_DISABLE);
    EXPECT_FLOAT_EQ(mip->lodBias, 0.5f);
    EXPECT_TRUE(mip->trilinear);
    EXPECT_EQ(mip->memoryBytes, 2u * (8 + 2 + 1));
    EXPECT_EQ(0, std::memcmp(mip->levels[GR_LOD_4].texels, top.pixels.data(), 8 * sizeof(std::uint32_t)));
    EXPECT_EQ(mip->levels[GR_LOD_1].texels[0], chain.back().pixels[0]);
    // Not a chain: refused.
    const glide::ArgbImage notPowerOfTwo{3, 2, std::vector<std::uint32_t>(6)};
    EXPECT_EQ(glide::AllocateArgbMipMap({notPowerOfTwo}), GR_NULL_MIPMAP_HANDLE);
}

}  // namespace
