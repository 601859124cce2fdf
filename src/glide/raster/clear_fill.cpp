// A buffer clear inside a rectangle of the screen.
#include "raster/clear_fill.h"

#include <cstring>

#include "glide_device.h"

namespace glide {

// Rectangles start and end on multiples of 4 columns (the screen and the
// tiles are multiples of 8 wide), so a row's pattern copies four pixels at a
// time from x0.
void FillClear(const ClearFill& clear, const TileRect& rect) {
    const int width = rect.x1 - rect.x0 + 1;
    for (int y = rect.y0; y <= rect.y1; ++y) {
        std::uint16_t* row = clear.colour + y * kScreenWidth + rect.x0;
        std::uint64_t quad;
        std::memcpy(&quad, clear.pattern[y & 3], sizeof quad);
        for (int x = 0; x + 4 <= width; x += 4) std::memcpy(row + x, &quad, sizeof quad);
        if (clear.depth != nullptr) {
            // Four depth values a store, like the colour: the width is not a
            // constant per tile, and 16-bit stores one at a time were most of
            // a clear's time.
            std::uint16_t* z = clear.depth + y * kScreenWidth + rect.x0;
            const std::uint64_t depthQuad = clear.depthValue * 0x0001000100010001ull;
            for (int x = 0; x + 4 <= width; x += 4) std::memcpy(z + x, &depthQuad, sizeof depthQuad);
        }
    }
}

}  // namespace glide
