// grBufferClear after its set-up, filled into a rectangle of the screen.
#pragma once

#include <cstdint>

#include "raster/tile_rect.h"

namespace glide {

// The dithered colour's four row patterns (x & 3, y & 3) and, when depth
// writes were on at the call, the depth value.
struct ClearFill {
    std::uint16_t* colour = nullptr;
    std::uint16_t* depth = nullptr;  // nullptr: the depth buffer is kept
    std::uint16_t depthValue = 0;
    std::uint16_t pattern[4][4] = {};
};

void FillClear(const ClearFill& clear, const TileRect& rect);

}  // namespace glide
