// Drawing behind the API on worker threads: a mixed scene (every kind of
// command, state changes, a texture replaced and a fog table changed
// between draws that used the old ones, read-backs in the middle, piles of
// tiny triangles before each) gives the inline path's pixels and counters
// at every thread count, also when a few commands already fill a batch.
#include <algorithm>
#include <random>
#include <vector>

#include "device.h"
#include "glide_parallel.h"
#include "queue/tile_queue.h"
#include "raster_test_support.h"

namespace raster_test {
namespace {

struct Drawn {
    std::vector<std::uint16_t> colour, depth, middle;
    glide::DeviceCounters counters;
};

std::vector<std::uint16_t> Checker(std::uint16_t a, std::uint16_t b) {
    std::vector<std::uint16_t> texels(64 * 64);
    for (int i = 0; i < 64 * 64; ++i) texels[i] = ((i % 64) / 8 + (i / 64) / 8) % 2 ? a : b;
    return texels;
}

std::vector<std::uint16_t> ReadBack(GrBuffer_t buffer) {
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kW) * kH);
    EXPECT_TRUE(grLfbReadRegion(buffer, 0, 0, kW, kH, kW * 2, pixels.data()));
    return pixels;
}

void RandomTriangles(std::mt19937& rng, int count, bool aa) {
    std::uniform_real_distribution<float> pos(-60.0f, 700.0f), col(0.0f, 255.0f), w(1.0f, 400.0f),
        st(-100.0f, 300.0f);
    for (int i = 0; i < count; ++i) {
        GrVertex v[3];
        const float x = pos(rng), y = pos(rng) * 0.7f;
        // Mostly small triangles (one or two tiles), some large ones.
        const float size = i % 5 == 0 ? 400.0f : 24.0f;
        std::uniform_real_distribution<float> near(-size, size);
        for (GrVertex& p : v) {
            p = V(x + near(rng), y + near(rng), col(rng), col(rng), col(rng), col(rng), 1.0f / w(rng));
            p.tmuvtx[0].sow = st(rng) * p.oow;
            p.tmuvtx[0].tow = st(rng) * p.oow;
        }
        if (aa) {
            grAADrawTriangle(&v[0], &v[1], &v[2], FXTRUE, i % 2 ? FXTRUE : FXFALSE, FXTRUE);
        } else {
            grDrawTriangle(&v[0], &v[1], &v[2]);
        }
    }
}

void Lines(std::mt19937& rng, int count) {
    std::uniform_real_distribution<float> pos(-100.0f, 740.0f), col(0.0f, 255.0f);
    for (int i = 0; i < count; ++i) {
        const GrVertex a = V(pos(rng), pos(rng), col(rng), col(rng), col(rng)),
                       b = V(pos(rng), pos(rng), col(rng), col(rng), col(rng));
        grDrawLine(&a, &b);
    }
}

// Tiny triangles piled on a spot (their pixels are gathered into batches
// across triangles), then maybe a line across the spot: every later command
// must see the pile's pixels.
void TinyPile(std::mt19937& rng, float cx, float cy, bool line = true) {
    std::uniform_real_distribution<float> at(-6.0f, 6.0f), nudge(0.0f, 2.5f), col(0.0f, 255.0f), w(1.0f, 400.0f),
        st(-100.0f, 300.0f);
    for (int i = 0; i < 150; ++i) {
        const float x = cx + at(rng), y = cy + at(rng);
        GrVertex v[3];
        for (GrVertex& p : v) {
            p = V(x + nudge(rng), y + nudge(rng), col(rng), col(rng), col(rng), col(rng), 1.0f / w(rng));
            p.tmuvtx[0].sow = st(rng) * p.oow;
            p.tmuvtx[0].tow = st(rng) * p.oow;
        }
        grDrawTriangle(&v[0], &v[1], &v[2]);
    }
    if (!line) return;
    const GrVertex a = V(cx - 9.0f, cy - 4.0f, 0, 255, 0), b = V(cx + 9.0f, cy + 5.0f, 0, 255, 0);
    grDrawLine(&a, &b);
}

// Every kind of command with the state changes between them; `modes`: the
// frames' draw modes before and after the swap (nullptr: queued).
Drawn DrawMixedScene(int threads, int batchCapacity, const char* modes = nullptr) {
    glide::SetThreadCount(threads);
    glide::SetTileBatchCapacityForTesting(batchCapacity);
    glide::SetDrawModesForTesting(modes);
    glide::SetDisplayOutput(nullptr);
    grGlideInit();
    EXPECT_TRUE(grSstQueryHardware(nullptr));
    EXPECT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT,
                          GR_SMOOTHING_DISABLE, 2));
    EXPECT_EQ(glide::ThreadCount(), threads);
    glide::ResetCounters();
    std::mt19937 rng(77);
    Drawn run;

    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);
    grBufferClear(0x00102030u, 0, 0xFFFF);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_NONE, FXFALSE);
    RandomTriangles(rng, 80, false);
    TinyPile(rng, 100.0f, 100.0f);
    Lines(rng, 30);

    // Textured and fogged, blended; the texture and the fog table are then
    // replaced while the draws that used them may still be queued.
    std::vector<std::uint16_t> texels = Checker(0xF800, 0x001F);
    const GrMipMapId_t texture =
        guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565, GR_MIPMAP_NEAREST, GR_LOD_64,
                            GR_LOD_64, GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                            GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
    guTexDownloadMipMap(texture, texels.data(), nullptr);
    guTexSource(texture);
    guColorCombineFunction(GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    GrFog_t fog[GR_FOG_TABLE_SIZE];
    guFogGenerateExp2(fog, 0.01f);
    grFogTable(fog);
    grFogColorValue(0x0080FF40u);
    grFogMode(GR_FOG_WITH_TABLE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
    RandomTriangles(rng, 80, false);
    TinyPile(rng, 300.0f, 200.0f, false);
    texels = Checker(0x07E0, 0xFFFF);
    guTexDownloadMipMap(texture, texels.data(), nullptr);
    guFogGenerateExp2(fog, 0.002f);
    grFogTable(fog);
    TinyPile(rng, 300.0f, 200.0f);
    RandomTriangles(rng, 40, true);
    TinyPile(rng, 500.0f, 300.0f, false);

    // A read-back in the middle sees every draw before it.
    run.middle = ReadBack(GR_BUFFER_BACKBUFFER);
    grFogMode(GR_FOG_DISABLE);
    grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
    grDepthBufferFunction(GR_CMP_GEQUAL);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    RandomTriangles(rng, 60, true);
    Lines(rng, 20);

    // The front buffer as a render target, then a swap and a partly drawn
    // new back buffer over a clear that keeps depth.
    grRenderBuffer(GR_BUFFER_FRONTBUFFER);
    RandomTriangles(rng, 20, false);
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grBufferSwap(0);
    grDepthBufferFunction(GR_CMP_ALWAYS);
    TinyPile(rng, 200.0f, 400.0f, false);
    grDepthMask(FXFALSE);
    grBufferClear(0x00405060u, 0, 0);
    RandomTriangles(rng, 30, false);
    TinyPile(rng, 400.0f, 50.0f, false);

    run.colour = ReadBack(GR_BUFFER_FRONTBUFFER);
    const std::vector<std::uint16_t> back = ReadBack(GR_BUFFER_BACKBUFFER);
    run.colour.insert(run.colour.end(), back.begin(), back.end());
    run.depth.assign(glide::Buffers().depth, glide::Buffers().depth + kW * kH);
    run.counters = glide::GetCounters();
    grGlideShutdown();
    glide::SetThreadCount(0);
    glide::SetTileBatchCapacityForTesting(0);
    glide::SetDrawModesForTesting(nullptr);
    return run;
}

TEST(Threads, EveryThreadCountAndBatchSizeDrawsTheInlinePixelsAndCounts) {
    const Drawn reference = DrawMixedScene(1, 0);
    EXPECT_GT(reference.counters.trianglesDrawn, 200u);
    EXPECT_GT(reference.counters.pixelsDepthFailed, 1000u);
    struct Case {
        int threads, capacity;
        const char* modes;  // a frame inline, then one queued, or the other way round
    };
    std::vector<Case> cases;
    for (int threads : {2, 3, 8}) {
        for (int capacity : {0, 3}) cases.push_back({threads, capacity, nullptr});
    }
    for (const char* modes : {"IQ", "QI"}) cases.push_back({2, 3, modes}), cases.push_back({8, 0, modes});
    for (const Case& c : cases) {
        const Drawn run = DrawMixedScene(c.threads, c.capacity, c.modes);
        const std::string what = std::to_string(c.threads) + " threads, batch " + std::to_string(c.capacity) +
                                 ", modes " + (c.modes != nullptr ? c.modes : "queued");
        EXPECT_EQ(run.counters.framesInline, c.modes != nullptr && c.modes[0] == 'I' ? 1u : 0u) << what;
        EXPECT_TRUE(run.middle == reference.middle) << what;
        EXPECT_TRUE(run.colour == reference.colour) << what;
        EXPECT_TRUE(run.depth == reference.depth) << what;
        EXPECT_EQ(run.counters.trianglesSubmitted, reference.counters.trianglesSubmitted) << what;
        EXPECT_EQ(run.counters.trianglesDrawn, reference.counters.trianglesDrawn) << what;
        EXPECT_EQ(run.counters.pixelsWritten, reference.counters.pixelsWritten) << what;
        EXPECT_EQ(run.counters.pixelsDepthFailed, reference.counters.pixelsDepthFailed) << what;
    }
}

// Count-only mode queues nothing; a screenshot right after draws holds them.
TEST(Threads, CountOnlyModeAndScreenshotsWithWorkers) {
    glide::SetThreadCount(2);
    glide::SetDisplayOutput(nullptr);
    grGlideInit();
    ASSERT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
                          GR_SMOOTHING_DISABLE, 2));
    grRenderBuffer(GR_BUFFER_FRONTBUFFER);
    grBufferClear(0, 0, 0);
    glide::SetRasterizationEnabled(false);
    const GrVertex a = V(0, 0), b = V(640, 0), c = V(0, 480);
    grDrawTriangle(&a, &b, &c);
    glide::SetRasterizationEnabled(true);
    glide::DeviceCounters counters = glide::GetCounters();
    EXPECT_EQ(counters.trianglesSubmitted, 1u);
    EXPECT_EQ(counters.pixelsWritten, 0u);
    grDrawTriangle(&a, &b, &c);
    const std::string path = std::string(TARNVIEW_BINARY_DIR) + "/raster_threads_screenshot.png";
    ASSERT_TRUE(glide::WriteScreenshotPng(path.c_str()));
    EXPECT_NE(glide::ColourBuffer(GR_BUFFER_FRONTBUFFER)[kW + 1], 0);
    counters = glide::GetCounters();
    EXPECT_EQ(counters.trianglesDrawn, 1u);
    EXPECT_GT(counters.pixelsWritten, 150000u);  // half the screen
    EXPECT_LT(counters.pixelsWritten, 157000u);
    grGlideShutdown();
    glide::SetThreadCount(0);
}

// The device's threads lent to the program: every item of job after job
// runs exactly once (each writes only its own element, so an item run twice
// or on two threads at once shows in the counts or to the thread
// sanitizer), while tiles queued before are still drawing.
TEST(Threads, ParallelItemsRunOnceEachOnTheDeviceThreads) {
    for (int threads : {1, 2, 8}) {
        glide::SetThreadCount(threads);
        glide::SetDisplayOutput(nullptr);
        grGlideInit();
        ASSERT_TRUE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
                              GR_SMOOTHING_DISABLE, 2));
        EXPECT_EQ(glide::ParallelThreads(), threads);
        std::mt19937 rng(7);
        std::vector<int> runs;
        for (int job = 0; job < 200; ++job) {
            if (job % 50 == 0) RandomTriangles(rng, 100, false);
            runs.assign(static_cast<std::size_t>(job % 37), 0);
            glide::RunParallel(
                runs.size(), [](void* context, std::size_t item) { ++(*static_cast<std::vector<int>*>(context))[item]; },
                &runs);
            EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), static_cast<long>(runs.size())) << threads;
        }
        grGlideShutdown();
    }
    glide::SetThreadCount(0);
}

#if GLIDE_CONTRACTS
// A slot from BeginTriangle goes back to exactly one commit: the checking
// builds (contract.h) stop a second commit of the same slot.
TEST(ThreadsDeathTest, ASlotIsCommittedOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto commitTwice = [] {
        glide::SetThreadCount(2);
        glide::SetDisplayOutput(nullptr);
        grGlideInit();
        grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
                  GR_SMOOTHING_DISABLE, 2);
        const GrVertex a = V(10, 10), b = V(20, 10), c = V(10, 20);
        glide::SnappedTriangle s;
        glide::SnapTriangle(a, b, c, false, &s);
        const glide::TriangleSlot slot = glide::BeginTriangle();
        glide::SetupPixelState(glide::MakeDrawContext(glide::TextureUse::kSingle), &slot.Setup());
        glide::CommitSnappedTriangle(slot, s, true);
        glide::CommitSnappedTriangle(slot, s, true);
    };
    EXPECT_DEATH(commitTwice(), "contract broken");
}
#endif

}  // namespace
}  // namespace raster_test
