// Block traversal with half-space edge functions, over the part of the
// triangle's bounds inside a rectangle (the screen, or one tile).
//
// The screen is cut into 8x8 blocks aligned to multiples of 8. A block whose
// clipped rectangle lies outside one edge at all four corners is skipped; one
// inside all three edges at all corners is shaded row by row without further
// tests; the rest are tested pixel by pixel. A triangle is convex, so the
// covered pixels of a row are one run: the runs a row collects across one
// band of blocks are shaded with a single call. A small triangle whose state
// has a block shader is handed to it whole instead (pixel/vector_block-inl.h),
// and a tiny one's pixels join the drawing thread's pixel batch
// (pixel_batch.h).
#include "raster/rasterizer.h"

#include "raster/pixel_batch.h"
#include "tuning.h"

namespace glide {

namespace {

constexpr int kBlock = 8;
using tuning::kBatchArea, tuning::kBlockArea, tuning::kBlockSide, tuning::kSmallSide;

struct EdgeRange {
    std::int64_t min, max;
};

inline EdgeRange CornerRange(const EdgeFunction& e, int x0, int y0, int x1, int y1) {
    const std::int64_t v00 = e.a * x0 + e.b * y0 + e.c;
    const std::int64_t ax = e.a * (x1 - x0), by = e.b * (y1 - y0);
    const std::int64_t lo = v00 + (ax < 0 ? ax : 0) + (by < 0 ? by : 0);
    const std::int64_t hi = v00 + (ax > 0 ? ax : 0) + (by > 0 ? by : 0);
    return {lo, hi};
}

// The covered run of one row, pixels x0..x1, with the edge functions' values
// w0..w2 at x0: false when the row covers none. The triangle is convex, so
// the scan stops at the first pixel out after the run.
inline bool RowRun(const EdgeFunction& e0, const EdgeFunction& e1, const EdgeFunction& e2, std::int64_t w0,
                   std::int64_t w1, std::int64_t w2, int x0, int x1, int* a, int* b) {
    *a = -1;
    for (int x = x0; x <= x1; ++x, w0 += e0.a, w1 += e1.a, w2 += e2.a) {
        if ((w0 | w1 | w2) >= 0) {
            if (*a < 0) *a = x;
            *b = x;
        } else if (*a >= 0) {
            break;
        }
    }
    return *a >= 0;
}

// A triangle a fast path drew whole: its pixels, and the triangle itself
// when it covered any.
inline std::uint64_t CountWhole(std::uint64_t covered, std::uint64_t& triangles, std::uint64_t& pixels) {
    triangles += covered > 0 ? 1 : 0;
    pixels += covered;
    return covered;
}

// A triangle drawn in spans, counted by its span shader's kind.
inline std::uint64_t CountSpanTriangle(const TriangleSetup& t, std::uint64_t covered, PathCounters& paths) {
    if (covered > 0) {
        switch (t.spanPath) {
            case SpanPath::kVector: ++paths.vectorSpanTriangles; break;
            case SpanPath::kScalar: ++paths.scalarSpanTriangles; break;
            case SpanPath::kGeneric: ++paths.genericTriangles; break;
        }
    }
    return covered;
}

}  // namespace

std::uint64_t RasterizeTriangle(const TriangleSetup& t, const TileRect& rect, SpanCounters& counters) {
    // The triangle's bounds clipped to the rectangle; blocks stay aligned to
    // multiples of 8 of the screen.
    const int minX = t.minX > rect.x0 ? t.minX : rect.x0, maxX = t.maxX < rect.x1 ? t.maxX : rect.x1;
    const int minY = t.minY > rect.y0 ? t.minY : rect.y0, maxY = t.maxY < rect.y1 ? t.maxY : rect.y1;
    const EdgeFunction& e0 = t.edge[0];
    const EdgeFunction& e1 = t.edge[1];
    const EdgeFunction& e2 = t.edge[2];
    const SpanShader shade = t.shader;
    std::uint64_t covered = 0;

    const int area = (maxX - minX + 1) * (maxY - minY + 1);

    // A tiny triangle's pixels join the batch. Anything else shades what the
    // batch holds first, so that each pixel sees the triangles in order.
    if (counters.batch != nullptr) {
        if (t.batchShader != nullptr && minX <= maxX && minY <= maxY && area < kBatchArea) {
            covered = BatchTriangle(t, minX, minY, maxX, maxY, *counters.batch, counters);
            if (covered != kBatchDeclined) {
                return CountWhole(covered, counters.paths.batchTriangles, counters.paths.batchPixels);
            }
            ++counters.paths.batchDeclined;
            covered = 0;
        }
        FlushPixelBatch(*counters.batch, counters);
    }

    // A small triangle in blocks, where the state has a block shader and
    // the rectangle's sides fall on the blocks' edges.
    if (t.blockShader != nullptr && maxX - minX < kBlockSide && maxY - minY < kBlockSide && area >= kBlockArea &&
        (rect.x0 & 3) == 0 && (rect.y0 & 3) == 0 && ((rect.x1 + 1) & 3) == 0 && ((rect.y1 + 1) & 3) == 0) {
        covered = t.blockShader(t, rect, counters);
        if (covered != kBlocksDeclined) {
            return CountWhole(covered, counters.paths.blockTriangles, counters.paths.blockPixels);
        }
        ++counters.paths.blockDeclined;
        covered = 0;
    }

    // A small triangle: each row's run found by one scan across the bounds,
    // without the block tests. The runs and the order of the calls are the
    // block walk's (rows bottom to top, one call per row).
    if (maxX - minX < kSmallSide && maxY - minY < kSmallSide) {
        std::int64_t row0 = e0.a * minX + e0.b * minY + e0.c;
        std::int64_t row1 = e1.a * minX + e1.b * minY + e1.c;
        std::int64_t row2 = e2.a * minX + e2.b * minY + e2.c;
        for (int y = minY; y <= maxY; ++y, row0 += e0.b, row1 += e1.b, row2 += e2.b) {
            int a = 0, b = 0;
            if (!RowRun(e0, e1, e2, row0, row1, row2, minX, maxX, &a, &b)) continue;
            shade(t, y, a, b, counters);
            covered += static_cast<std::uint64_t>(b - a + 1);
        }
        return CountSpanTriangle(t, covered, counters.paths);
    }

    for (int by = minY & ~(kBlock - 1); by <= maxY; by += kBlock) {
        const int y0 = by < minY ? minY : by;
        const int y1 = by + kBlock - 1 > maxY ? maxY : by + kBlock - 1;
        // The run of each row of this band of blocks, gathered across the
        // blocks so that a row is shaded with one call.
        int first[kBlock], last[kBlock];
        for (int i = 0; i < kBlock; ++i) first[i] = kScreenWidth, last[i] = -1;
        auto extend = [&first, &last](int row, int a, int b) {
            first[row] = a < first[row] ? a : first[row];
            last[row] = b > last[row] ? b : last[row];
        };
        for (int bx = minX & ~(kBlock - 1); bx <= maxX; bx += kBlock) {
            const int x0 = bx < minX ? minX : bx;
            const int x1 = bx + kBlock - 1 > maxX ? maxX : bx + kBlock - 1;
            const EdgeRange r0 = CornerRange(e0, x0, y0, x1, y1);
            const EdgeRange r1 = CornerRange(e1, x0, y0, x1, y1);
            const EdgeRange r2 = CornerRange(e2, x0, y0, x1, y1);
            if (r0.max < 0 || r1.max < 0 || r2.max < 0) continue;
            if (r0.min >= 0 && r1.min >= 0 && r2.min >= 0) {
                for (int y = y0; y <= y1; ++y) extend(y - by, x0, x1);
                continue;
            }
            for (int y = y0; y <= y1; ++y) {
                int a = 0, b = 0;
                if (RowRun(e0, e1, e2, e0.a * x0 + e0.b * y + e0.c, e1.a * x0 + e1.b * y + e1.c,
                           e2.a * x0 + e2.b * y + e2.c, x0, x1, &a, &b)) {
                    extend(y - by, a, b);
                }
            }
        }
        for (int y = y0; y <= y1; ++y) {
            const int row = y - by;
            if (last[row] < first[row]) continue;
            shade(t, y, first[row], last[row], counters);
            covered += static_cast<std::uint64_t>(last[row] - first[row] + 1);
        }
    }
    return CountSpanTriangle(t, covered, counters.paths);
}

}  // namespace glide
