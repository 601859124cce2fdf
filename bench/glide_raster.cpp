// Fill rate and triangle rate of the software accelerator.
//
// Each run prints Mpixels/s (pixels that reached the colour buffer) and
// Mtriangles/s. "plain" state: no depth, fog or blending. "system" state: what
// the viewer sets up (W-buffer, table fog, source-alpha blending), with
// alpha 200 so every pixel really blends and a depth test that always
// passes so repeated triangles keep drawing.
//
// Every run takes the device's thread count as its last argument. One
// iteration draws a batch of triangles spread over the screen and waits for
// the device (glide::Finish), so queued work is inside the timed loop.
// Built with TARNVIEW_BASELINE (against a tree from before threads existed)
// only the one-thread runs are registered, for before/after comparisons.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "glide.h"
#include "glide_device.h"
#include "gu3df_io.h"
#ifndef TARNVIEW_BASELINE
#include "device.h"
#include "setup/triangle_setup.h"
#endif

namespace {

enum class State { kPlain, kSystem };
enum class Shade { kFlat, kGouraud };

#ifdef TARNVIEW_BASELINE
const std::vector<std::int64_t> kThreadCounts = {1};
void SetThreads(int) {}
void WaitForDevice() {}
#else
const std::vector<std::int64_t> kThreadCounts = {1, 2};
void SetThreads(int threads) { glide::SetThreadCount(threads); }
void WaitForDevice() { glide::Finish(); }
#endif

void OpenDevice(int threads) {
    glide::SetDisplayOutput(nullptr);
    grGlideInit();
    SetThreads(threads);
    grSstQueryHardware(nullptr);
    grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
              GR_SMOOTHING_DISABLE, 2);
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_NONE,
                   GR_COMBINE_OTHER_ITERATED, FXFALSE);
    guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
}

void ApplyState(State state) {
    if (state == State::kSystem) {
        grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
        grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
        grDepthBufferFunction(GR_CMP_ALWAYS);
        grDepthMask(FXTRUE);
        GrFog_t table[GR_FOG_TABLE_SIZE];
        guFogGenerateExp2(table, 0.002f);
        grFogTable(table);
        grFogColorValue(0x404040FFu);
        grFogMode(GR_FOG_WITH_TABLE);
    } else {
        grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, GR_BLEND_ZERO);
        grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
        grFogMode(GR_FOG_DISABLE);
    }
    grBufferClear(0, 0, 0xFFFF);
}

// Right triangles of about `pixels` pixels at positions spread over the screen.
std::vector<GrVertex> MakeTriangles(double pixels, float alpha, bool textured) {
    const float leg = static_cast<float>(std::sqrt(2.0 * pixels));
    std::vector<GrVertex> v;
    int k = 0;
    for (float y = 0.37f; y + leg < 480.0f; y += leg + 3.0f) {
        for (float x = 0.61f; x + leg < 640.0f; x += leg + 5.0f, ++k) {
            const float oow = 1.0f / (50.0f + static_cast<float>(k % 97) * 20.0f);
            GrVertex a{}, b{}, c{};
            a.x = x, a.y = y, b.x = x + leg, b.y = y + leg * 0.1f, c.x = x + leg * 0.2f, c.y = y + leg;
            a.r = 250, a.g = 30, a.b = 60, b.r = 20, b.g = 240, b.b = 100, c.r = 90, c.g = 10, c.b = 230;
            for (GrVertex* p : {&a, &b, &c}) {
                p->a = alpha;
                p->oow = oow;
                if (textured) {
                    p->tmuvtx[0].sow = (p->x * 1.7f) * oow;
                    p->tmuvtx[0].tow = (p->y * 1.3f) * oow;
                }
            }
            v.insert(v.end(), {a, b, c});
            if (v.size() >= 3000) return v;
        }
    }
    return v;
}

// Draws the whole list of triangles per iteration and waits for the device.
template <typename Draw>
void RunTriangles(benchmark::State& bs, const std::vector<GrVertex>& tris, Draw draw) {
    glide::ResetCounters();
    for (auto _ : bs) {
        for (std::size_t i = 0; i + 2 < tris.size(); i += 3) draw(&tris[i], &tris[i + 1], &tris[i + 2]);
        WaitForDevice();
    }
    const double triangles = static_cast<double>(bs.iterations()) * static_cast<double>(tris.size() / 3);
    const glide::DeviceCounters n = glide::GetCounters();
    bs.counters["Mpixels/s"] =
        benchmark::Counter(static_cast<double>(n.pixelsWritten) / 1e6, benchmark::Counter::kIsRate);
    bs.counters["Mtriangles/s"] = benchmark::Counter(triangles / 1e6, benchmark::Counter::kIsRate);
    bs.counters["pixels/tri"] = static_cast<double>(n.pixelsWritten) / (triangles > 0 ? triangles : 1.0);
}

void BM_Untextured(benchmark::State& bs) {
    const Shade shade = static_cast<Shade>(bs.range(0));
    const State state = static_cast<State>(bs.range(1));
    OpenDevice(static_cast<int>(bs.range(3)));
    ApplyState(state);
    grConstantColorValue(0x80C040FFu);
    guColorCombineFunction(shade == Shade::kFlat ? GR_COLORCOMBINE_CCRGB : GR_COLORCOMBINE_ITRGB);
    const auto tris = MakeTriangles(static_cast<double>(bs.range(2)), state == State::kSystem ? 200.0f : 255.0f, false);
    RunTriangles(bs, tris, [](const GrVertex* a, const GrVertex* b, const GrVertex* c) { grDrawTriangle(a, b, c); });
    grGlideShutdown();
}
BENCHMARK(BM_Untextured)
    ->ArgNames({"gouraud", "system", "pixels", "threads"})
    ->ArgsProduct({{0, 1}, {0, 1}, {10, 100, 10000}, kThreadCounts})
    ->UseRealTime();

void BM_Clear(benchmark::State& bs) {
    OpenDevice(static_cast<int>(bs.range(0)));
    grDepthMask(FXTRUE);
    for (auto _ : bs) {
        grBufferClear(0x102030FFu, 0, 0xFFFF);
        WaitForDevice();
    }
    bs.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(bs.iterations()) * 640 * 480 / 1e6,
                                                  benchmark::Counter::kIsRate);
    grGlideShutdown();
}
BENCHMARK(BM_Clear)->ArgName("threads")->ArgsProduct({kThreadCounts})->UseRealTime();

// Textured, TEXTURE_TIMES_ITRGB, 256x256 mip-mapped map: 0 point, 1 bilinear,
// 2 bilinear + fog and system state, 3 trilinear (multi-pass) + system state.
void BM_Textured(benchmark::State& bs) {
    const int mode = static_cast<int>(bs.range(0));
    OpenDevice(static_cast<int>(bs.range(2)));
    ApplyState(mode >= 2 ? State::kSystem : State::kPlain);
    glide::ArgbImage image;
    image.width = image.height = 256;
    for (int i = 0; i < 256 * 256; ++i) image.pixels.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8));
    const auto chain = glide::BuildMipChain(image);
    const GrMipMapId_t full = glide::AllocateArgbMipMap(chain);
    const GrMipMapId_t odd = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_ODD, GR_MIPMAP_NEAREST,
                                                       GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                       GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, true);
    const GrMipMapId_t even = glide::AllocateArgbMipMap(chain, GR_MIPMAPLEVELMASK_EVEN, GR_MIPMAP_NEAREST,
                                                        GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                                        GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0, true);
    guColorCombineFunction(GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    guTexSource(full);
    if (mode == 0) grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    guMPTexSource(GR_TMU0, odd);
    guMPTexSource(GR_TMU1, even);
    const auto tris = MakeTriangles(static_cast<double>(bs.range(1)), mode >= 2 ? 200.0f : 255.0f, true);
    if (mode == 3) {
        RunTriangles(bs, tris, [](const GrVertex* a, const GrVertex* b, const GrVertex* c) { guMPDrawTriangle(a, b, c); });
    } else {
        RunTriangles(bs, tris, [](const GrVertex* a, const GrVertex* b, const GrVertex* c) { grDrawTriangle(a, b, c); });
    }
    grGlideShutdown();
}
BENCHMARK(BM_Textured)
    ->ArgNames({"mode", "pixels", "threads"})
    ->ArgsProduct({{0, 1, 2, 3}, {10, 100, 10000}, kThreadCounts})
    ->UseRealTime();

// Triangle set-up rate alone: draws counted but not rasterized.
void BM_FrontEndOnly(benchmark::State& bs) {
    OpenDevice(1);
    ApplyState(State::kSystem);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    glide::SetRasterizationEnabled(false);
    const auto tris = MakeTriangles(10, 200.0f, false);
    RunTriangles(bs, tris, [](const GrVertex* a, const GrVertex* b, const GrVertex* c) { grDrawTriangle(a, b, c); });
    glide::SetRasterizationEnabled(true);
    grGlideShutdown();
}
BENCHMARK(BM_FrontEndOnly);

#ifndef TARNVIEW_BASELINE
// Triangle set-up alone (edges, planes, pixel state) in the system state
// with a bilinear mip-mapped texture: what the calling thread does for each
// triangle before it is queued.
void BM_SetupOnly(benchmark::State& bs) {
    OpenDevice(1);
    ApplyState(State::kSystem);
    glide::ArgbImage image;
    image.width = image.height = 64;
    image.pixels.assign(64 * 64, 0xFF808080u);
    guTexSource(glide::AllocateArgbMipMap(glide::BuildMipChain(image)));
    guColorCombineFunction(GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    const auto tris = MakeTriangles(10, 200.0f, true);
    const glide::DrawContext ctx = glide::MakeDrawContext(glide::TextureUse::kSingle);
    glide::TriangleSetup t;
    for (auto _ : bs) {
        for (std::size_t i = 0; i + 2 < tris.size(); i += 3) {
            benchmark::DoNotOptimize(glide::SetupTriangle(tris[i], tris[i + 1], tris[i + 2], ctx, &t));
        }
    }
    bs.counters["Mtriangles/s"] =
        benchmark::Counter(static_cast<double>(bs.iterations()) * static_cast<double>(tris.size() / 3) / 1e6,
                           benchmark::Counter::kIsRate);
    grGlideShutdown();
}
BENCHMARK(BM_SetupOnly);
#endif

}  // namespace

BENCHMARK_MAIN();
