// Pixel batches shaded a vector at a time: the lanes of one vector are
// pixels of several tiny triangles of one pixel state (raster/pixel_batch.h). Each
// lane looks its triangle's planes up, works out the values a span of its
// row would start from (the same operations in the same order), and runs
// exactly the span path's stages (ShadeLanes of vector_stages-inl.h). The
// batch holds no pixel twice, so every lane reads the buffers as the
// triangles before it left them. Compiled per instruction set
// (vector_shaders.cpp).
#if defined(GLIDE_PIXEL_VECTOR_BATCH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GLIDE_PIXEL_VECTOR_BATCH_INL_H_
#undef GLIDE_PIXEL_VECTOR_BATCH_INL_H_
#else
#define GLIDE_PIXEL_VECTOR_BATCH_INL_H_
#endif

#include <hwy/highway.h>

#include <bit>
#include <cstdint>

#include "pixel/vector_stages-inl.h"
#include "raster/pixel_batch.h"

#if GLIDE_VECTOR_TARGET
HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

static_assert(kBatchLanes % kMaxLanes == 0, "a batch is whole vectors");

// The entries' values of a per-entry table for each lane.
template <class D>
HWY_INLINE hn::Vec<D> Lookup(D d, const hn::TFromD<D>* table, VI index) {
    static_assert(kBatchLanes == 16, "a batch's entries make one 16-entry table");
    return Lookup16(d, table, index);
}

// A colour plane's value at each lane: k + dx * px + dy * py, wrapping.
HWY_INLINE VI ColourLanes(const PixelBatch& batch, int c, VI index, VI px, VI py) {
    const DI di;
    const DU du;
    const VU k = hn::BitCast(du, Lookup(di, batch.colourK[c], index));
    const VU dx = hn::BitCast(du, Lookup(di, batch.colourDx[c], index));
    const VU dy = hn::BitCast(du, Lookup(di, batch.colourDy[c], index));
    return hn::BitCast(di, hn::Add(k, hn::Add(hn::Mul(dx, hn::BitCast(du, px)), hn::Mul(dy, hn::BitCast(du, py)))));
}

template <ColourSource kColour, SamplerKind kSampler>
void ShadeBatch(PixelBatch& batch, SpanCounters& counters) {
    const DF df;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(di));
    const TriangleSetup& t = batch.state;
    StageConstants k = MakeStageConstants(t);
    LaneInputs in;
    in.storedDepth = Int(0);
    in.old = Int(0);
    in.oozRow = Float(0.0f);
    SpanTexture tex{};
    tex.t = &t;
    std::uint64_t written = 0, depthFailed = 0;

    for (int first = 0; first < batch.count; first += lanes) {
        const int n = batch.count - first < lanes ? batch.count - first : lanes;
        const VI xy = hn::Load(di, batch.xy + first);
        const VI x = hn::And(xy, Int(0xFFFF)), y = hn::ShiftRight<16>(xy);
        const VI index = hn::Load(di, batch.entry + first);
        const VI px = hn::Sub(x, Lookup(di, batch.refX, index));
        const VI py = hn::Sub(y, Lookup(di, batch.refY, index));
        const VF fy = hn::ConvertTo(df, py);
        in.active = hn::FirstN(di, static_cast<std::size_t>(n));
        in.fx = hn::ConvertTo(df, px);
        // The row values a span of each lane's row starts from.
        const VF oowDy = Lookup(df, batch.oowDy, index);
        in.oowRow = hn::Add(Lookup(df, batch.oowK, index), hn::Mul(oowDy, fy));
        k.oowDx = Lookup(df, batch.oowDx, index);
        if (k.zFromOoz) {
            in.oozRow = hn::Add(Lookup(df, batch.oozK, index), hn::Mul(Lookup(df, batch.oozDy, index), fy));
            k.oozDx = Lookup(df, batch.oozDx, index);
        }
        in.r = ColourLanes(batch, 0, index, px, py), in.g = ColourLanes(batch, 1, index, px, py);
        in.b = ColourLanes(batch, 2, index, px, py), in.a = ColourLanes(batch, 3, index, px, py);
        const VI ditherIndex = DitherIndex(x, y);
        in.dither = DitherBiasesAt(ditherIndex);
        if constexpr (kSampler != SamplerKind::kNone) {
            TextureStepLanes d;
            d.oowDx = k.oowDx, d.oowDy = oowDy;
            d.sowDx = Lookup(df, batch.sowDx, index), d.sowDy = Lookup(df, batch.sowDy, index);
            d.towDx = Lookup(df, batch.towDx, index), d.towDy = Lookup(df, batch.towDy, index);
            const VF sowRow = hn::Add(Lookup(df, batch.sowK, index), hn::Mul(d.sowDy, fy));
            const VF towRow = hn::Add(Lookup(df, batch.towK, index), hn::Mul(d.towDy, fy));
            SetFootprintRows(d, in.oowRow, sowRow, towRow, &tex);
            tex.cell16 = hn::ShiftLeft<4>(Lookup16(di, kDitherLanes.cell, ditherIndex));
        }
        const VI offset = hn::Add(hn::Mul(y, Int(kScreenWidth)), x);
        if (k.over) in.old = GatherHalf(t.colourBuffer, offset);
        if (k.depthOn) in.storedDepth = GatherHalf(t.depthBuffer, offset);

        VI pixel, depth;
        const MI pass = ShadeLanes<kColour, kSampler>(t, k, tex, in, &pixel, &depth, &written, &depthFailed);
        if (hn::AllFalse(di, pass)) continue;
        // Lane by lane: the lanes are scattered pixels.
        HWY_ALIGN std::int32_t pixels[kMaxLanes], depths[kMaxLanes], offsets[kMaxLanes];
        hn::Store(pixel, di, pixels);
        hn::Store(offset, di, offsets);
        if (k.depthWrite) hn::Store(depth, di, depths);
        for (std::uint32_t bits = MaskBits(pass); bits != 0; bits &= bits - 1) {
            const int i = std::countr_zero(bits);
            t.colourBuffer[offsets[i]] = static_cast<std::uint16_t>(pixels[i]);
            if (k.depthWrite) t.depthBuffer[offsets[i]] = static_cast<std::uint16_t>(depths[i]);
        }
    }
    counters.written += written;
    counters.depthFailed += depthFailed;
    batch.count = 0;
    batch.entries = 0;
    batch.seen = 0;
}

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();
#endif

#endif  // GLIDE_PIXEL_VECTOR_BATCH_INL_H_
