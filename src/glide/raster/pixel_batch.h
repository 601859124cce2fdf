// Pixels of many tiny triangles shaded together. A triangle of a few pixels
// costs a whole vector pass (or a scalar pass per pixel) when drawn on its
// own; gathered into the lanes of one batch, the covered pixels of
// consecutive triangles of one pixel state (or of states that differ only
// in the constant colour) share vector passes.
//
// A lane is a pixel and the index of its triangle's entry, which holds the
// triangle's planes; each lane works out its own values from its entry
// exactly as a span of its row would, so it computes what the span path
// computes for that pixel. A batch never holds two lanes of one pixel: a
// pixel already in the batch shades the batch first. Whoever fills a batch
// shades it (FlushPixelBatch) before drawing anything else into the same
// pixels, and before anyone reads them.
#pragma once

#include <cstdint>

#include "setup/triangle_setup.h"
#include "tuning.h"

namespace glide {

inline constexpr int kBatchLanes = tuning::kBatchLanes;  // also the most entries: each has a lane

// BatchTriangle's answer for a triangle whose colour planes leave the
// batch's 32-bit range (nothing was added).
constexpr std::uint64_t kBatchDeclined = ~std::uint64_t{0};

struct PixelBatch {
    int count = 0;    // lanes
    int entries = 0;  // triangle entries
    // A bit per pixel position modulo 8 x 8 of the lanes held: a pixel whose
    // bit is clear is certainly not in the batch.
    std::uint64_t seen = 0;
    std::uint64_t familyId = 0;  // the lanes' pixel-state family (0: none yet)
    BatchShader shade = nullptr;
    TriangleSetup state;  // its pixel-state fields are the lanes' state, but for the constant colour
    // Per lane. Entries past `count` (and `entries`) hold earlier values (or
    // zero): always a pixel of the screen and an entry index, so a full
    // vector may read them.
    alignas(64) std::int32_t xy[kBatchLanes] = {};     // x | y << 16
    alignas(64) std::int32_t entry[kBatchLanes] = {};  // the lane's triangle
    // Per triangle entry: its reference pixel, float planes and colour
    // planes as wrapping 32-bit values (every value the triangle's pixels
    // take fits in 32 bits).
    alignas(64) std::int32_t refX[kBatchLanes] = {}, refY[kBatchLanes] = {};
    alignas(64) float oowK[kBatchLanes] = {}, oowDx[kBatchLanes] = {}, oowDy[kBatchLanes] = {};
    alignas(64) float oozK[kBatchLanes] = {}, oozDx[kBatchLanes] = {}, oozDy[kBatchLanes] = {};
    alignas(64) float sowK[kBatchLanes] = {}, sowDx[kBatchLanes] = {}, sowDy[kBatchLanes] = {};
    alignas(64) float towK[kBatchLanes] = {}, towDx[kBatchLanes] = {}, towDy[kBatchLanes] = {};
    alignas(64) std::int32_t colourK[4][kBatchLanes] = {};  // red, green, blue, alpha
    alignas(64) std::int32_t colourDx[4][kBatchLanes] = {};
    alignas(64) std::int32_t colourDy[4][kBatchLanes] = {};
};

// Shades the batch's lanes (adding to the counters) and empties it.
inline void FlushPixelBatch(PixelBatch& batch, SpanCounters& counters) {
    if (batch.count > 0) batch.shade(batch, counters);
}

// Adds the pixels of t inside minX..maxX x minY..maxY (already clipped) to
// the batch, shading it whenever it fills; returns the pixel centres
// covered, or kBatchDeclined. t must have a batch shader.
std::uint64_t BatchTriangle(const TriangleSetup& t, int minX, int minY, int maxX, int maxY, PixelBatch& batch,
                            SpanCounters& counters);

// The counters of the inline path (one drawing thread, no tile queue), whose
// batch is the inline path's pixel batch; the flush shades that batch and
// moves the counts into the device counters.
SpanCounters& InlineCounters();
void FlushInlinePixelBatch();

}  // namespace glide
