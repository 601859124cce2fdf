// Filling a pixel batch: the covered pixels of a tiny triangle, each with
// its triangle's values at that pixel, worked out as the span path works
// them out (the same float operations in the same order; the colour planes'
// exact values, saturated to 32 bits where they leave that range, which
// changes no clamped colour).
#include "pixel_batch.h"

#include "device.h"
#include "texture_sampler.h"

namespace glide {

namespace {

// A 12.12 colour value in 32 bits: outside that range its clamped 8-bit
// value is 0 or 255 either way.
inline std::int32_t Saturate32(std::int64_t v) {
    return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v));
}

inline std::uint64_t SeenBit(int x, int y) { return std::uint64_t{1} << ((x & 7) | (y & 7) << 3); }

// Whether the batch holds a lane of this pixel.
inline bool Holds(const PixelBatch& batch, std::int32_t offset) {
    for (int i = 0; i < batch.count; ++i) {
        if (batch.offset[i] == offset) return true;
    }
    return false;
}

}  // namespace

std::uint64_t BatchTriangle(const TriangleSetup& t, int minX, int minY, int maxX, int maxY, PixelBatch& batch,
                            SpanCounters& counters) {
    if (batch.stateId != t.stateId) {
        if (batch.count > 0) batch.shade(batch, counters);
        CopyPixelState(t, &batch.state);
        batch.stateId = t.stateId;
        batch.shade = t.batchShader;
    }
    const bool textured = t.sampler != SamplerKind::kNone;
    const bool zFromOoz = t.depthMode == DepthMode::kZBuffer && t.hasOoz;
    const EdgeFunction& e0 = t.edge[0];
    const EdgeFunction& e1 = t.edge[1];
    const EdgeFunction& e2 = t.edge[2];
    std::int64_t row0 = e0.a * minX + e0.b * minY + e0.c;
    std::int64_t row1 = e1.a * minX + e1.b * minY + e1.c;
    std::int64_t row2 = e2.a * minX + e2.b * minY + e2.c;
    std::uint64_t covered = 0;
    for (int y = minY; y <= maxY; ++y, row0 += e0.b, row1 += e1.b, row2 += e2.b) {
        // The row's values, as a span of this row starts from them.
        const std::int64_t rowOffset = y - t.refY;
        const float fy = static_cast<float>(rowOffset);
        const float oowRow = t.oow.k + t.oow.dy * fy;
        const float oozRow = zFromOoz ? t.ooz.k + t.ooz.dy * fy : 0.0f;
        float sowRow = 0.0f, towRow = 0.0f;
        FootprintRow footprint{};
        if (textured) {
            sowRow = t.sow.k + t.sow.dy * fy, towRow = t.tow.k + t.tow.dy * fy;
            footprint = MakeFootprintRow(t, oowRow, sowRow, towRow);
        }
        std::int64_t w0 = row0, w1 = row1, w2 = row2;
        bool inside = false;
        for (int x = minX; x <= maxX; ++x, w0 += e0.a, w1 += e1.a, w2 += e2.a) {
            if ((w0 | w1 | w2) < 0) {
                if (inside) break;  // convex: the row's run has ended
                continue;
            }
            inside = true;
            ++covered;
            const std::int32_t offset = y * kScreenWidth + x;
            const std::uint64_t bit = SeenBit(x, y);
            if (batch.count == kBatchLanes || ((batch.seen & bit) != 0 && Holds(batch, offset))) {
                batch.shade(batch, counters);
            }
            batch.seen |= bit;
            const int i = batch.count++;
            const std::int64_t start = x - t.refX;
            batch.offset[i] = offset;
            batch.cell[i] = DitherCell(x, y);
            batch.fx[i] = static_cast<float>(start);
            batch.oowRow[i] = oowRow, batch.oowDx[i] = t.oow.dx;
            batch.oozRow[i] = oozRow, batch.oozDx[i] = t.ooz.dx;
            batch.r[i] = Saturate32(t.r.k + t.r.dy * rowOffset + t.r.dx * start);
            batch.g[i] = Saturate32(t.g.k + t.g.dy * rowOffset + t.g.dx * start);
            batch.b[i] = Saturate32(t.b.k + t.b.dy * rowOffset + t.b.dx * start);
            batch.a[i] = Saturate32(t.a.k + t.a.dy * rowOffset + t.a.dx * start);
            if (textured) {
                batch.nx2[i] = footprint.nx2, batch.nsy[i] = footprint.nsy, batch.nty[i] = footprint.nty;
                batch.csy[i] = footprint.csy, batch.cty[i] = footprint.cty;
                batch.sowRow[i] = sowRow, batch.towRow[i] = towRow;
                batch.sowDx[i] = t.sow.dx, batch.towDx[i] = t.tow.dx;
            }
        }
    }
    return covered;
}

PixelBatch& InlinePixelBatch() {
    static PixelBatch batch;
    return batch;
}

void FlushInlinePixelBatch() {
    PixelBatch& batch = InlinePixelBatch();
    if (batch.count == 0) return;
    SpanCounters counters;
    batch.shade(batch, counters);
    DeviceCounters& dc = TheDevice().counters;
    dc.pixelsWritten += counters.written;
    dc.pixelsDepthFailed += counters.depthFailed;
}

}  // namespace glide
