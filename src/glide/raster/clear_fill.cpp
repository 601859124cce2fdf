// A buffer clear inside a rectangle of the screen.
#include "raster/clear_fill.h"

#include <cstring>

#include "glide_device.h"

namespace glide {

namespace {

// Sixteen pixels of a row's four-pixel pattern, kept in registers: the
// compiler cannot keep values read through a pointer that may alias the
// buffer being written.
struct Run {
    std::uint64_t quad[4];
};

Run RunOf(std::uint64_t quad) { return {{quad, quad, quad, quad}}; }

// Rectangles start and end on multiples of 4 columns (the screen and the
// tiles are multiples of 8 wide): sixteen pixels a step while they fit,
// then four. The width is not a constant per tile, so the compiler does
// not widen a four-pixel loop by itself.
void FillRow(std::uint16_t* row, int width, const Run& run) {
    int x = 0;
    for (; x + 16 <= width; x += 16) std::memcpy(row + x, &run, sizeof run);
    for (; x + 4 <= width; x += 4) std::memcpy(row + x, &run.quad[0], sizeof run.quad[0]);
}

}  // namespace

void FillClear(const ClearFill& clear, const TileRect& rect) {
    const int width = rect.x1 - rect.x0 + 1;
    Run patterns[4];
    for (int i = 0; i < 4; ++i) {
        std::uint64_t quad;
        std::memcpy(&quad, clear.pattern[i], sizeof quad);
        patterns[i] = RunOf(quad);
    }
    const Run depthRun = RunOf(clear.depthValue * 0x0001000100010001ull);
    for (int y = rect.y0; y <= rect.y1; ++y) {
        FillRow(clear.colour + y * kScreenWidth + rect.x0, width, patterns[y & 3]);
        if (clear.depth != nullptr) FillRow(clear.depth + y * kScreenWidth + rect.x0, width, depthRun);
    }
}

}  // namespace glide
