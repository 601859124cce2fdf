// Coverage: walks a set-up triangle over a rectangle of the screen and hands
// its pixels to the path its size and state choose (README.md: a pixel
// batch, the block shader, a row-by-row scan or each row's run worked out
// from the edges, then spans).
#pragma once

#include <cstdint>

#include "raster/tile_rect.h"
#include "setup/triangle_setup.h"

namespace glide {

// Shades the pixel centres of t inside the rectangle; returns their number.
std::uint64_t RasterizeTriangle(const TriangleSetup& t, const TileRect& rect, SpanCounters& counters);

// The same over the whole screen.
inline std::uint64_t RasterizeTriangle(const TriangleSetup& t, SpanCounters& counters) {
    return RasterizeTriangle(t, TileRect{}, counters);
}

}  // namespace glide
