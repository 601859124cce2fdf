// Filling a pixel batch: a tiny triangle's entry (its planes) and a lane
// for each pixel centre it covers.
#include "raster/pixel_batch.h"

#include "device.h"

namespace glide {

namespace {

// Modulo 2^32: where the true value fits, the wrapped arithmetic gives it.
inline std::int32_t Wrap(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

inline std::uint64_t SeenBit(int x, int y) { return std::uint64_t{1} << ((x & 7) | (y & 7) << 3); }

// Whether the batch holds a lane of this pixel.
inline bool Holds(const PixelBatch& batch, std::int32_t xy) {
    for (int i = 0; i < batch.count; ++i) {
        if (batch.xy[i] == xy) return true;
    }
    return false;
}

// Whether t's colour source reads the constant colour: its entry then
// carries the colour as flat planes, which the batch shades as iterated.
inline bool FlatColour(const TriangleSetup& t) {
    return t.colour == ColourSource::kConstant || t.colour == ColourSource::kTextureTimesConstant;
}

// Writes t's entry at the batch's next index.
int AddEntry(const TriangleSetup& t, PixelBatch& batch) {
    const int i = batch.entries++;
    batch.refX[i] = t.refX, batch.refY[i] = t.refY;
    batch.oowK[i] = t.oow.k, batch.oowDx[i] = t.oow.dx, batch.oowDy[i] = t.oow.dy;
    batch.oozK[i] = t.ooz.k, batch.oozDx[i] = t.ooz.dx, batch.oozDy[i] = t.ooz.dy;
    batch.sowK[i] = t.sow.k, batch.sowDx[i] = t.sow.dx, batch.sowDy[i] = t.sow.dy;
    batch.towK[i] = t.tow.k, batch.towDx[i] = t.tow.dx, batch.towDy[i] = t.tow.dy;
    const FixedPlane* planes[4] = {&t.r, &t.g, &t.b, &t.a};
    const bool flat = FlatColour(t);
    // Iterated colour is the plane's value >> 12, clamped to 0..255.
    const std::uint8_t constant[3] = {t.constant.r, t.constant.g, t.constant.b};
    for (int c = 0; c < 4; ++c) {
        const bool flatPlane = flat && c < 3;
        batch.colourK[c][i] = flatPlane ? constant[c] << 12 : Wrap(planes[c]->k);
        batch.colourDx[c][i] = flatPlane ? 0 : Wrap(planes[c]->dx);
        batch.colourDy[c][i] = flatPlane ? 0 : Wrap(planes[c]->dy);
    }
    return i;
}

}  // namespace

std::uint64_t BatchTriangle(const TriangleSetup& t, int minX, int minY, int maxX, int maxY, PixelBatch& batch,
                            SpanCounters& counters) {
    // Every colour value over the bounds must fit the lanes' 32 bits.
    const std::int64_t x0 = minX - t.refX, y0 = minY - t.refY;
    const int w = maxX - minX, h = maxY - minY;
    for (int c = FlatColour(t) ? 3 : 0; c < 4; ++c) {
        const FixedPlane& p = c == 0 ? t.r : c == 1 ? t.g : c == 2 ? t.b : t.a;
        if (!FitsIn32(p.k + p.dx * x0 + p.dy * y0, p.dx, p.dy, w, h)) return kBatchDeclined;
    }
    // The lanes of one family share a batch: the constant colour, the only
    // field in which its states differ, travels in the entries.
    if (batch.familyId != t.familyId) {
        FlushPixelBatch(batch, counters);
        CopyPixelState(t, &batch.state);
        batch.familyId = t.familyId;
        batch.shade = t.batchShader;
    }
    const EdgeFunction& e0 = t.edge[0];
    const EdgeFunction& e1 = t.edge[1];
    const EdgeFunction& e2 = t.edge[2];
    std::int64_t row0 = e0.a * minX + e0.b * minY + e0.c;
    std::int64_t row1 = e1.a * minX + e1.b * minY + e1.c;
    std::int64_t row2 = e2.a * minX + e2.b * minY + e2.c;
    std::uint64_t covered = 0;
    int entry = -1;  // t's entry in the batch, once it has a lane
    for (int y = minY; y <= maxY; ++y, row0 += e0.b, row1 += e1.b, row2 += e2.b) {
        std::int64_t w0 = row0, w1 = row1, w2 = row2;
        bool inside = false;
        for (int x = minX; x <= maxX; ++x, w0 += e0.a, w1 += e1.a, w2 += e2.a) {
            if ((w0 | w1 | w2) < 0) {
                if (inside) break;  // convex: the row's run has ended
                continue;
            }
            inside = true;
            ++covered;
            const std::int32_t xy = x | y << 16;
            const std::uint64_t bit = SeenBit(x, y);
            if (batch.count == kBatchLanes || ((batch.seen & bit) != 0 && Holds(batch, xy))) {
                batch.shade(batch, counters);
                entry = -1;
            }
            if (entry < 0) entry = AddEntry(t, batch);
            batch.seen |= bit;
            batch.xy[batch.count] = xy;
            batch.entry[batch.count] = entry;
            ++batch.count;
        }
    }
    return covered;
}

SpanCounters& InlineCounters() {
    static PixelBatch batch;
    static SpanCounters counters = [] {
        SpanCounters c;
        c.batch = &batch;
        return c;
    }();
    return counters;
}

void FlushInlinePixelBatch() {
    SpanCounters& counters = InlineCounters();
    FlushPixelBatch(*counters.batch, counters);
    counters.MoveTo(&TheDevice().counters);
}

}  // namespace glide
