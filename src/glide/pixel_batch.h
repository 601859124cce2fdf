// Pixels of many tiny triangles shaded together. A triangle of a pixel or
// two costs a whole vector pass (or a scalar pass per pixel) when drawn on
// its own; gathered into the lanes of one batch, the covered pixels of
// consecutive triangles of one pixel state share vector passes.
//
// Each lane carries its own triangle's values at its pixel (the row values
// a span would start from, the per-pixel steps, the colour planes' values),
// so every lane computes exactly what the span path computes for that pixel.
// A batch never holds two lanes of one pixel: a pixel already in the batch
// shades the batch first. Whoever fills a batch shades it (FlushPixelBatch)
// before drawing anything else into the same pixels, and before anyone
// reads them.
#pragma once

#include <cstdint>

#include "triangle_setup.h"

namespace glide {

struct TileRect;

constexpr int kBatchLanes = 16;

struct PixelBatch {
    int count = 0;
    // A bit per pixel position modulo 8 x 8 of the lanes held: a pixel whose
    // bit is clear is certainly not in the batch.
    std::uint64_t seen = 0;
    std::uint64_t stateId = 0;  // the lanes' pixel state (0: none yet)
    BatchShader shade = nullptr;
    TriangleSetup state;  // its pixel-state fields are the lanes' state
    // Per lane. Entries past `count` hold an earlier lane's values (or zero),
    // always a pixel of the screen, so a full vector may read them.
    alignas(64) std::int32_t offset[kBatchLanes] = {};  // y * kScreenWidth + x
    alignas(64) std::int32_t cell[kBatchLanes] = {};    // the dither matrix value
    alignas(64) float fx[kBatchLanes] = {};              // x - the triangle's refX
    alignas(64) float oowRow[kBatchLanes] = {}, oowDx[kBatchLanes] = {};
    alignas(64) float oozRow[kBatchLanes] = {}, oozDx[kBatchLanes] = {};
    alignas(64) std::int32_t r[kBatchLanes] = {}, g[kBatchLanes] = {}, b[kBatchLanes] = {}, a[kBatchLanes] = {};
    // Texture footprint and coordinates (textured states only).
    alignas(64) float nx2[kBatchLanes] = {}, nsy[kBatchLanes] = {}, nty[kBatchLanes] = {};
    alignas(64) float csy[kBatchLanes] = {}, cty[kBatchLanes] = {};
    alignas(64) float sowRow[kBatchLanes] = {}, towRow[kBatchLanes] = {};
    alignas(64) float sowDx[kBatchLanes] = {}, towDx[kBatchLanes] = {};
};

// Shades the batch's lanes (adding to the counters) and empties it (the
// batch shader resets count and seen).
inline void FlushPixelBatch(PixelBatch& batch, SpanCounters& counters) {
    if (batch.count > 0) batch.shade(batch, counters);
}

// Adds the pixels of t inside minX..maxX x minY..maxY (already clipped) to
// the batch, shading it whenever it fills; returns the pixel centres
// covered. t must have a batch shader.
std::uint64_t BatchTriangle(const TriangleSetup& t, int minX, int minY, int maxX, int maxY, PixelBatch& batch,
                            SpanCounters& counters);

// The batch of the inline path (one drawing thread, no tile queue), and
// its flush into the device counters.
PixelBatch& InlinePixelBatch();
void FlushInlinePixelBatch();

}  // namespace glide
