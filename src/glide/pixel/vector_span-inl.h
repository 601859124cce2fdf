// The vector span shader: a row's run of pixels, a vector of consecutive
// pixels at a time, through the lane stages of vector_stages-inl.h. Compiled
// per instruction set (vector_shaders.cpp).
#if defined(GLIDE_PIXEL_VECTOR_SPAN_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GLIDE_PIXEL_VECTOR_SPAN_INL_H_
#undef GLIDE_PIXEL_VECTOR_SPAN_INL_H_
#else
#define GLIDE_PIXEL_VECTOR_SPAN_INL_H_
#endif

#include <hwy/highway.h>

#include <cmath>
#include <cstdint>

#include "pixel/scalar_stages.h"
#include "pixel/vector_stages-inl.h"
#include "setup/shader_choice.h"
#include "tuning.h"

#if GLIDE_VECTOR_TARGET
HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

// The level (before levelFor) that every pixel x0..x1 of a span's row
// samples with a single map, or -1 when it may change along the span. Each
// step from a pixel's position to its level is monotonic in the values it
// starts from (float rounding is), and along a row 1/w is linear and, when
// positive at both ends, positive between them: w lies between its end
// values, each footprint term's magnitude between its end values (or 0 when
// the term changes sign). The levels of the smallest and largest products
// those allow bound every pixel's level; when the two agree, that is it.
inline int SpanLevel(const TriangleSetup& t, const SamplerSetup& sp, float oowRow, const FootprintRow& f, float fx0,
                     float fx1) {
    const bool nearest =
        sp.mipmapMode == GR_MIPMAP_NEAREST || (sp.mipmapMode == GR_MIPMAP_NEAREST_DITHER && !t.mipmapDither);
    if (!nearest) return -1;
    const float oow0 = oowRow + t.oow.dx * fx0, oow1 = oowRow + t.oow.dx * fx1;
    if (!(oow0 > 0.0f) || !(oow1 > 0.0f)) return -1;
    const float w0 = 1.0f / oow0, w1 = 1.0f / oow1;
    const float wLo = w0 < w1 ? w0 : w1, wHi = w0 < w1 ? w1 : w0;
    // A footprint term n + c fx: the least and greatest of its square.
    bool finite = true;
    auto squares = [&](float n, float c, float* lo, float* hi) {
        const float a = n + c * fx0, b = n + c * fx1;
        finite = finite && std::isfinite(a) && std::isfinite(b);
        const float a2 = a * a, b2 = b * b;
        *hi = a2 > b2 ? a2 : b2;
        *lo = (a > 0.0f && b > 0.0f) || (a < 0.0f && b < 0.0f) ? (a2 < b2 ? a2 : b2) : 0.0f;
    };
    float sLo, sHi, tLo, tHi;
    squares(f.nsy, f.csy, &sLo, &sHi);
    squares(f.nty, f.cty, &tLo, &tHi);
    const float ny2Lo = sLo + tLo, ny2Hi = sHi + tHi;
    const float mLo = f.nx2 > ny2Lo ? f.nx2 : ny2Lo, mHi = f.nx2 > ny2Hi ? f.nx2 : ny2Hi;
    if (!finite || !(mLo > 0.0f) || !std::isfinite(mHi)) return -1;
    const float w2Lo = wLo * wLo, w2Hi = wHi * wHi;
    const float lo = mLo * w2Lo * w2Lo, hi = mHi * w2Hi * w2Hi;
    if (!(lo > 0.0f)) return -1;
    auto level = [&sp](float v) {
        const int l = (((glide::Log2Fixed8(v) >> 1) + sp.lodBias8) + 128) >> 8;
        return l < sp.largeLod ? sp.largeLod : (l > sp.smallLod ? sp.smallLod : l);
    };
    const int first = level(lo);
    return first == level(hi) ? first : -1;
}



// value(x0) and the step of a 12.12 plane, when every value along the span
// fits in 32 bits.
inline bool PlaneStart(const FixedPlane& p, std::int64_t rowOffset, std::int64_t start, int count,
                       std::int32_t* value, std::int32_t* step) {
    const std::int64_t first = p.k + p.dy * rowOffset + p.dx * start;
    const std::int64_t last = first + p.dx * (count - 1);
    constexpr std::int64_t kLow = INT32_MIN, kHigh = INT32_MAX;
    if (first < kLow || first > kHigh || last < kLow || last > kHigh) return false;
    *value = static_cast<std::int32_t>(first);
    *step = static_cast<std::int32_t>(static_cast<std::uint64_t>(p.dx));  // modulo 2^32: lanes wrap alike
    return true;
}

// One plane's lanes: value + step * lane, then + step * lanes per group,
// in wrapping 32-bit arithmetic (every value that matters fits).
struct IntPlane {
    VI value, groupStep;
};

HWY_INLINE IntPlane MakeIntPlane(std::int32_t value, std::int32_t step) {
    const DI di;
    const VU lane = hn::BitCast(DU(), hn::Iota(di, 0));
    const VU v = hn::Add(hn::BitCast(DU(), hn::Set(di, value)), hn::Mul(lane, hn::BitCast(DU(), hn::Set(di, step))));
    const VU g = hn::Mul(hn::BitCast(DU(), hn::Set(di, step)), hn::Set(DU(), static_cast<std::uint32_t>(hn::Lanes(di))));
    return {hn::BitCast(di, v), hn::BitCast(di, g)};
}

HWY_INLINE void Advance(IntPlane& p) {
    p.value = hn::BitCast(DI(), hn::Add(hn::BitCast(DU(), p.value), hn::BitCast(DU(), p.groupStep)));
}

// Where 16-bit masked loads and stores are instructions (AVX-512), a span
// reads and writes its pixels through them; elsewhere a short last group
// goes through a copy and every lane is stored, passing or not.
#if HWY_TARGET == HWY_AVX3
constexpr bool kMaskedPixels = true;
// The same lanes as 16-bit lanes (a mask register either way).
HWY_INLINE hn::Mask<D16> PixelMask(MI m) { return hn::Mask<D16>{static_cast<__mmask16>(m.raw)}; }
#else
constexpr bool kMaskedPixels = false;
HWY_INLINE hn::Mask<D16> PixelMask(MI) { return hn::FirstN(D16(), 0); }  // never used
#endif

// A short group's pixels (fewer than a vector) one by one: a call to
// memcpy costs more than the copy.
HWY_INLINE void CopyPixels(std::uint16_t* to, const std::uint16_t* from, int n) {
    for (int i = 0; i < n; ++i) to[i] = from[i];
}

template <ColourSource kColour, SamplerKind kSampler>
void VectorSpan(const TriangleSetup& t, int y, int x0, int x1, SpanCounters& counters) {
    const DF df;
    const DI di;
    const D16 d16;
    const int lanes = static_cast<int>(hn::Lanes(di));

    const std::int64_t rowOffset = y - t.refY;
    const std::int64_t start = x0 - t.refX;
    const int count = x1 - x0 + 1;
    if (count <= tuning::kShortSpan) {
        t.scalarShader(t, y, x0, x1, counters);
        return;
    }
    std::int32_t r0, rStep, g0, gStep, b0, bStep, a0, aStep;
    if (!PlaneStart(t.r, rowOffset, start, count, &r0, &rStep) ||
        !PlaneStart(t.g, rowOffset, start, count, &g0, &gStep) ||
        !PlaneStart(t.b, rowOffset, start, count, &b0, &bStep) ||
        !PlaneStart(t.a, rowOffset, start, count, &a0, &aStep)) {
        ++counters.paths.spanOverflows;
        GenericSpanShader()(t, y, x0, x1, counters);
        return;
    }
    IntPlane r = MakeIntPlane(r0, rStep), g = MakeIntPlane(g0, gStep), b = MakeIntPlane(b0, bStep),
             a = MakeIntPlane(a0, aStep);

    const StageConstants k = MakeStageConstants(t);
    const float fy = static_cast<float>(rowOffset);
    const float oowRow = t.oow.k + t.oow.dy * fy;
    LaneInputs in;
    in.oowRow = Float(oowRow);
    in.oozRow = Float(k.zFromOoz ? t.ooz.k + t.ooz.dy * fy : 0.0f);
    in.storedDepth = Int(0);
    SpanTexture tex{};
    // Each group of lanes starts at a multiple of 4 pixels from x0: the
    // same dither cells.
    const VI ditherIndex = DitherIndex(hn::Add(hn::Iota(di, 0), Int(x0)), Int(y));
    in.dither = DitherBiasesAt(ditherIndex);
    if constexpr (kSampler != SamplerKind::kNone) {
        tex.t = &t;
        const float sowRow = t.sow.k + t.sow.dy * fy, towRow = t.tow.k + t.tow.dy * fy;
        const FootprintRow footprint = MakeFootprintRow(t, oowRow, sowRow, towRow);
        SetFootprintRow(t, footprint, sowRow, towRow, &tex);
        if constexpr (kSampler == SamplerKind::kPoint || kSampler == SamplerKind::kBilinear) {
            tex.spanLevel = SpanLevel(t, t.tex[0], oowRow, footprint, static_cast<float>(x0 - t.refX),
                                      static_cast<float>(x1 - t.refX));
        }
        tex.cell16 = hn::ShiftLeft<4>(Lookup16(di, kDitherLanes.cell, ditherIndex));
    }

    std::uint16_t* const colourRow = t.colourBuffer + y * kScreenWidth;
    std::uint16_t* const depthRow = t.depthBuffer + y * kScreenWidth;
    const VI laneIndex = hn::Iota(di, 0);
    std::uint64_t written = 0, depthFailed = 0;
    in.old = Int(0);

    for (int x = x0; x <= x1; x += lanes, Advance(r), Advance(g), Advance(b), Advance(a)) {
        const int n = x1 - x + 1 < lanes ? x1 - x + 1 : lanes;
        in.active = hn::FirstN(di, static_cast<std::size_t>(n));
        in.fx = hn::ConvertTo(df, hn::Add(laneIndex, Int(x - t.refX)));
        in.r = r.value, in.g = g.value, in.b = b.value, in.a = a.value;
        VI pixel, depth;
        if constexpr (kMaskedPixels) {
            // Masked loads and stores touch the span's pixels only, and a
            // pixel that fails keeps its value without being read.
            const auto active16 = hn::FirstN(d16, static_cast<std::size_t>(n));
            if (k.over) in.old = hn::PromoteTo(di, hn::MaskedLoad(active16, d16, colourRow + x));
            if (k.depthOn) in.storedDepth = hn::PromoteTo(di, hn::MaskedLoad(active16, d16, depthRow + x));
            const MI pass = ShadeLanes<kColour, kSampler>(t, k, tex, in, &pixel, &depth, &written, &depthFailed);
            if (hn::AllFalse(di, pass)) continue;
            const auto pass16 = PixelMask(pass);
            hn::BlendedStore(hn::DemoteTo(d16, pixel), pass16, d16, colourRow + x);
            if (k.depthWrite) hn::BlendedStore(hn::DemoteTo(d16, depth), pass16, d16, depthRow + x);
            continue;
        }
        // The buffers' pixels; a short last group goes through a copy so
        // that nothing past the span is read or written.
        HWY_ALIGN std::uint16_t colourCopy[kMaxLanes], depthCopy[kMaxLanes];
        std::uint16_t* colourAt = colourRow + x;
        std::uint16_t* depthAt = depthRow + x;
        if (n < lanes) {
            // The lanes past the span read zeros, not whatever the stack held.
            hn::Store(hn::Zero(d16), d16, colourCopy);
            CopyPixels(colourCopy, colourAt, n);
            colourAt = colourCopy;
            if (k.depthOn) {
                hn::Store(hn::Zero(d16), d16, depthCopy);
                CopyPixels(depthCopy, depthAt, n);
                depthAt = depthCopy;
            }
        }
        in.old = hn::PromoteTo(di, hn::LoadU(d16, colourAt));
        if (k.depthOn) in.storedDepth = hn::PromoteTo(di, hn::LoadU(d16, depthAt));
        const MI pass = ShadeLanes<kColour, kSampler>(t, k, tex, in, &pixel, &depth, &written, &depthFailed);
        if (hn::AllFalse(di, pass)) continue;
        hn::StoreU(hn::DemoteTo(d16, hn::IfThenElse(pass, pixel, in.old)), d16, colourAt);
        if (k.depthWrite) hn::StoreU(hn::DemoteTo(d16, hn::IfThenElse(pass, depth, in.storedDepth)), d16, depthAt);
        if (n < lanes) {
            CopyPixels(colourRow + x, colourCopy, n);
            if (k.depthWrite) CopyPixels(depthRow + x, depthCopy, n);
        }
    }
    counters.written += written;
    counters.depthFailed += depthFailed;
    counters.paths.vectorSpanPixels += static_cast<std::uint64_t>(count);
}

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();
#endif

#endif  // GLIDE_PIXEL_VECTOR_SPAN_INL_H_

