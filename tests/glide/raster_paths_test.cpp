// The specialised span shaders against the generic reference path, pixel
// for pixel, and antialiased edges.
#include <cmath>
#include <cstddef>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "device.h"
#include "pixel/dither.h"
#include "gu3df_io.h"
#include "raster/pixel_batch.h"
#include "raster_test_support.h"
#include "raster/rasterizer.h"
#include "setup/shader_choice.h"

namespace raster_test {
namespace {

struct StateCase {
    GrColorCombineFnc_t colour;
    int texture;  // 0 none, 1 point, 2 bilinear, 3 trilinear (multi-pass), 4 mixed filters
    bool depth, fog, blend;
    int variant;  // picks the depth mode, function and mask, clamping, mip-mapping and origin
};

// Cuts each span into random pieces before shading: a span shader must
// give the same pixels however a row is split (tiles split rows).
glide::SpanShader gSplitShader = nullptr;
std::mt19937 gSplitRng;

void ShadeSplit(const glide::TriangleSetup& t, int y, int x0, int x1, glide::SpanCounters& counters) {
    while (x0 <= x1) {
        const int piece = std::uniform_int_distribution<int>(0, 19)(gSplitRng);
        const int end = x0 + piece > x1 ? x1 : x0 + piece;
        gSplitShader(t, y, x0, end, counters);
        x0 = end + 1;
    }
}

class Paths : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        std::vector<glide::ArgbImage> chain;
        std::mt19937 rng(7);
        for (int edge = 64; edge >= 1; edge /= 2) {
            glide::ArgbImage level;
            level.width = level.height = edge;
            for (int i = 0; i < edge * edge; ++i) level.pixels.push_back(rng() | 0xFF000000u);
            chain.push_back(level);
        }
        full_ = glide::AllocateArgbMipMap(chain);
        const GrTextureClampMode_t clamp = GR_TEXTURECLAMP_CLAMP, wrap = GR_TEXTURECLAMP_WRAP;
        clamped_ = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_BOTH, GR_MIPMAP_NEAREST, clamp, wrap);
        odd_ = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_ODD, GR_MIPMAP_NEAREST, wrap, clamp,
                                         GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, true);
        even_ = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_EVEN, GR_MIPMAP_NEAREST, wrap, clamp,
                                          GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, true);
        GrFog_t table[GR_FOG_TABLE_SIZE];
        guFogGenerateExp2(table, 0.01f);
        grFogTable(table);
        grFogColorValue(0x40608000u);
    }

    void Apply(const StateCase& c) {
        const int v = c.variant;
        guColorCombineFunction(c.colour);
        grConstantColorValue(0xC0A08080u);
        guTexSource(v % 2 ? clamped_ : full_);
        const GrMipMapMode_t mipmap[] = {GR_MIPMAP_NEAREST, GR_MIPMAP_NEAREST_DITHER, GR_MIPMAP_DISABLE};
        grTexMipMapMode(GR_TMU0, mipmap[v % 3], FXFALSE);
        grHints(GR_HINT_ALLOW_MIPMAP_DITHER, v % 5 < 3 ? 1 : 0);
        if (c.texture == 1) grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
        if (c.texture == 4) grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_BILINEAR);
        guMPTexSource(GR_TMU0, odd_);
        guMPTexSource(GR_TMU1, even_);
        const bool zBuffer = v % 4 == 3;
        grDepthBufferMode(!c.depth ? GR_DEPTHBUFFER_DISABLE : zBuffer ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_WBUFFER);
        const GrCmpFnc_t functions[] = {GR_CMP_LESS, GR_CMP_GEQUAL, GR_CMP_NOTEQUAL, GR_CMP_GREATER,
                                        GR_CMP_LEQUAL, GR_CMP_ALWAYS, GR_CMP_EQUAL};
        grDepthBufferFunction(functions[v % 7]);
        grDepthMask(v % 6 != 5 ? FXTRUE : FXFALSE);
        grFogMode(c.fog ? GR_FOG_WITH_TABLE : GR_FOG_DISABLE);
        if (c.blend) {
            grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
        } else {
            grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, GR_BLEND_ZERO);
        }
    }

    // Draws the same random triangles (large and small, some with NaN,
    // zero, negative or huge attributes) through the reference path or the
    // chosen one with randomly split spans; returns colour and depth
    // buffers and the counters, and whether every triangle took a
    // specialised shader.
    std::vector<std::uint64_t> Render(const StateCase& c, bool generic, bool* specialised) {
        Apply(c);
        grBufferClear(0x20304000u, 0, 0x8000);
        glide::Finish();
        std::mt19937 rng(1234 + c.variant);
        gSplitRng.seed(99);
        std::uniform_real_distribution<float> pos(-40.0f, 680.0f), col(0.0f, 255.0f), w(1.0f, 3000.0f),
            st(-300.0f, 600.0f), z(-2000.0f, 70000.0f), small(0.0f, 24.0f);
        const float odd[] = {std::nanf(""), 0.0f, -0.25f, 1.0e30f, -1.0e30f, 1.0e-30f};
        *specialised = true;
        glide::SpanCounters counters;
        glide::DrawContext ctx =
            glide::MakeDrawContext(c.texture == 3 ? glide::TextureUse::kMultipass : glide::TextureUse::kSingle);
        ctx.forceGeneric = generic;
        ctx.originUpperLeft = c.variant % 2 == 1;
        auto vertex = [&](float x, float y) {
            GrVertex v = V(x, y, col(rng), col(rng), col(rng), col(rng), 1.0f / w(rng));
            v.ooz = z(rng);
            v.tmuvtx[0].sow = st(rng) * v.oow;
            v.tmuvtx[0].tow = st(rng) * v.oow;
            return v;
        };
        for (int i = 0; i < 42; ++i) {
            GrVertex v[3];
            const float cx = pos(rng), cy = pos(rng) * 0.7f;
            for (GrVertex& x : v) {
                x = vertex(pos(rng), pos(rng) * 0.7f);
                if (i % 3 == 1) x.x = cx + small(rng), x.y = cy + small(rng);
            }
            if (i % 7 == 6) {
                const float value = odd[(i / 7) % 6];
                float* fields[] = {&v[0].oow, &v[1].tmuvtx[0].sow, &v[2].tmuvtx[0].tow, &v[0].r, &v[1].ooz, &v[2].a};
                *fields[(i / 7) % 6] = value;
                *fields[(i / 7 + 1) % 6] = value;
            }
            glide::TriangleSetup t;
            if (!glide::SetupTriangle(v[0], v[1], v[2], ctx, &t)) continue;
            if (t.shader == glide::GenericSpanShader()) *specialised = false;
            if (!generic) {
                gSplitShader = t.shader;
                t.shader = &ShadeSplit;
            }
            glide::RasterizeTriangle(t, counters);
        }
        // Tiny triangles piled on a few pixels: the fast path gathers their
        // pixels into batches, which must shade each pixel's triangles in
        // order however they pile up. Runs of them change only the constant
        // colour, as a flat colour per face does.
        glide::PixelBatch batch;
        if (!generic) counters.batch = &batch;
        std::uniform_real_distribution<float> nudge(0.0f, 2.5f), corner(300.0f, 316.0f);
        for (int i = 0; i < 600; ++i) {
            if (i % 100 >= 50) {
                grConstantColorValue(static_cast<GrColor_t>(rng()));
                ctx.stateGeneration = glide::StateGeneration();  // as a new draw call sees it
            }
            const float cx = corner(rng), cy = corner(rng) * 0.7f;
            GrVertex v[3];
            for (GrVertex& x : v) x = vertex(cx + nudge(rng), cy + nudge(rng));
            glide::TriangleSetup t;
            if (glide::SetupTriangle(v[0], v[1], v[2], ctx, &t)) glide::RasterizeTriangle(t, counters);
        }
        glide::FlushPixelBatch(batch, counters);
        const std::uint16_t* colour = glide::RenderTargetBuffer();
        const std::uint16_t* depth = glide::Buffers().depth;
        std::vector<std::uint64_t> out(colour, colour + kW * kH);
        out.insert(out.end(), depth, depth + kW * kH);
        out.push_back(counters.written);
        out.push_back(counters.depthFailed);
        return out;
    }

    GrMipMapId_t full_ = GR_NULL_MIPMAP_HANDLE, clamped_ = GR_NULL_MIPMAP_HANDLE, odd_ = GR_NULL_MIPMAP_HANDLE,
                 even_ = GR_NULL_MIPMAP_HANDLE;
};

std::uint64_t Hash(const std::vector<std::uint64_t>& values) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a over the values
    for (std::uint64_t v : values) h = (h ^ v) * 1099511628211ull;
    return h;
}

class PathsPerIsa : public Paths, public ::testing::WithParamInterface<std::string> {
protected:
    void TearDown() override {
        glide::SetPixelIsa("");
        Paths::TearDown();
    }
};

// Every instruction set this processor runs, "scalar" first.
TEST_P(PathsPerIsa, SpecialisedShadersEqualTheGenericPathPixelForPixel) {
    ASSERT_TRUE(glide::SetPixelIsa(GetParam()));
    EXPECT_EQ(glide::PixelIsa(), GetParam());
    std::vector<StateCase> cases;
    const GrColorCombineFnc_t untextured[] = {GR_COLORCOMBINE_CCRGB, GR_COLORCOMBINE_ITRGB};
    const GrColorCombineFnc_t textured[] = {GR_COLORCOMBINE_DECAL_TEXTURE, GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB,
                                            GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB};
    int variant = 0;
    for (int bits = 0; bits < 8; ++bits) {
        const bool depth = bits & 4, fog = bits & 2, blend = bits & 1;
        for (GrColorCombineFnc_t c : untextured) cases.push_back({c, 0, depth, fog, blend, variant++});
        for (GrColorCombineFnc_t c : textured) {
            for (int texture = 1; texture <= 3; ++texture) cases.push_back({c, texture, depth, fog, blend, variant++});
        }
    }
    for (const StateCase& c : cases) {
        bool specialised = false, unused = false;
        const std::vector<std::uint64_t> fast = Render(c, false, &specialised);
        EXPECT_TRUE(specialised) << c.colour << " " << c.texture;
        // The reference is the same for every instruction set: drawn once,
        // kept as a hash, drawn again only to count the differences.
        static std::map<int, std::uint64_t> referenceHashes;
        if (referenceHashes.count(c.variant) == 0) referenceHashes[c.variant] = Hash(Render(c, true, &unused));
        std::size_t differing = 0;
        if (Hash(fast) != referenceHashes[c.variant]) {
            const std::vector<std::uint64_t> reference = Render(c, true, &unused);
            for (std::size_t i = 0; i < fast.size(); ++i) differing += fast[i] != reference[i];
        }
        EXPECT_EQ(differing, 0u) << "colour " << c.colour << " texture " << c.texture << " depth " << c.depth
                                 << " fog " << c.fog << " blend " << c.blend << " variant " << c.variant
                                 << " (the last two values are the counters)";
    }
}

// Set-up's vector planes against the scalar ones, bit for bit: a plane one
// unit off seldom changes a pixel, so the planes are compared themselves.
TEST_P(PathsPerIsa, VectorPlanesEqualTheScalarPlanes) {
    ASSERT_TRUE(glide::SetPixelIsa(GetParam()));
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> pos(-50.0f, 700.0f), attr(-300.0f, 70000.0f), w(1.0e-4f, 2.0f);
    const float odd[] = {std::nanf(""), 1.0e30f, -1.0e30f, 1.0e-30f, 0.0f, -0.0f};
    glide::DrawContext vector = glide::MakeDrawContext(glide::TextureUse::kSingle), scalar = vector;
    scalar.forceGeneric = true;
    constexpr std::size_t from = offsetof(glide::TriangleSetup, r);
    constexpr std::size_t to = offsetof(glide::TriangleSetup, ooz) + sizeof(glide::FloatPlane);
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        GrVertex v[3];
        for (GrVertex& x : v) {
            x = V(pos(rng), pos(rng) * 0.7f, attr(rng), attr(rng), attr(rng), attr(rng), w(rng));
            x.ooz = attr(rng), x.tmuvtx[0].sow = attr(rng), x.tmuvtx[0].tow = attr(rng);
        }
        if (i % 5 == 4) v[i % 3].r = odd[i / 5 % 6], v[(i + 1) % 3].tmuvtx[0].tow = odd[(i / 5 + 1) % 6];
        if (i % 50 == 0) v[1].x = v[0].x + 0.07f, v[2].x = v[0].x + 0.01f;  // slivers: huge gradients
        glide::TriangleSetup a, b;
        const bool drawn = glide::SetupTriangle(v[0], v[1], v[2], vector, &a);
        ASSERT_EQ(drawn, glide::SetupTriangle(v[0], v[1], v[2], scalar, &b));
        if (!drawn) continue;
        ++compared;
        ASSERT_EQ(std::memcmp(reinterpret_cast<const char*>(&a) + from, reinterpret_cast<const char*>(&b) + from,
                              to - from), 0) << "triangle " << i;
    }
    EXPECT_GT(compared, 5000);
}

// Every 8-bit value in every dither cell, as spans and as blocks: the lanes
// work the dither rule out instead of reading the scalar path's tables.
TEST_P(PathsPerIsa, DitherOfEveryValueInEveryCellMatchesTheScalarPath) {
    auto draw = [](const std::string& isa) {
        EXPECT_TRUE(glide::SetPixelIsa(isa));
        guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
        grBufferClear(0, 0, 0xFFFF);
        for (int v = 0; v < 256; ++v) {
            const float x = static_cast<float>(v % 16 * 12), y = static_cast<float>(v / 16 * 12);
            const float size = v % 2 ? 8.0f : 11.0f;  // blocks and spans
            const float value = static_cast<float>(v);
            const GrVertex a = V(x, y, value, 255 - value, value), b = V(x + size, y, value, 255 - value, value),
                           c = V(x + size, y + size, value, 255 - value, value),
                           d = V(x, y + size, value, 255 - value, value);
            grDrawTriangle(&a, &b, &c);
            grDrawTriangle(&a, &c, &d);
        }
        return Read();
    };
    const std::vector<std::uint16_t> reference = draw("scalar");
    EXPECT_EQ(draw(GetParam()), reference);
    EXPECT_GT(CountNonZero(reference), 256u * 64u);
}

// A floor receding to the horizon, each mip level a different colour, with
// every mip-map mode: the level changes along many rows, and a span whose
// level is taken as one for all its pixels must draw what the pixels would.
TEST_P(PathsPerIsa, LevelBandsOfAPerspectiveFloorMatchTheScalarPath) {
    const std::uint32_t colours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u,
                                     0xFF00FFFFu, 0xFFFF00FFu, 0xFFFFFFFFu};
    std::vector<glide::ArgbImage> chain;
    for (int edge = 64, i = 0; edge >= 1; edge /= 2, ++i) {
        glide::ArgbImage level;
        level.width = level.height = edge;
        level.pixels.assign(static_cast<std::size_t>(edge) * edge, colours[i]);
        chain.push_back(level);
    }
    const GrTextureClampMode_t wrap = GR_TEXTURECLAMP_WRAP;
    const GrTextureFilterMode_t bilinear = GR_TEXTUREFILTER_BILINEAR;
    const GrMipMapId_t bands[] = {
        glide::AllocateArgbMipMap(chain),
        glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_BOTH, GR_MIPMAP_NEAREST, wrap, wrap, bilinear, bilinear,
                                  0.5f, false)};
    auto draw = [&bands](const std::string& isa, GrMipMapMode_t mode, int biased) {
        EXPECT_TRUE(glide::SetPixelIsa(isa));
        guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
        guTexSource(bands[biased]);
        grTexMipMapMode(GR_TMU0, mode, FXFALSE);
        grBufferClear(0, 0, 0xFFFF);
        // Near edge at the bottom (w = 1), far edge near the top (w = 300),
        // turned a little so that the bands cross the rows at a slant.
        const GrVertex a = VT(-200, 0, 0, 0, 1.0f), b = VT(840, 40, 4000, 0, 1.0f),
                       c = VT(380, 400, 4000, 9000, 1.0f / 300.0f), d = VT(250, 390, 0, 9000, 1.0f / 300.0f);
        grDrawTriangle(&a, &b, &c);
        grDrawTriangle(&a, &c, &d);
        return Read();
    };
    for (GrMipMapMode_t mode : {GR_MIPMAP_NEAREST, GR_MIPMAP_NEAREST_DITHER}) {
        for (int biased = 0; biased < 2; ++biased) {
            const std::vector<std::uint16_t> reference = draw("scalar", mode, biased);
            EXPECT_EQ(draw(GetParam(), mode, biased), reference) << "mode " << mode << " biased " << biased;
            std::set<std::uint16_t> shown(reference.begin(), reference.end());
            EXPECT_GE(shown.size(), 5u);  // several levels on screen
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryIsa, PathsPerIsa, ::testing::ValuesIn(glide::AvailablePixelIsas()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(PixelIsa, ChoosesAmongTheAvailableSetsOnly) {
    const std::vector<std::string> isas = glide::AvailablePixelIsas();
    ASSERT_FALSE(isas.empty());
    EXPECT_EQ(isas.front(), "scalar");
    EXPECT_EQ(glide::PixelIsa(), isas.back());  // the best by default
    EXPECT_FALSE(glide::SetPixelIsa("mmx"));
    EXPECT_EQ(glide::PixelIsa(), isas.back());
    EXPECT_TRUE(glide::SetPixelIsa("scalar"));
    EXPECT_EQ(glide::PixelIsa(), "scalar");
    EXPECT_TRUE(glide::SetPixelIsa(""));
    EXPECT_EQ(glide::PixelIsa(), isas.back());
}

// The path counters name the path each triangle took, and the fast paths
// that gave one back.
TEST_F(Paths, PathCountersNameThePathEachTriangleTook) {
    if (glide::AvailablePixelIsas().size() < 2) GTEST_SKIP() << "no vector instruction set";
    auto draw = [](float x, float y, float size, float red = 200) {
        const GrVertex a = V(x, y, red), b = V(x + size, y, red), c = V(x, y + size, red);
        grDrawTriangle(&a, &b, &c);
    };
    glide::ResetCounters();
    draw(100.5f, 100.5f, 3);   // batched
    draw(200.5f, 100.5f, 20);  // blocks
    draw(10.5f, 200.5f, 300);  // spans, in several tiles
    // Colour values beyond 32 bits: the batch and the blocks decline, and
    // vector spans (longer than two pixels) hand over to the generic shader.
    draw(430.5f, 100.5f, 3, 1.0e7f);
    draw(390.5f, 100.5f, 20, 1.0e7f);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO);  // no specialised shader
    draw(300.5f, 100.5f, 20);
    const glide::PathCounters p = glide::GetCounters().paths;
    EXPECT_EQ(p.batchTriangles, 1u);
    EXPECT_GT(p.batchPixels, 0u);
    EXPECT_EQ(p.blockTriangles, 1u);
    EXPECT_GE(p.vectorSpanTriangles, 4u);
    EXPECT_EQ(p.genericTriangles, 1u);
    EXPECT_EQ(p.batchDeclined, 1u);
    EXPECT_EQ(p.blockDeclined, 2u);
    EXPECT_GE(p.spanOverflows, 1u);
    EXPECT_EQ(p.scalarSpanTriangles, 0u);
    EXPECT_EQ(p.batchPixels + p.blockPixels + p.vectorSpanPixels + p.scalarSpanPixels + p.genericPixels,
              glide::GetCounters().pixelsWritten);
}

TEST_F(Paths, AntialiasedStripsOnlyOutsideFlaggedEdges) {
    SystemDepthAndBlend();
    const GrVertex a = V(100, 100, 255, 255, 255, 255, 0.5f), b = V(300, 100, 255, 255, 255, 255, 0.5f),
                   c = V(200, 300, 255, 255, 255, 255, 0.5f);
    grAADrawTriangle(&a, &b, &c, FXTRUE, FXFALSE, FXFALSE);
    const std::vector<std::uint16_t> pixels = Read();
    // Edge ab is the bottom edge at y = 100: the row below it fades.
    int faded = 0;
    for (int x = 110; x < 290; ++x) {
        const int r = Red(pixels[99 * kW + x]);
        EXPECT_GT(r, 60) << x;
        EXPECT_LT(r, 200) << x;
        faded += r > 0;
        EXPECT_EQ(pixels[98 * kW + x], 0) << x;
        // Strips never write depth.
        EXPECT_EQ(glide::Buffers().depth[99 * kW + x], 0xFFFF) << x;
    }
    EXPECT_EQ(faded, 180);
    // No strip beside the other two edges: outside them nothing changed.
    for (int y = 110; y < 290; ++y) {
        for (int x = 0; x < kW; ++x) {
            const double left = 100 + (y - 100) * 0.5, right = 300 - (y - 100) * 0.5;
            if (x + 0.5 < left - 0.01 || x + 0.5 > right + 0.01) {
                ASSERT_EQ(pixels[y * kW + x], 0) << x << "," << y;
            }
        }
    }
    // Winding does not change which side is outside.
    grBufferClear(0, 0, 0xFFFF);
    grAADrawTriangle(&a, &c, &b, FXFALSE, FXFALSE, FXTRUE);  // ba is the last edge now
    EXPECT_GT(Red(Pixel(200, 99)), 60);
    EXPECT_EQ(Pixel(200, 98), 0);
}

}  // namespace
}  // namespace raster_test
