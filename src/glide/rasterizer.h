// Coverage: walks a set-up triangle in 8x8 blocks of the screen and hands
// each covered run of a row to the triangle's span shader; a small triangle
// goes whole to its block shader where it has one.
#pragma once

#include <cstdint>

#include "tile_commands.h"
#include "triangle_setup.h"

namespace glide {

// Returns the number of pixel centres the triangle covers on screen.
inline std::uint64_t RasterizeTriangle(const TriangleSetup& t, SpanCounters& counters) {
    return RasterizeTriangle(t, TileRect{}, counters);
}

}  // namespace glide
