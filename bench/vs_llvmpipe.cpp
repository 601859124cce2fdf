// The device's side of the side-by-side comparison with Mesa's llvmpipe
// (bench/llvmpipe/llvmpipe_bench.c draws the same work through OpenGL).
//
// Both programs draw, at 640x480 into RGB565 colour + 16-bit depth:
// - fill: 8 and 64 full-screen quads ("layers"), back to front, each
//   Gouraud-shaded x a bilinear mip-mapped 256x256 texture repeated 4 times,
//   with per-pixel fog, depth test and alpha blending (alpha 160); then 64
//   layers without blending and fog, and 64 layers Gouraud + depth only;
// - triangle rate: grids of quads covering the screen once (80x60, 160x120,
//   320x240 cells), one texture repeat per quad.
// Each work is drawn 3 times as warm-up, then timed over a fixed number of
// frames (clear + draw) ending with a one-pixel read-back, and printed as
// one line in the OpenGL program's format: ms/frame, Mpixels/s (nominal:
// the screen's pixels per layer), Mtriangles/s.
//
// The camera mirrors the OpenGL one: a frustum -0.5..0.5 x -0.375..0.375 at
// near distance 1 and an identity modelview (the OpenGL program resets its
// modelview before drawing, so its tilt is not in effect and every quad is a
// plane at one depth facing the viewer). Eye-space corners are projected
// here: w = -z, x and y to pixels with the origin at the lower left, as
// OpenGL's window coordinates; oow = 1/w; sow/tow = 256 s / w on the board's
// 0..256-per-texture scale. OpenGL's depth test is LEQUAL with later layers
// nearer; the device uses its W-buffer with GR_CMP_LESS (cleared to 0xFFFF),
// which passes the same pixels since each layer is 0.001 nearer.
//
// Fog: OpenGL's GL_EXP with density 0.2 over eye distance. The device's w is
// that same eye distance, so its fog table holds 255 (1 - e^(-0.2 w_i)) at
// each entry's w_i = 2^(3 + i/4) / (8 - i mod 4) (the board's table layout).
//
// Usage: vs_llvmpipe [--threads N] [--isa NAME] [--only TEXT[,TEXT...]] [--paths]
// Built from the current tree it sets the device's thread count and pixel
// instruction set; built with TARNVIEW_BASELINE (a tree from before those
// existed) it always draws inline on one thread.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glide.h"
#include "glide_device.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTextureEdge = 256;
constexpr float kFogDensity = 0.2f;

// One corner as the OpenGL program gives it: texture s, t (repeats), colour,
// eye-space position.
struct Corner {
    float s, t;
    float r, g, b, a;
    float x, y, z;
};

// Four projected corners per quad, drawn as (0,1,2) and (0,2,3) like the
// OpenGL program's six vertices.
std::vector<GrVertex> g_quads;

GrVertex Project(const Corner& c) {
    // Frustum (-0.5, 0.5, -0.375, 0.375, near 1): x_ndc = 2 x / w,
    // y_ndc = (2 / 0.75) y / w; window = (ndc + 1) * size / 2.
    const float w = -c.z;
    const float oow = 1.0f / w;
    GrVertex v{};
    v.x = (2.0f * c.x * oow + 1.0f) * (0.5f * kWidth);
    v.y = ((2.0f / 0.75f) * c.y * oow + 1.0f) * (0.5f * kHeight);
    v.r = c.r, v.g = c.g, v.b = c.b, v.a = c.a;
    v.oow = oow;
    v.tmuvtx[0].sow = c.s * static_cast<float>(kTextureEdge) * oow;
    v.tmuvtx[0].tow = c.t * static_cast<float>(kTextureEdge) * oow;
    v.tmuvtx[0].oow = oow;
    return v;
}

void AddQuad(float x0, float y0, float x1, float y1, float z, int tile) {
    const float s1 = static_cast<float>(tile), t1 = static_cast<float>(tile), a = 160.0f;
    const Corner corners[4] = {{0, 0, 255, 200, 150, a, x0, y0, z},
                               {s1, 0, 150, 255, 200, a, x1, y0, z},
                               {s1, t1, 200, 150, 255, a, x1, y1, z},
                               {0, t1, 255, 255, 255, a, x0, y1, z}};
    for (const Corner& c : corners) g_quads.push_back(Project(c));
}

void DrawQuads() {
    for (std::size_t i = 0; i + 3 < g_quads.size(); i += 4) {
        const GrVertex* q = &g_quads[i];
        grDrawTriangle(&q[0], &q[1], &q[2]);
        grDrawTriangle(&q[0], &q[2], &q[3]);
    }
}

void WaitForDevice() {
#ifndef TARNVIEW_BASELINE
    glide::Finish();
#endif
}

enum class Work { kFill, kGrid };

// Only the works whose label contains one of these comma-separated texts
// (--only); empty: all.
std::string g_only;
// --paths: each work's path counters per frame, on standard error.
bool g_paths = false;

bool Selected(const std::string& label) {
    if (g_only.empty()) return true;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = g_only.find(',', from);
        const std::string text = g_only.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        if (!text.empty() && label.find(text) != std::string::npos) return true;
        if (comma == std::string::npos) return false;
        from = comma + 1;
    }
}

// Draws one work: `count` layers (fill) or cells across (grid).
void Run(int frames, int count, Work work, const char* label) {
    if (!Selected(label)) return;
    g_quads.clear();
    if (work == Work::kFill) {
        for (int l = 0; l < count; ++l) {
            const float z = -2.0f + 0.001f * static_cast<float>(l);
            const float e = -z;  // a quad of e x 0.75 e at distance e fills the screen
            AddQuad(-e * 0.5f, -e * 0.375f, e * 0.5f, e * 0.375f, z, 4);
        }
    } else {
        const int rows = count * 3 / 4;
        const float z = -2.0f, ex = 1.0f, ey = 0.75f;
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < count; ++i) {
                const float x0 = -ex + 2 * ex * static_cast<float>(i) / static_cast<float>(count);
                const float x1 = -ex + 2 * ex * static_cast<float>(i + 1) / static_cast<float>(count);
                const float y0 = -ey + 2 * ey * static_cast<float>(j) / static_cast<float>(rows);
                const float y1 = -ey + 2 * ey * static_cast<float>(j + 1) / static_cast<float>(rows);
                AddQuad(x0, y0, x1, y1, z, 1);
            }
        }
    }
    for (int f = 0; f < 3; ++f) {
        grBufferClear(0, 0, 0xFFFF);
        DrawQuads();
    }
    WaitForDevice();
    glide::ResetCounters();
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        grBufferClear(0, 0, 0xFFFF);
        DrawQuads();
    }
    std::uint16_t pixel = 0;
    grLfbReadRegion(GR_BUFFER_BACKBUFFER, kWidth / 2, kHeight / 2, 1, 1, 2, &pixel);
    WaitForDevice();
    const double dt = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
    const double tris = static_cast<double>(g_quads.size() / 4 * 2);
    const double nominal = (work == Work::kFill ? count : 1) * static_cast<double>(kWidth * kHeight);
    std::printf("%-34s %8.0f tris/frame %7.2f ms/frame  %7.1f Mpix/s  %6.2f Mtri/s\n", label, tris, dt * 1e3,
                nominal / dt / 1e6, tris / dt / 1e6);
    // Every pixel of every layer passes the depth test: anything else means
    // the device drew different work from the OpenGL program.
    const double written = static_cast<double>(glide::GetCounters().pixelsWritten) / frames;
    if (written != nominal) {
        std::fprintf(stderr, "vs_llvmpipe: %s: %.0f pixels written per frame, expected %.0f\n", label, written,
                     nominal);
    }
#ifndef TARNVIEW_BASELINE
    if (g_paths) {
        const glide::PathCounters p = glide::GetCounters().paths;
        auto per = [frames](std::uint64_t v) { return static_cast<double>(v) / frames; };
        std::fprintf(stderr,
                     "  paths per frame: batch %.0f tris %.0f px, block %.0f tris %.0f px, vector span %.0f tris %.0f px, "
                     "scalar span %.0f tris %.0f px, generic %.0f tris %.0f px; declined: batch %.0f, block %.0f, "
                     "span overflows %.0f\n",
                     per(p.batchTriangles), per(p.batchPixels), per(p.blockTriangles), per(p.blockPixels),
                     per(p.vectorSpanTriangles), per(p.vectorSpanPixels), per(p.scalarSpanTriangles),
                     per(p.scalarSpanPixels), per(p.genericTriangles), per(p.genericPixels), per(p.batchDeclined),
                     per(p.blockDeclined), per(p.spanOverflows));
    }
#endif
    std::fflush(stdout);
}

// The OpenGL program's texture: texel i of the 256x256 level is the RGB565
// value (i * 2654435761) >> 7, and each smaller level the per-channel mean of
// 2x2 texels (rounded down, as a box filter), down to 1x1. Levels follow each
// other largest first, as a 3DF file holds them.
std::vector<std::uint16_t> MakeTexture() {
    std::vector<std::uint16_t> texels;
    for (std::uint32_t i = 0; i < kTextureEdge * kTextureEdge; ++i) {
        texels.push_back(static_cast<std::uint16_t>((i * 2654435761u) >> 7));
    }
    std::size_t level = 0;
    for (int edge = kTextureEdge; edge > 1; edge /= 2) {
        const int half = edge / 2;
        const std::size_t next = texels.size();
        for (int y = 0; y < half; ++y) {
            for (int x = 0; x < half; ++x) {
                int r = 0, g = 0, b = 0;
                for (int k = 0; k < 4; ++k) {
                    const std::uint16_t t = texels[level + static_cast<std::size_t>((2 * y + k / 2) * edge + 2 * x + k % 2)];
                    r += t >> 11, g += (t >> 5) & 63, b += t & 31;
                }
                texels.push_back(static_cast<std::uint16_t>((r / 4) << 11 | (g / 4) << 5 | (b / 4)));
            }
        }
        level = next;
    }
    return texels;
}

void SetUpState() {
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    const std::vector<std::uint16_t> texels = MakeTexture();
    const GrMipMapId_t texture = guTexAllocateMemory(
        GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, kTextureEdge, kTextureEdge, GR_TEXFMT_RGB_565, GR_MIPMAP_NEAREST,
        GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
        GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
    if (texture == GR_NULL_MIPMAP_HANDLE) {
        std::fprintf(stderr, "vs_llvmpipe: no texture memory for the 256x256 texture\n");
        std::exit(1);
    }
    guTexDownloadMipMap(texture, texels.data(), nullptr);
    guTexSource(texture);
    guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
    guColorCombineFunction(GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB);
    // An RGB texture has alpha 1: the fragment's alpha is the iterated one.
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_NONE, FXFALSE);
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);
    GrFog_t table[GR_FOG_TABLE_SIZE];
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) {
        const double w = std::ldexp(1.0, 3 + i / 4) / (8 - i % 4);
        table[i] = static_cast<GrFog_t>(std::lround(255.0 * (1.0 - std::exp(-kFogDensity * w))));
    }
    grFogTable(table);
    grFogColorValue(0x808099FFu);  // (0.5, 0.5, 0.6) as 0xRRGGBBAA, the colour format chosen at open
    grFogMode(GR_FOG_WITH_TABLE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
}

int Usage(const char* message) {
    std::fprintf(stderr, "vs_llvmpipe: %s (try --help)\n", message);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int threads = 0;
    std::string isa;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf("usage: vs_llvmpipe [--threads N] [--isa NAME] [--only TEXT[,TEXT...]] [--paths]\n"
                        "Draws the llvmpipe comparison's work through the software device and prints\n"
                        "one line per work: ms/frame, Mpix/s, Mtri/s.\n"
                        "  --threads N  rasterizing threads (default: all hardware threads)\n"
                        "  --isa NAME   pixel instruction set (scalar, sse4, avx2, avx512; default: the best)\n"
                        "  --only TEXT  only the works whose name contains TEXT (one of several, separated\n"
                        "               by commas), for profiling one\n"
                        "  --paths      each work's path counters per frame, on standard error\n");
            return 0;
        }
        if ((arg == "--threads" || arg == "--isa" || arg == "--only") && i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
        if (arg == "--threads") {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || value < 1 || value > 256) {
                return Usage("--threads wants a whole number from 1 to 256");
            }
            threads = static_cast<int>(value);
        } else if (arg == "--isa") {
            isa = argv[++i];
        } else if (arg == "--only") {
            g_only = argv[++i];
        } else if (arg == "--paths") {
            g_paths = true;
        } else {
            return Usage(("unknown argument " + arg).c_str());
        }
    }

    glide::SetDisplayOutput(nullptr);
    grGlideInit();
    std::string description;
#ifdef TARNVIEW_BASELINE
    if (!isa.empty()) return Usage("--isa needs a build with pixel instruction sets");
    description = "threads 1 (inline, baseline build)";
    (void)threads;
#else
    glide::SetThreadCount(threads);
    if (!isa.empty() && !glide::SetPixelIsa(isa)) {
        std::string names;
        for (const std::string& name : glide::AvailablePixelIsas()) names += " " + name;
        std::fprintf(stderr, "vs_llvmpipe: pixel instruction set %s is not available (this processor:%s)\n",
                     isa.c_str(), names.c_str());
        return 2;
    }
#endif
    if (!grSstQueryHardware(nullptr) ||
        !grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
                   GR_SMOOTHING_DISABLE, 2)) {
        std::fprintf(stderr, "vs_llvmpipe: the device did not open\n");
        return 1;
    }
#ifndef TARNVIEW_BASELINE
    description = "threads " + std::to_string(glide::ThreadCount()) + " | isa " + glide::PixelIsa();
#endif
    std::printf("DEVICE: Tarnview software device | %s\n", description.c_str());
    g_quads.reserve(4 * 320 * 240);
    SetUpState();

    Run(30, 8, Work::kFill, "fill: 8 full-screen layers");
    Run(10, 64, Work::kFill, "fill: 64 full-screen layers");
    Run(20, 80, Work::kGrid, "grid 80x60 cells (64px quads)");
    Run(20, 160, Work::kGrid, "grid 160x120 cells (16px quads)");
    Run(10, 320, Work::kGrid, "grid 320x240 cells (4px quads)");
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ZERO, GR_BLEND_ZERO);
    grFogMode(GR_FOG_DISABLE);
    Run(10, 64, Work::kFill, "fill: 64 layers, no blend/fog");
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    Run(10, 64, Work::kFill, "fill: 64 layers, gouraud+z only");
    grGlideShutdown();
    return 0;
}
