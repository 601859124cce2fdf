// A rectangle of the screen that a command is drawn in: the whole screen on
// the inline path, one tile on the tile queue. Every pixel belongs to
// exactly one tile, and a command gives a pixel the same value whichever
// rectangle it is drawn in.
#pragma once

#include "glide_device.h"

namespace glide {

// Inclusive pixel bounds. x0 and y0 of a tile are multiples of 8, so the
// block shader's 4-pixel blocks and the dither cells fall the same way in a
// tile as on the screen.
struct TileRect {
    int x0 = 0, y0 = 0, x1 = kScreenWidth - 1, y1 = kScreenHeight - 1;
};

}  // namespace glide
