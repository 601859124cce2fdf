// Triangle setup: three vertices and the render state in, one parameter
// record out. The record holds everything the rasterizer and the pixel
// stages read (edge functions, attribute planes, a copy of the pixel state),
// so a triangle is a self-contained value that is queued to another thread.
// Set-up writes nothing but the record; besides the vertices and the draw
// context it reads the instruction set in use, keeps its last results in
// per-thread caches (the pixel state, each texture source's sampler) and
// takes state ids from one counter shared by every thread.
//
// Fixed-point formats:
//   vertex positions   28.4 (snapped to 1/16 pixel)
//   edge functions     int64, in 1/256 pixel^2, sampled at pixel centres
//   colour planes      int64, 12.12 per pixel step (value 0..255 << 12)
//   1/w, s/w, t/w, ooz float planes (the board's iterators were floats too)
#pragma once

#include <cstdint>

#include "contract.h"
#include "glide.h"
#include "glide_device.h"
#include "pixel/depth_format.h"
#include "render_state.h"

namespace glide {

struct TriangleSetup;
struct PixelBatch;
// A drawing thread's counts, added to the device's counters when the
// device syncs (DeviceCounters in glide_device.h).
struct SpanCounters {
    std::uint64_t written = 0;
    std::uint64_t depthFailed = 0;
    PathCounters paths;
    // Where the drawing thread gathers the pixels of tiny triangles
    // (raster/pixel_batch.h); nullptr: each triangle is shaded on its own.
    PixelBatch* batch = nullptr;

    // Adds the counts to the device's counters and starts again from zero.
    void MoveTo(DeviceCounters* device);
};

// Which kind of span shader draws a triangle's spans (its path counters).
enum class SpanPath : std::uint8_t { kVector, kScalar, kGeneric };
// Shades pixels x0..x1 (inclusive) of buffer row y.
using SpanShader = void (*)(const TriangleSetup& t, int y, int x0, int x1, SpanCounters& counters);

struct TileRect;
// Shades every pixel of a small triangle inside the rectangle (whose sides
// are multiples of 4) a block of pixels at a time; returns the number of
// pixel centres covered, or kBlocksDeclined when the triangle's values
// leave the block shader's range (its spans are drawn instead).
using BlockShader = std::uint64_t (*)(const TriangleSetup& t, const TileRect& rect, SpanCounters& counters);
constexpr std::uint64_t kBlocksDeclined = ~std::uint64_t{0};

// Shades the lanes of a pixel batch and empties it (see raster/pixel_batch.h).
using BatchShader = void (*)(PixelBatch& batch, SpanCounters& counters);

struct SnappedVertex;
struct PlaneGeometry;
// Writes the attribute planes (r to ooz) of a triangle (see SetupGeometry).
using PlaneSetup = void (*)(const SnappedVertex* v, const PlaneGeometry& geo, TriangleSetup* t);

// Inside where a * px + b * py + c >= 0, (px, py) the pixel's indices; the
// tie rule is already folded into c.
struct EdgeFunction {
    std::int64_t a = 0, b = 0, c = 0;
};

// value(px, py) = k + dx (px - refX) + dy (py - refY), 12.12; k carries the
// rounding half so that value >> 12 rounds to nearest.
struct FixedPlane {
    std::int64_t k = 0, dx = 0, dy = 0;
};

// Whether a + b x + c y, for x in 0..w and y in 0..h, stays in 32 bits:
// then wrapping 32-bit arithmetic on the same terms gives it exactly. Set-up
// keeps every term far inside 64 bits.
inline bool FitsIn32(std::int64_t a, std::int64_t b, std::int64_t c, int w, int h) {
    auto abs = [](std::int64_t v) { return v < 0 ? -v : v; };
    return abs(a) + abs(b) * w + abs(c) * h <= INT32_MAX;
}

// value(px, py) = (k + dy (py - refY)) + dx (px - refX), always evaluated in
// exactly this order so that every path computes the same float.
struct FloatPlane {
    float k = 0.0f, dx = 0.0f, dy = 0.0f;
};

enum class SamplerKind : std::uint8_t { kNone, kPoint, kBilinear, kMixed, kTrilinear };

// One texture source as the sampler reads it.
struct SamplerSetup {
    const TextureLevel* levels = nullptr;  // the allocation's levels[9]; nullptr: nothing to sample
    std::int8_t levelFor[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};  // nearest level that holds texels
    int largeLod = 0, smallLod = 8;
    int sShift = 0, tShift = 0;  // texel coordinate in 8.8 = s * (width << sShift)
    bool sClamp = false, tClamp = false;
    bool minBilinear = true, magBilinear = true;
    std::int32_t mipmapMode = GR_MIPMAP_NEAREST;
    int lodBias8 = 0;  // LOD bias in 1/256 levels
};

struct TriangleSetup {
    // ---- coverage
    EdgeFunction edge[3];
    int minX = 0, minY = 0, maxX = -1, maxY = -1;  // inclusive pixel bounds, inside the screen
    int refX = 0, refY = 0;                        // plane reference pixel
    // ---- attributes
    FixedPlane r, g, b, a;
    FloatPlane oow, sow, tow;
    FloatPlane ooz;  // Z-buffer depth, 0..65535 (read only with the Z-buffer)
    // ---- pixel state: SetupPixelState fills these fields as one block (it
    // copies a cached block while the state is unchanged), so they stay
    // together at the end of the record.
    ColourSource colour = ColourSource::kIterated;
    TexelSource texel = TexelSource::kTexel;
    SamplerKind sampler = SamplerKind::kNone;
    SpanPath spanPath = SpanPath::kGeneric;  // which kind of span shader `shader` is
    SamplerSetup tex[2];  // [1] only for trilinear from two level sets
    bool mipmapDither = false;
    AlphaCombine alpha;
    BlendFunction blend;
    DepthMode depthMode = DepthMode::kDisabled;
    std::int32_t depthFunction = GR_CMP_ALWAYS;
    bool depthWrite = false;
    FogMode fogMode = FogMode::kDisabled;
    Rgba8 constant, fogColour;
    const FogLut* fogLut = nullptr;         // never nullptr once set up
    std::uint16_t* colourBuffer = nullptr;  // kScreenWidth x kScreenHeight, row 0 = bottom
    std::uint16_t* depthBuffer = nullptr;
    SpanShader shader = nullptr;
    SpanShader scalarShader = nullptr;  // the per-pixel shader of the same state (short spans)
    BlockShader blockShader = nullptr;  // small triangles; nullptr: spans only
    BatchShader batchShader = nullptr;  // tiny triangles' pixels; nullptr: not batched
    PlaneSetup planes = nullptr;        // the vector planes of set-up; nullptr: the scalar ones
    // Equal for two triangles whose pixel-state fields are equal: every
    // fresh set-up of the pixel state takes a new one.
    std::uint64_t stateId = 0;
    // Equal for two triangles whose pixel-state fields differ at most in
    // the constant colour (and the state id).
    std::uint64_t familyId = 0;
};

// Which texture sources a draw call samples.
enum class TextureUse : std::uint8_t { kSingle, kMultipass };

// What a draw call hands to setup besides the vertices.
struct DrawContext {
    const RenderState* state = nullptr;
    // The device's state generation when the context was made (see
    // Device::stateGeneration); 0: unknown, the state is compared instead.
    std::uint64_t stateGeneration = 0;
    TextureUse textureUse = TextureUse::kSingle;
    bool originUpperLeft = false;
    bool depthWriteAllowed = true;  // false for antialiasing strips
    bool forceGeneric = false;      // tests: take the reference path
    std::uint16_t* colourBuffer = nullptr;
    std::uint16_t* depthBuffer = nullptr;
};

// Coordinates beyond this many pixels from the origin are not drawn.
constexpr float kMaxCoordinate = 1048576.0f;

// False when the triangle covers no pixel centre of the screen (degenerate,
// off-screen, not a number, beyond kMaxCoordinate); t is then undefined.
// It is SnapTriangle, SetupPixelState and SetupGeometry in turn.
bool SetupTriangle(const GrVertex& v0, const GrVertex& v1, const GrVertex& v2, const DrawContext& ctx,
                   TriangleSetup* t);

// A vertex on the snapping grid, its attributes (red, green, blue, alpha,
// oow, sow, tow, ooz) with infinities and NaN read as 0.
constexpr int kSnappedAttributes = 8;
struct SnappedVertex {
    std::int64_t x16, y16;  // 28.4, buffer orientation (y up from the bottom row)
    float attr[kSnappedAttributes];
};

// The triangle's shape as the attribute planes need it: edges from vertex 0
// in pixels, the reciprocal of twice the area, and the reference pixel's
// centre relative to vertex 0. Plane i: dx = (a1 y2 - a2 y1) invDet,
// dy = (a2 x1 - a1 x2) invDet, k = a0 + dx cx + dy cy in doubles, where a0
// is vertex 0's attribute and a1, a2 the others' less a0; r, g, b, a become
// 12.12 fixed point (k plus the rounding half), the others floats.
struct PlaneGeometry {
    double x1, y1, x2, y2, invDet, cx, cy;
};

// Inclusive pixel bounds on the screen; empty when minX > maxX or minY > maxY.
struct PixelBounds {
    int minX = 0, minY = 0, maxX = -1, maxY = -1;
    bool Empty() const { return minX > maxX || minY > maxY; }
};

// The first step of set-up: vertices snapped and ordered counter-clockwise,
// twice the area in 1/256 pixels, and the pixel bounds on the screen.
struct SnappedTriangle {
    SnappedVertex v[3];
    std::int64_t area;
    double invDet;  // 256 / area
    PixelBounds bounds;
};

// Bounds that hold SnapTriangle's bounds, worked out from the positions as
// given (no snapping, no area): cheap enough for a caller that only needs
// to know where the triangle can draw. Empty when it certainly covers no
// pixel centre; false where SnapTriangle would refuse a vertex.
bool OuterPixelBounds(const GrVertex& v0, const GrVertex& v1, const GrVertex& v2, bool originUpperLeft,
                      PixelBounds* out);

// False when there is nothing to draw (as SetupTriangle).
bool SnapTriangle(const GrVertex& v0, const GrVertex& v1, const GrVertex& v2, bool originUpperLeft,
                  SnappedTriangle* out);
// The rest: bounds, edges and planes into t, whose pixel state is set up
// (it chooses how the planes are worked out).
void SetupGeometry(const SnappedTriangle& s, TriangleSetup* t);

// The pixel state part of setup, shared with lines: copies the state,
// resolves the texture sources and chooses the shader.
void SetupPixelState(const DrawContext& ctx, TriangleSetup* t);

// The fog amounts of an all-zero table (before any grFogTable).
const FogLut& ZeroFogLut();

// Copies the pixel-state fields (colour to the end) of one record to another.
void CopyPixelState(const TriangleSetup& from, TriangleSetup* to);
// Whether two records' pixel-state fields agree byte for byte, and a hash
// of them: the contract checks (contract.h) that nothing writes a record's
// pixel state after set-up.
bool SamePixelState(const TriangleSetup& a, const TriangleSetup& b);
std::uint64_t PixelStateHash(const TriangleSetup& t);

// Gives `to` the pixel state of `from`: nothing to do for the same state,
// only the constant colour within one family, else the whole block. The
// state id stands for the block's bytes, so a record's pixel state must
// not be written after set-up.
inline void UpdatePixelState(const TriangleSetup& from, TriangleSetup* to) {
    if (to->stateId == from.stateId) {
        GLIDE_CONTRACT(SamePixelState(from, *to));
        return;
    }
    if (to->familyId == from.familyId) {
        to->constant = from.constant;
        to->stateId = from.stateId;
        GLIDE_CONTRACT(SamePixelState(from, *to));
        return;
    }
    CopyPixelState(from, to);
}

}  // namespace glide
