// The commands the device draws, each restricted to a rectangle of the
// screen: a triangle, a line and a buffer clear. The inline path draws each
// over the whole screen at the call; the tile queue draws each tile's share
// on a worker. Every pixel belongs to exactly one rectangle, and a command
// gives a pixel the same value whichever rectangle it is drawn in.
#pragma once

#include <cstdint>

#include "triangle_setup.h"

namespace glide {

// Inclusive pixel bounds. x0 and y0 of a tile are multiples of 8, so the
// rasterizer's 8x8 blocks fall the same way in a tile as on the screen.
struct TileRect {
    int x0 = 0, y0 = 0, x1 = kScreenWidth - 1, y1 = kScreenHeight - 1;
};

// grBufferClear: the dithered colour's four row patterns (x & 3, y & 3) and,
// when depth writes were on at the call, the depth value.
struct ClearFill {
    std::uint16_t* colour = nullptr;
    std::uint16_t* depth = nullptr;  // nullptr: the depth buffer is kept
    std::uint16_t depthValue = 0;
    std::uint16_t pattern[4][4] = {};
};

// grDrawLine after its set-up: the pixels first..last along the major axis,
// each in the minor row floor(minorStart + slope (m + 0.5 - majorStart)).
// The triangle record beside it holds the planes and the pixel state.
struct LineWalk {
    double majorStart = 0.0, minorStart = 0.0, slope = 0.0;
    int first = 0, last = -1;
    bool xMajor = true;
};

// Number of pixel centres of t inside the rectangle; shades them.
std::uint64_t RasterizeTriangle(const TriangleSetup& t, const TileRect& rect, SpanCounters& counters);

void DrawLine(const TriangleSetup& t, const LineWalk& line, const TileRect& rect, SpanCounters& counters);

// Pixel bounds of a line's pixels (the whole walk, clipped to the screen).
TileRect LineBounds(const LineWalk& line);

void FillClear(const ClearFill& clear, const TileRect& rect);

}  // namespace glide
