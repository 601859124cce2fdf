// Traversal with half-space edge functions, over the part of the triangle's
// bounds inside a rectangle (the screen, or one tile). A triangle is convex,
// so the covered pixels of a row are one run, shaded with a single call,
// rows bottom to top: a small triangle's runs are found by a scan across its
// bounds, a larger one's by dividing each edge's value on the row by its
// step along x. A small triangle whose state has a block shader is handed to
// it whole instead (pixel/vector_block-inl.h), and a tiny one's pixels join
// the drawing thread's pixel batch (pixel_batch.h).
#include "raster/rasterizer.h"

#include "raster/pixel_batch.h"
#include "tuning.h"

namespace glide {

namespace {

using tuning::kBatchArea, tuning::kBlockArea, tuning::kBlockSide, tuning::kSmallSide;

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

// Floor and ceiling of n / d for d > 0.
inline std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
    const std::int64_t q = n / d;
    return q - (n % d != 0 && n < 0 ? 1 : 0);
}
inline std::int64_t CeilDiv(std::int64_t n, std::int64_t d) { return -FloorDiv(-n, d); }

// Narrows the run *first..*last of a row to the pixels x where one edge's
// a x + row >= 0 (row: the edge's value at x = 0 on that row), exactly, by
// division instead of a scan; false when none is left.
inline bool EdgeRun(std::int64_t a, std::int64_t row, int* first, int* last) {
    if (a > 0) {
        const std::int64_t from = CeilDiv(-row, a);
        if (from > *first) *first = from > *last ? *last + 1 : static_cast<int>(from);
    } else if (a < 0) {
        const std::int64_t to = FloorDiv(row, -a);
        if (to < *last) *last = to < *first ? *first - 1 : static_cast<int>(to);
    } else if (row < 0) {
        return false;
    }
    return *first <= *last;
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
    // The triangle's bounds clipped to the rectangle.
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

    // A small triangle: each row's run found by one scan across the bounds.
    // The runs and the order of the calls are those of the larger
    // triangles' walk below (rows bottom to top, one call per row).
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

    // Anything larger: each row's run worked out from the edges themselves.
    std::int64_t row0 = e0.b * minY + e0.c, row1 = e1.b * minY + e1.c, row2 = e2.b * minY + e2.c;
    for (int y = minY; y <= maxY; ++y, row0 += e0.b, row1 += e1.b, row2 += e2.b) {
        int a = minX, b = maxX;
        if (!EdgeRun(e0.a, row0, &a, &b) || !EdgeRun(e1.a, row1, &a, &b) || !EdgeRun(e2.a, row2, &a, &b)) continue;
        shade(t, y, a, b, counters);
        covered += static_cast<std::uint64_t>(b - a + 1);
    }
    return CountSpanTriangle(t, covered, counters.paths);
}

}  // namespace glide
