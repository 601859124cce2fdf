// Reading 3DF files: the real fixture files and every kind of damaged file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "glide.h"
#include "gu3df_io.h"
#include "support/test_data.h"
#include "texture/texture_memory.h"

namespace {

std::string Fixture(const char* name) { return test_support::TestDataPath(std::string("3df/") + name); }

std::string TempPath(const char* name) {
    const std::filesystem::path dir = std::filesystem::path(TARNVIEW_BINARY_DIR) / "texmem_test_files";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string WriteBytes(const char* name, const std::string& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// GetInfo then Load the way the system does; the buffer is left in *data.
bool LoadLikeTheSystem(const std::string& path, Gu3dfInfo* info, std::vector<std::uint8_t>* data) {
    if (!gu3dfGetInfo(path.c_str(), info)) return false;
    data->assign(info->mem_required, 0);
    info->data = data->data();
    return gu3dfLoad(path.c_str(), info) != FXFALSE;
}

struct IntactFile {
    const char* name;
    GrTextureFormat_t format;
    GrLOD_t largeLod;
};

TEST(Gu3dfReadTest, IntactFixturesLoadWithTheirHeaders) {
    const IntactFile files[] = {
        {"alpha.3df", GR_TEXFMT_ALPHA_8, GR_LOD_256},     {"argb1555.3df", GR_TEXFMT_ARGB_1555, GR_LOD_256},
        {"argb4444.3df", GR_TEXFMT_ARGB_4444, GR_LOD_256}, {"argb8332.3df", GR_TEXFMT_ARGB_8332, GR_LOD_256},
        {"decal1.3df", GR_TEXFMT_RGB_565, GR_LOD_256},    {"lava-intact.3df", GR_TEXFMT_P_8, GR_LOD_256},
        {"light.3df", GR_TEXFMT_RGB_565, GR_LOD_64},      {"matt1.3df", GR_TEXFMT_RGB_565, GR_LOD_256},
        {"miro.3df", GR_TEXFMT_RGB_565, GR_LOD_256},      {"rgb332.3df", GR_TEXFMT_RGB_332, GR_LOD_256},
        {"rgb565.3df", GR_TEXFMT_RGB_565, GR_LOD_256},    {"yiq-intact.3df", GR_TEXFMT_YIQ_422, GR_LOD_256},
    };
    for (const IntactFile& f : files) {
        SCOPED_TRACE(f.name);
        Gu3dfInfo info{};
        std::vector<std::uint8_t> data;
        ASSERT_TRUE(LoadLikeTheSystem(Fixture(f.name), &info, &data));
        const FxU32 edge = static_cast<FxU32>(glide::LodEdge(f.largeLod));
        EXPECT_EQ(info.header.width, edge);
        EXPECT_EQ(info.header.height, edge);
        EXPECT_EQ(info.header.large_lod, f.largeLod);
        EXPECT_EQ(info.header.small_lod, GR_LOD_1);
        EXPECT_EQ(info.header.aspect_ratio, GR_ASPECT_1x1);
        EXPECT_EQ(info.header.format, f.format);
        // Texel count of the whole chain, times two for 16-bit formats.
        std::uint32_t texels = 0;
        for (FxU32 e = edge; e >= 1; e /= 2) texels += e * e;
        EXPECT_EQ(info.mem_required, texels * static_cast<std::uint32_t>(glide::TextureFormatBytes(f.format)));
        // The file is exactly header + table + texels (light.3df may carry one byte more).
        const auto fileSize = std::filesystem::file_size(Fixture(f.name));
        EXPECT_LE(info.mem_required, fileSize);
        EXPECT_GE(info.mem_required + 1200, fileSize);
    }
}

TEST(Gu3dfReadTest, TruncatedFixturesAreRefusedAtLoad) {
    for (const char* name : {"ap88-truncated.3df", "ayiq8422-truncated.3df", "lava-truncated.3df",
                             "p8-truncated.3df", "yiq-truncated.3df"}) {
        SCOPED_TRACE(name);
        Gu3dfInfo info{};
        EXPECT_TRUE(gu3dfGetInfo(Fixture(name).c_str(), &info));  // the header itself is sound
        std::vector<std::uint8_t> data(info.mem_required);
        info.data = data.data();
        EXPECT_FALSE(gu3dfLoad(Fixture(name).c_str(), &info));
        EXPECT_EQ(glide::Last3dfFailure().rfind("the file ends inside the ", 0), 0u) << glide::Last3dfFailure();
        std::string error;
        glide::Texture3df texture;
        EXPECT_FALSE(glide::Read3dfFile(Fixture(name).c_str(), &texture, &error));
        EXPECT_NE(error.find("ends inside"), std::string::npos) << error;
    }
}

TEST(Gu3dfReadTest, Argb8888IsNotAFormatOfTheBoard) {
    Gu3dfInfo info{};
    EXPECT_FALSE(gu3dfGetInfo(Fixture("argb8888.3df").c_str(), &info));
    std::string error;
    EXPECT_FALSE(glide::Read3dfHeader(Fixture("argb8888.3df").c_str(), nullptr, nullptr, &error));
    EXPECT_NE(error.find("unknown texture format \"argb8888\""), std::string::npos) << error;
}

// Known texels of the fixtures, decoded by hand from the bytes in the file.
TEST(Gu3dfReadTest, FixtureTexelsDecodeAsWorkedOutByHand) {
    glide::ResetTextureMemory();
    glide::Texture3df yiq, light, lava;
    ASSERT_TRUE(glide::Read3dfFile(Fixture("yiq-intact.3df").c_str(), &yiq));
    ASSERT_TRUE(glide::Read3dfFile(Fixture("light.3df").c_str(), &light));
    ASSERT_TRUE(glide::Read3dfFile(Fixture("lava-intact.3df").c_str(), &lava));

    // NCC table words: Y[2] = 0x36; I[3] = (-16, -17, -48); Q[2] = (-18, 23, 41).
    EXPECT_EQ(yiq.table.nccTable.yRGB[2], 0x36);
    EXPECT_EQ(yiq.table.nccTable.iRGB[3][2], -48);
    EXPECT_EQ(yiq.table.nccTable.qRGB[0][2], -128);  // stored as 0xff80
    // First texel 0x2e: Y index 2, I index 3, Q index 2 -> (20, 60, 47).
    glide::ArgbImage top;
    ASSERT_TRUE(glide::DecodeLevel(yiq, GR_LOD_256, &top));
    EXPECT_EQ(top.pixels[0], 0xFF143C2Fu);

    // light.3df starts with 0x39e7: r 7, g 15, b 7 -> (57, 60, 57).
    ASSERT_TRUE(glide::DecodeLevel(light, GR_LOD_64, &top));
    EXPECT_EQ(top.width, 64);
    EXPECT_EQ(top.pixels[0], 0xFF393C39u);

    // The palette's first entries are 0x00b50808 and 0x00ff7310.
    EXPECT_EQ(lava.table.palette.data[0], 0x00B50808u);
    EXPECT_EQ(lava.table.palette.data[1], 0x00FF7310u);
    ASSERT_TRUE(glide::DecodeLevel(lava, GR_LOD_256, &top));
    EXPECT_EQ(top.pixels[0], 0xFF000000u | lava.table.palette.data[lava.data[0]]);

    // The download decodes exactly as DecodeLevel does, for every level.
    const GrMipMapId_t handle = glide::AllocateTexture3df(yiq);
    ASSERT_NE(handle, GR_NULL_MIPMAP_HANDLE);
    const glide::MipMap* mip = glide::FindMipMap(handle);
    ASSERT_NE(mip, nullptr);
    for (GrLOD_t lod = GR_LOD_256; lod <= GR_LOD_1; ++lod) {
        glide::ArgbImage level;
        ASSERT_TRUE(glide::DecodeLevel(yiq, lod, &level));
        ASSERT_NE(mip->levels[lod].texels, nullptr);
        EXPECT_TRUE(std::equal(level.pixels.begin(), level.pixels.end(), mip->levels[lod].texels)) << lod;
    }
}

TEST(Gu3dfReadTest, HeaderVariantsThatAreAccepted) {
    const std::string texels(16 * 2 + 8 * 2 + 4 * 2 + 2 + 1 + 1, '\0');  // not all used
    struct Case {
        const char* header;
        FxU32 width, height;
        GrLOD_t small, large;
        GrAspectRatio_t aspect;
    };
    const Case cases[] = {
        {"3df v1.0\nRGB565\nlod range: 1 8\naspect ratio: 1 1\n", 8, 8, GR_LOD_1, GR_LOD_8, GR_ASPECT_1x1},
        {"3df v1.4\nrgb565\r\nlod range: 2 8\naspect ratio: 2 1\n", 8, 4, GR_LOD_2, GR_LOD_8, GR_ASPECT_2x1},
        {"3df v1.1\nrgb565\nlod range: 8 8\naspect ratio: 1 8\n", 1, 8, GR_LOD_8, GR_LOD_8, GR_ASPECT_1x8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        const std::string path = WriteBytes("variant.3df", std::string(c.header) + texels + texels);
        Gu3dfInfo info{};
        ASSERT_TRUE(gu3dfGetInfo(path.c_str(), &info));
        EXPECT_EQ(info.header.width, c.width);
        EXPECT_EQ(info.header.height, c.height);
        EXPECT_EQ(info.header.small_lod, c.small);
        EXPECT_EQ(info.header.large_lod, c.large);
        EXPECT_EQ(info.header.aspect_ratio, c.aspect);
        EXPECT_EQ(info.header.format, GR_TEXFMT_RGB_565);
        EXPECT_EQ(info.mem_required,
                  glide::TextureBytes(GR_TEXFMT_RGB_565, c.small, c.large, c.aspect));
    }
}

TEST(Gu3dfReadTest, BrokenHeadersAreRefusedWithAReason) {
    struct Case {
        const char* bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"", "not a 3DF file"},
        {"3dfx v1.1\nrgb565\nlod range: 1 8\naspect ratio: 1 1\n", "not a 3DF file"},
        {"3df v\nrgb565\nlod range: 1 8\naspect ratio: 1 1\n", "not a 3DF file"},
        {"3df v1.1\nrgb565", "ends before"},
        {"3df v1.1\nrgb888\nlod range: 1 8\naspect ratio: 1 1\n", "unknown texture format \"rgb888\""},
        {"3df v1.1\nrgb565\nlod range: 8 1\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: 1 512\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: 3 8\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: 1\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: 1 8 16\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: -1 8\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: 1 99999999999999999999\naspect ratio: 1 1\n", "lod range"},
        {"3df v1.1\nrgb565\nlod range: 1 8\naspect ratio: 16 1\n", "aspect ratio"},
        {"3df v1.1\nrgb565\nlod range: 1 8\naspect ratio: 2 2\n", "aspect ratio"},
        {"3df v1.1\nrgb565\nlod range: 1 8\naspect ratio: 1 3\n", "aspect ratio"},
        {"3df v1.1\nrgb565\nlod range: 1 8\nsize: 1 1\n", "aspect ratio"},
        {"3df v1.1\nrgb565\nlod range: 1 8\naspect ratio: 1 1", "ends before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = WriteBytes("broken.3df", c.bytes + std::string(200, '\x11'));
        Gu3dfInfo info{};
        EXPECT_FALSE(gu3dfGetInfo(path.c_str(), &info));
        std::string error;
        EXPECT_FALSE(glide::Read3dfHeader(path.c_str(), nullptr, nullptr, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind(path, 0), 0u) << "the message names the file: " << error;
    }
    // An overlong first line and a file that is not there.
    const std::string longLine = WriteBytes("long.3df", std::string(100000, 'x'));
    Gu3dfInfo info{};
    EXPECT_FALSE(gu3dfGetInfo(longLine.c_str(), &info));
    EXPECT_FALSE(gu3dfGetInfo(TempPath("missing.3df").c_str(), &info));
    EXPECT_FALSE(gu3dfGetInfo(TempPath("").c_str(), &info));  // a directory
    EXPECT_FALSE(gu3dfGetInfo(nullptr, &info));
    EXPECT_FALSE(gu3dfGetInfo(Fixture("rgb565.3df").c_str(), nullptr));
}

TEST(Gu3dfReadTest, LoadRefusesWhatItCannotWriteSafely) {
    // Truncated inside the NCC table and inside the palette.
    const std::string nccPath =
        WriteBytes("short-ncc.3df", std::string("3df v1.1\nyiq\nlod range: 1 1\naspect ratio: 1 1\n") +
                                        std::string(79, '\0'));
    const std::string palPath =
        WriteBytes("short-pal.3df", std::string("3df v1.1\nap88\nlod range: 1 1\naspect ratio: 1 1\n") +
                                        std::string(1023, '\0'));
    for (const std::string& path : {nccPath, palPath}) {
        Gu3dfInfo info{};
        ASSERT_TRUE(gu3dfGetInfo(path.c_str(), &info));
        std::vector<std::uint8_t> data(info.mem_required);
        info.data = data.data();
        EXPECT_FALSE(gu3dfLoad(path.c_str(), &info)) << path;
        EXPECT_EQ(glide::Last3dfFailure(), path == nccPath ? "the file ends inside the NCC table"
                                                           : "the file ends inside the palette");
    }
    // No destination, or one smaller than the file needs; each says why,
    // and a success leaves no reason behind.
    Gu3dfInfo info{};
    ASSERT_TRUE(gu3dfGetInfo(Fixture("rgb565.3df").c_str(), &info));
    EXPECT_TRUE(glide::Last3dfFailure().empty());
    EXPECT_FALSE(gu3dfLoad(Fixture("rgb565.3df").c_str(), &info));  // data is still null
    EXPECT_EQ(glide::Last3dfFailure(), "no buffer for the texels");
    std::vector<std::uint8_t> small(16);
    info.data = small.data();
    info.mem_required = static_cast<FxU32>(small.size());
    EXPECT_FALSE(gu3dfLoad(Fixture("rgb565.3df").c_str(), &info));
    EXPECT_NE(glide::Last3dfFailure().find("more than the 16 its info gave"), std::string::npos);
}

TEST(Gu3dfReadTest, EveryShortenedFileIsRefusedAndNeverOverrun) {
    // A valid ap88 file (palette and 16-bit texels), cut at every length.
    glide::Texture3df t;
    t.header = {4, 2, GR_LOD_1, GR_LOD_4, GR_ASPECT_2x1, GR_TEXFMT_AP_88};
    for (int i = 0; i < 256; ++i) t.table.palette.data[i] = static_cast<std::uint32_t>(i);
    t.data.assign(glide::TextureBytes(GR_TEXFMT_AP_88, GR_LOD_1, GR_LOD_4, GR_ASPECT_2x1), 0x42);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(glide::Serialize3df(t, &bytes));
    const std::string whole(bytes.begin(), bytes.end());
    for (std::size_t length = 0; length <= whole.size(); length += (length < 60 ? 1 : 97)) {
        const std::size_t cut = std::min(length, whole.size());
        const std::string path = WriteBytes("cut.3df", whole.substr(0, cut));
        Gu3dfInfo info{};
        if (!gu3dfGetInfo(path.c_str(), &info)) continue;
        // A guard after the buffer shows any write past mem_required.
        std::vector<std::uint8_t> data(info.mem_required + 16, 0xEE);
        info.data = data.data();
        EXPECT_EQ(gu3dfLoad(path.c_str(), &info) != FXFALSE, cut == whole.size()) << cut;
        for (std::size_t g = info.mem_required; g < data.size(); ++g) ASSERT_EQ(data[g], 0xEE) << cut;
    }
    const std::string path = WriteBytes("whole.3df", whole);
    Gu3dfInfo info{};
    ASSERT_TRUE(gu3dfGetInfo(path.c_str(), &info));
    std::vector<std::uint8_t> data(info.mem_required);
    info.data = data.data();
    ASSERT_TRUE(gu3dfLoad(path.c_str(), &info));
    EXPECT_EQ(info.table.palette.data[255], 255u);
}

}  // namespace
