// grDrawLine after its set-up (see api/glide_line_api.cpp), drawn into a
// rectangle of the screen.
#pragma once

#include "raster/tile_rect.h"
#include "setup/triangle_setup.h"

namespace glide {

// The pixels first..last along the major axis, each in the minor row
// floor(minorStart + slope (m + 0.5 - majorStart)). The triangle record
// beside it holds the planes and the pixel state.
struct LineWalk {
    double majorStart = 0.0, minorStart = 0.0, slope = 0.0;
    int first = 0, last = -1;
    bool xMajor = true;
};

void DrawLine(const TriangleSetup& t, const LineWalk& line, const TileRect& rect, SpanCounters& counters);

// Pixel bounds of a line's pixels (the whole walk, clipped to the screen).
TileRect LineBounds(const LineWalk& line);

}  // namespace glide
