// A set-up line's pixels inside a rectangle of the screen (see
// api/glide_line_api.cpp for the rule that picks them).
#include "raster/line_walk.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace glide {

namespace {

int MinorAt(const LineWalk& line, int m) {
    const double minor = line.minorStart + line.slope * (static_cast<double>(m) + 0.5 - line.majorStart);
    const double n = std::floor(minor);
    // Beyond the screen either way (the caller's coordinates are bounded).
    return n < -1.0 ? -1 : (n > 1.0e6 ? 1000000 : static_cast<int>(n));
}

}  // namespace

TileRect LineBounds(const LineWalk& line) {
    // The minor position is monotonic along the walk: its ends bound it.
    int lo = MinorAt(line, line.first), hi = MinorAt(line, line.last);
    if (lo > hi) std::swap(lo, hi);
    const int minorLimit = line.xMajor ? kScreenHeight : kScreenWidth;
    lo = lo < 0 ? 0 : lo;
    hi = hi > minorLimit - 1 ? minorLimit - 1 : hi;
    if (hi < lo) hi = lo = 0;  // off the screen: drawn nowhere, binned anywhere
    TileRect r;
    if (line.xMajor) {
        r.x0 = line.first, r.x1 = line.last, r.y0 = lo, r.y1 = hi;
    } else {
        r.y0 = line.first, r.y1 = line.last, r.x0 = lo, r.x1 = hi;
    }
    return r;
}

// The shaders step attributes along a row. An x-major line lights one pixel
// per column, so the planes serve it directly; a y-major line runs up a
// column, so each of its pixels gets a copy of the planes moved to its step.
void DrawLine(const TriangleSetup& t, const LineWalk& line, const TileRect& rect, SpanCounters& counters) {
    const int majorLo = line.xMajor ? rect.x0 : rect.y0, majorHi = line.xMajor ? rect.x1 : rect.y1;
    const int minorLo = line.xMajor ? rect.y0 : rect.x0, minorHi = line.xMajor ? rect.y1 : rect.x1;
    const int from = line.first > majorLo ? line.first : majorLo;
    const int to = line.last < majorHi ? line.last : majorHi;
    for (int m = from; m <= to; ++m) {
        const double minor = line.minorStart + line.slope * (static_cast<double>(m) + 0.5 - line.majorStart);
        const std::int64_t n = static_cast<std::int64_t>(std::floor(minor));
        if (n < minorLo || n > minorHi) continue;
        if (line.xMajor) {
            t.shader(t, static_cast<int>(n), m, m, counters);
        } else {
            // Evaluate the planes at this step and shade the one pixel.
            TriangleSetup one = t;
            const std::int64_t steps = m - line.first;
            one.refX = static_cast<int>(n), one.refY = 0;
            one.r.k = t.r.k + t.r.dx * steps, one.g.k = t.g.k + t.g.dx * steps;
            one.b.k = t.b.k + t.b.dx * steps, one.a.k = t.a.k + t.a.dx * steps;
            one.oow.k = t.oow.k + t.oow.dx * static_cast<float>(steps);
            one.sow.k = t.sow.k + t.sow.dx * static_cast<float>(steps);
            one.tow.k = t.tow.k + t.tow.dx * static_cast<float>(steps);
            one.ooz.k = t.ooz.k + t.ooz.dx * static_cast<float>(steps);
            one.shader(one, m, static_cast<int>(n), static_cast<int>(n), counters);
        }
    }
}

}  // namespace glide
