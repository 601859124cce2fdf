// Pixel batches shaded a vector at a time: the lanes of one vector are
// pixels of several tiny triangles of one pixel state (pixel_batch.h), each
// with its own triangle's values, run through exactly the span path's
// stages (ShadeLanes of span_stages-inl.h). The batch holds no pixel twice,
// so every lane reads the buffers as the triangles before it left them.
// Compiled per instruction set with span_stages-inl.h, which it follows.
#if defined(GLIDE_BATCH_STAGES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GLIDE_BATCH_STAGES_INL_H_
#undef GLIDE_BATCH_STAGES_INL_H_
#else
#define GLIDE_BATCH_STAGES_INL_H_
#endif

#include <hwy/highway.h>

#include <bit>
#include <cstdint>

#include "pixel_batch.h"

#if HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3
HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

static_assert(kBatchLanes % kMaxLanes == 0, "a batch is whole vectors");

template <ColourSource kColour, SamplerKind kSampler>
void ShadeBatch(PixelBatch& batch, SpanCounters& counters) {
    const DF df;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(di));
    const TriangleSetup& t = batch.state;
    StageConstants k = MakeStageConstants(t);
    LaneInputs in;
    in.storedDepth = Int(0);
    SpanTexture tex{};
    tex.t = &t;
    std::uint64_t written = 0, depthFailed = 0;

    for (int first = 0; first < batch.count; first += lanes) {
        const int n = batch.count - first < lanes ? batch.count - first : lanes;
        const VI offset = hn::Load(di, batch.offset + first);
        const VI cell = hn::Load(di, batch.cell + first);
        in.active = hn::FirstN(di, static_cast<std::size_t>(n));
        in.fx = hn::Load(df, batch.fx + first);
        in.oowRow = hn::Load(df, batch.oowRow + first);
        k.oowDx = hn::Load(df, batch.oowDx + first);
        if (k.zFromOoz) {
            in.oozRow = hn::Load(df, batch.oozRow + first);
            k.oozDx = hn::Load(df, batch.oozDx + first);
        } else {
            in.oozRow = Float(0.0f);
        }
        in.r = hn::Load(di, batch.r + first), in.g = hn::Load(di, batch.g + first);
        in.b = hn::Load(di, batch.b + first), in.a = hn::Load(di, batch.a + first);
        in.cellPlus1 = hn::Add(cell, Int(1));
        if constexpr (kSampler != SamplerKind::kNone) {
            tex.nx2 = hn::Load(df, batch.nx2 + first);
            tex.nsy = hn::Load(df, batch.nsy + first), tex.nty = hn::Load(df, batch.nty + first);
            tex.csy = hn::Load(df, batch.csy + first), tex.cty = hn::Load(df, batch.cty + first);
            tex.sowRow = hn::Load(df, batch.sowRow + first), tex.towRow = hn::Load(df, batch.towRow + first);
            tex.sowDx = hn::Load(df, batch.sowDx + first), tex.towDx = hn::Load(df, batch.towDx + first);
            tex.cell16 = hn::ShiftLeft<4>(cell);
        }
        in.old = GatherHalf(t.colourBuffer, offset);
        if (k.depthOn) in.storedDepth = GatherHalf(t.depthBuffer, offset);

        VI pixel, depth;
        const MI pass = ShadeLanes<kColour, kSampler>(t, k, tex, in, &pixel, &depth, &written, &depthFailed);
        if (hn::AllFalse(di, pass)) continue;
        // Lane by lane: the lanes are scattered pixels.
        HWY_ALIGN std::int32_t pixels[kMaxLanes], depths[kMaxLanes];
        hn::Store(pixel, di, pixels);
        if (k.depthWrite) hn::Store(depth, di, depths);
        for (std::uint32_t bits = MaskBits(pass); bits != 0; bits &= bits - 1) {
            const int i = std::countr_zero(bits);
            const std::int32_t at = batch.offset[first + i];
            t.colourBuffer[at] = static_cast<std::uint16_t>(pixels[i]);
            if (k.depthWrite) t.depthBuffer[at] = static_cast<std::uint16_t>(depths[i]);
        }
    }
    counters.written += written;
    counters.depthFailed += depthFailed;
    batch.count = 0;
    batch.seen = 0;
}

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();
#endif

#endif  // GLIDE_BATCH_STAGES_INL_H_
