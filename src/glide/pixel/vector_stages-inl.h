// The pixel stages on vectors of pixels, in pipeline order, and ShadeLanes,
// which runs them on one vector: the vector form of scalar_stages.h, shared
// by the span, block and batch shaders (vector_span-inl.h,
// vector_block-inl.h, vector_batch-inl.h). Compiled once per instruction set
// (vector_shaders.cpp includes it through Highway's foreach_target), so it
// has no include guard of the usual kind.
//
// Every lane performs exactly the scalar path's operations: the same IEEE
// single-precision multiplies and adds in the same order (never fused), the
// same integer rounding, the same table values. Integer colour planes run in
// 32-bit lanes; a span whose colour values leave the 32-bit range is drawn
// by the scalar reference instead.
//
// A lane past the end of the span computes a real pixel's values that are
// never stored; every table index and texel address stays inside its table
// for any input, so such lanes (and NaN or huge coordinates) read nothing
// they should not.
#if defined(GLIDE_PIXEL_VECTOR_STAGES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GLIDE_PIXEL_VECTOR_STAGES_INL_H_
#undef GLIDE_PIXEL_VECTOR_STAGES_INL_H_
#else
#define GLIDE_PIXEL_VECTOR_STAGES_INL_H_
#endif

#include <hwy/highway.h>

#include <bit>
#include <cstdint>

#include "pixel/dither.h"
#include "pixel/scalar_stages.h"
#include "pixel/vector_targets.h"

#if GLIDE_VECTOR_TARGET
HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using DU = hn::RebindToUnsigned<DF>;
using D16 = hn::Rebind<std::uint16_t, DI>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using VU = hn::Vec<DU>;
using MI = hn::Mask<DI>;

constexpr int kMaxLanes = HWY_MAX_BYTES / 4;
// Tables of bytes and 16-bit entries are read through 32-bit words.
static_assert(std::endian::native == std::endian::little);

// ---- small arithmetic ------------------------------------------------------------

HWY_INLINE VI Int(int v) { return hn::Set(DI(), v); }
HWY_INLINE VF Float(float v) { return hn::Set(DF(), v); }
HWY_INLINE MI IntMask(hn::Mask<DF> m) { return hn::RebindMask(DI(), m); }

// FloorToInt of texture_sampler.h: inside the clamps the floor is a whole
// number that converts exactly.
HWY_INLINE VI FloorToInt(VF v) {
    v = hn::IfThenElse(hn::Gt(v, Float(-1.0e9f)), v, Float(-1.0e9f));
    v = hn::IfThenElse(hn::Lt(v, Float(1.0e9f)), v, Float(1.0e9f));
    return hn::ConvertTo(DI(), hn::Floor(v));
}

// Div255 of colour_math.h.
HWY_INLINE VI Div255(VI x) {
    const VI y = hn::Add(x, Int(128));
    return hn::ShiftRight<8>(hn::Add(y, hn::ShiftRight<8>(y)));
}

// Mul255 of colour_math.h.
HWY_INLINE VI Mul255(VI a, VI b) { return Div255(hn::Mul(a, b)); }

// Clamp255 of colour_math.h.
HWY_INLINE VI Clamp255(VI v12) { return hn::Min(hn::Max(hn::ShiftRight<12>(v12), Int(0)), Int(255)); }

// 16-bit table entries, looked up by 32-bit gathers of the aligned word
// holding them. The table's size is a multiple of 4 bytes.
HWY_INLINE VI GatherHalf(const std::uint16_t* table, VI index) {
    const VI word = hn::GatherIndex(DI(), reinterpret_cast<const std::int32_t*>(table), hn::ShiftRight<1>(index));
    const VU shift = hn::BitCast(DU(), hn::ShiftLeft<4>(hn::And(index, Int(1))));
    return hn::And(hn::BitCast(DI(), hn::Shr(hn::BitCast(DU(), word), shift)), Int(0xFFFF));
}

// ---- depth --------------------------------------------------------------------------

// WDepthFromOow of depth_format.h. For 1/w in (0, 1), (leading zeros << 12)
// | (0xFFF - mantissa12) is 0x7EFFF - (bits >> 11) (the exponent field is
// 126 - leading zeros, and bits >> 11 is exponent << 12 | mantissa12); the
// clamps give 0 from 1 up (infinity included) and 0xFFFF beyond 15 leading
// zeros, for 0 and for negative values (their sign makes bits >> 11
// negative). Only a NaN with the sign clear needs its own test.
HWY_INLINE VI WDepth(VF oow) {
    const VI bits = hn::BitCast(DI(), oow);
    const VI v = hn::Min(hn::Max(hn::Sub(Int(0x7EFFF), hn::ShiftRight<11>(bits)), Int(0)), Int(0xFFFF));
    return hn::IfThenElse(hn::Gt(bits, Int(0x7F800000)), Int(0xFFFF), v);
}

// ZDepthFromOoz of depth_format.h.
HWY_INLINE VI ZDepth(VF ooz) {
    const VF below = hn::IfThenElse(hn::Lt(ooz, Float(65535.0f)), ooz, Float(65535.0f));
    const VI v = hn::ConvertTo(DI(), hn::IfThenElse(hn::Gt(ooz, Float(0.0f)), below, Float(0.0f)));
    return v;
}

// The comparison function's bits: bit 0 passes "less", bit 1 "equal", bit 2
// "greater" (GR_CMP_NEVER 0 ... GR_CMP_ALWAYS 7); the test picks the bit of
// each lane's outcome with one variable shift.
struct DepthCompare {
    VU function;
};

HWY_INLINE DepthCompare MakeDepthCompare(std::int32_t function) {
    if (function < GR_CMP_NEVER || function > GR_CMP_ALWAYS) function = GR_CMP_ALWAYS;
    return {hn::Set(DU(), static_cast<std::uint32_t>(function))};
}

// Both values are 16-bit, so their difference, clamped to -1..1, plus 1 is
// the bit of the outcome.
HWY_INLINE MI DepthPasses(const DepthCompare& c, VI value, VI stored) {
    const VI outcome = hn::Add(hn::Min(hn::Max(hn::Sub(value, stored), Int(-1)), Int(1)), Int(1));
    const VU bit = hn::And(hn::Shr(c.function, hn::BitCast(DU(), outcome)), hn::Set(DU(), 1u));
    return hn::RebindMask(DI(), hn::Ne(bit, hn::Zero(DU())));
}

// ---- texture --------------------------------------------------------------------------

// What the sampler stages need of a span or a block: the row values of each
// lane (a span's lanes share one row, a block's come from several).
struct SpanTexture {
    const TriangleSetup* t;
    VF nx2, nsy, nty;  // FootprintRow of each lane's row
    VF csy, cty;
    VF sowRow, towRow, sowDx, towDx;
    VI cell16;  // mip-map dither offsets (DitherCell << 4)
    int spanLevel = -1;  // the level every lane samples (SpanLevel), -1: each lane its own
};

// What every lane shares: the per-pixel steps.
HWY_INLINE void SetTextureSteps(const TriangleSetup& t, VF sowRow, VF towRow, SpanTexture* st) {
    st->csy = Float(t.sow.dy * t.oow.dx - t.oow.dy * t.sow.dx);
    st->cty = Float(t.tow.dy * t.oow.dx - t.oow.dy * t.tow.dx);
    st->sowRow = sowRow, st->towRow = towRow;
    st->sowDx = Float(t.sow.dx), st->towDx = Float(t.tow.dx);
}

// The per-pixel steps of the 1/w, s/w and t/w planes, per lane: one
// triangle's in every lane (StepsOf), or each lane its own (a batch).
struct TextureStepLanes {
    VF oowDx, oowDy, sowDx, sowDy, towDx, towDy;
};

HWY_INLINE TextureStepLanes StepsOf(const TriangleSetup& t) {
    return {Float(t.oow.dx), Float(t.oow.dy), Float(t.sow.dx), Float(t.sow.dy), Float(t.tow.dx), Float(t.tow.dy)};
}

// MakeFootprintRow of texture_sampler.h, per lane (a block's lanes come from
// several rows, a batch's from several triangles), and the steps as
// SetTextureSteps works them out.
HWY_INLINE void SetFootprintRows(const TextureStepLanes& d, VF oowRow, VF sowRow, VF towRow, SpanTexture* st) {
    const VF nsx = hn::Sub(hn::Mul(d.sowDx, oowRow), hn::Mul(d.oowDx, sowRow));
    const VF ntx = hn::Sub(hn::Mul(d.towDx, oowRow), hn::Mul(d.oowDx, towRow));
    st->nx2 = hn::Add(hn::Mul(nsx, nsx), hn::Mul(ntx, ntx));
    st->nsy = hn::Sub(hn::Mul(d.sowDy, oowRow), hn::Mul(d.oowDy, sowRow));
    st->nty = hn::Sub(hn::Mul(d.towDy, oowRow), hn::Mul(d.oowDy, towRow));
    st->csy = hn::Sub(hn::Mul(d.sowDy, d.oowDx), hn::Mul(d.oowDy, d.sowDx));
    st->cty = hn::Sub(hn::Mul(d.towDy, d.oowDx), hn::Mul(d.oowDy, d.towDx));
    st->sowRow = sowRow, st->towRow = towRow;
    st->sowDx = d.sowDx, st->towDx = d.towDx;
}

// A span's lanes share one row: its FootprintRow, worked out once.
HWY_INLINE void SetFootprintRow(const TriangleSetup& t, const FootprintRow& f, float sowRow, float towRow,
                                SpanTexture* st) {
    st->nx2 = Float(f.nx2), st->nsy = Float(f.nsy), st->nty = Float(f.nty);
    SetTextureSteps(t, Float(sowRow), Float(towRow), st);
}

// Log2Fixed8 of texture_sampler.h.
HWY_INLINE VI Log2Fixed8(VF v) {
    const VI log = hn::Sub(hn::ShiftRight<15>(hn::BitCast(DI(), v)), Int(127 << 8));
    const VI special = hn::IfThenElse(IntMask(hn::Eq(v, v)), Int(-(1 << 20)), Int(1 << 20));
    return hn::IfThenElse(IntMask(hn::Gt(v, Float(0.0f))), log, special);
}

// FootprintM of texture_sampler.h.
HWY_INLINE VF FootprintM(const SpanTexture& st, VF fx) {
    const VF nsy = hn::Add(st.nsy, hn::Mul(st.csy, fx));
    const VF nty = hn::Add(st.nty, hn::Mul(st.cty, fx));
    const VF ny2 = hn::Add(hn::Mul(nsy, nsy), hn::Mul(nty, nty));
    return hn::IfThenElse(hn::Gt(st.nx2, ny2), st.nx2, ny2);
}

// PixelLod8 of texture_sampler.h, from the lanes' FootprintM.
HWY_INLINE VI PixelLod8(VF m, VF w, int bias8) {
    const VF w2 = hn::Mul(w, w);
    return hn::Add(hn::ShiftRight<1>(Log2Fixed8(hn::Mul(hn::Mul(m, w2), w2))), Int(bias8));
}

HWY_INLINE VI WrapOrClamp(VI i, int size, bool clamp) {
    if (clamp) return hn::Min(hn::Max(i, Int(0)), Int(size - 1));
    return hn::And(i, Int(size - 1));
}

HWY_INLINE VI Texels(const TextureLevel& lv, VI x, VI y) {
    return hn::GatherIndex(DI(), reinterpret_cast<const std::int32_t*>(lv.texels),
                           hn::Add(hn::ShiftLeftSame(y, lv.widthLog2), x));
}

// LerpArgb of texture_sampler.h. Each masked channel times a weight of at
// most 256, and the sum of the two products, stay below 2^16, so the 32-bit
// products and sums of the scalar path equal 16-bit ones on each half of
// the word (no carry crosses), which multiply faster.
HWY_INLINE VI LerpArgb(VI a, VI b, VI f) {
    const DU du;
    const hn::Repartition<std::uint16_t, DU> d16;
    const VU uf = hn::BitCast(du, f);
    const auto inv = hn::BitCast(d16, hn::Mul(hn::Sub(hn::Set(du, 256u), uf), hn::Set(du, 0x10001u)));
    const auto f16 = hn::BitCast(d16, hn::Mul(uf, hn::Set(du, 0x10001u)));
    const VU lowMask = hn::Set(du, 0x00FF00FFu);
    auto lerp = [&](VU x, VU y) {
        return hn::BitCast(du, hn::Add(hn::Mul(hn::BitCast(d16, hn::And(x, lowMask)), inv),
                                       hn::Mul(hn::BitCast(d16, hn::And(y, lowMask)), f16)));
    };
    const VU ua = hn::BitCast(du, a), ub = hn::BitCast(du, b);
    const VU rb = hn::And(hn::ShiftRight<8>(lerp(ua, ub)), lowMask);
    const VU ag = hn::And(lerp(hn::ShiftRight<8>(ua), hn::ShiftRight<8>(ub)), hn::Set(du, 0xFF00FF00u));
    return hn::BitCast(DI(), hn::Or(rb, ag));
}

// Texel x and texel x + 1 of row y of every lane, loaded as one 64-bit
// pair each (the level is followed by kTexelSlack texels, so x + 1 may be
// one past its last texel).
HWY_INLINE void TexelPairs(const TextureLevel& lv, VI x, VI y, VI* left, VI* right) {
    const DI di;
    const hn::Half<DI> dh;
    const hn::Repartition<std::int64_t, DI> d64;
    const VI offset = hn::ShiftLeft<2>(hn::Add(hn::ShiftLeftSame(y, lv.widthLog2), x));
    const auto* base = reinterpret_cast<const std::int64_t*>(lv.texels);
    const VI low = hn::BitCast(di, hn::GatherOffset(d64, base, hn::PromoteTo(d64, hn::LowerHalf(dh, offset))));
    const VI high = hn::BitCast(di, hn::GatherOffset(d64, base, hn::PromoteTo(d64, hn::UpperHalf(dh, offset))));
    *left = hn::ConcatEven(di, high, low);
    *right = hn::ConcatOdd(di, high, low);
}

HWY_INLINE VI SampleBilinear(const TextureLevel& lv, const SamplerSetup& sp, VF s, VF t) {
    const VI u8 = hn::Sub(FloorToInt(hn::Mul(s, Float(static_cast<float>(lv.width << sp.sShift)))), Int(128));
    const VI v8 = hn::Sub(FloorToInt(hn::Mul(t, Float(static_cast<float>(lv.height << sp.tShift)))), Int(128));
    const VI u0 = hn::ShiftRight<8>(u8), v0 = hn::ShiftRight<8>(v8);
    const VI fu = hn::And(u8, Int(255)), fv = hn::And(v8, Int(255));
    const VI x0 = WrapOrClamp(u0, lv.width, sp.sClamp), x1 = WrapOrClamp(hn::Add(u0, Int(1)), lv.width, sp.sClamp);
    const VI y0 = WrapOrClamp(v0, lv.height, sp.tClamp), y1 = WrapOrClamp(hn::Add(v0, Int(1)), lv.height, sp.tClamp);
    // Where each lane's second column is the texel after its first, or the
    // same texel (clamped: its weight can then be 0, as LerpArgb(a, a, f)
    // = LerpArgb(a, b, 0) = a), the rows' texels come in pairs. Lanes on a
    // wrapping seam (x0 = width - 1, x1 = 0) take four single texels.
    const MI after = hn::Eq(x1, hn::Add(x0, Int(1)));
    if (hn::AllTrue(DI(), hn::Or(after, hn::Eq(x1, x0)))) {
        const VI f = hn::IfThenElseZero(after, fu);
        VI a0, b0, a1, b1;
        TexelPairs(lv, x0, y0, &a0, &b0);
        TexelPairs(lv, x0, y1, &a1, &b1);
        return LerpArgb(LerpArgb(a0, b0, f), LerpArgb(a1, b1, f), fv);
    }
    return LerpArgb(LerpArgb(Texels(lv, x0, y0), Texels(lv, x1, y0), fu),
                    LerpArgb(Texels(lv, x0, y1), Texels(lv, x1, y1), fu), fv);
}

HWY_INLINE VI SamplePoint(const TextureLevel& lv, const SamplerSetup& sp, VF s, VF t) {
    const VI u = hn::ShiftRight<8>(FloorToInt(hn::Mul(s, Float(static_cast<float>(lv.width << sp.sShift)))));
    const VI v = hn::ShiftRight<8>(FloorToInt(hn::Mul(t, Float(static_cast<float>(lv.height << sp.tShift)))));
    return Texels(lv, WrapOrClamp(u, lv.width, sp.sClamp), WrapOrClamp(v, lv.height, sp.tClamp));
}

// The level ChooseLevel of texture_sampler.h picks, before levelFor.
HWY_INLINE VI ClampedLevel(const SpanTexture& st, const SamplerSetup& sp, VF fx, VF w) {
    if (sp.mipmapMode == GR_MIPMAP_DISABLE) return Int(sp.largeLod);
    const VI lod8 = PixelLod8(FootprintM(st, fx), w, sp.lodBias8);
    VI level;
    if (sp.mipmapMode == GR_MIPMAP_NEAREST_DITHER && st.t->mipmapDither) {
        level = hn::ShiftRight<8>(hn::Add(hn::Add(lod8, st.cell16), Int(8)));
    } else {
        level = hn::ShiftRight<8>(hn::Add(lod8, Int(128)));
    }
    return hn::Min(hn::Max(level, Int(sp.largeLod)), Int(sp.smallLod));
}

// The level of the first needed lane, when every needed lane has it;
// else -1.
HWY_INLINE int UniformLevel(VI level, MI needed) {
    const int first = static_cast<int>(hn::ExtractLane(level, static_cast<std::size_t>(hn::FindFirstTrue(DI(), needed))));
    return hn::AllTrue(DI(), hn::Or(hn::Eq(level, Int(first)), hn::Not(needed))) ? first : -1;
}

// The lanes of a mask, one bit each (from the two bytes StoreMaskBits
// writes for at most 16 lanes).
static_assert(kMaxLanes <= 16, "MaskBits reads the bits of at most 16 lanes");
HWY_INLINE std::uint32_t MaskBits(MI mask) {
    std::uint8_t bytes[8] = {};
    hn::StoreMaskBits(DI(), mask, bytes);
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8;
}

// SampleFromSets of texture_sampler.h for the specialised trilinear states,
// whose level sets all filter bilinearly: level `level` from whichever set
// holds it, else the nearest level of the first set, else white.
HWY_INLINE VI SampleFromSets(const TriangleSetup& t, int level, VF s, VF tt) {
    for (int i = 0; i < 2; ++i) {
        const SamplerSetup& sp = t.tex[i];
        if (sp.levels != nullptr && sp.levels[level].texels != nullptr) {
            return SampleBilinear(sp.levels[level], sp, s, tt);
        }
    }
    const int near = t.tex[0].levels != nullptr ? t.tex[0].levelFor[level] : -1;
    if (near >= 0) return SampleBilinear(t.tex[0].levels[near], t.tex[0], s, tt);
    return Int(static_cast<std::int32_t>(kWhiteTexel));
}

// The texel of every lane that `needed` holds (the others' values are never
// used: a lane outside the triangle, or one that failed the depth test): a
// single map with one filter, or trilinear.
template <SamplerKind kSampler>
HWY_INLINE VI SampleTexture(const SpanTexture& st, VF fx, VF oow, MI needed) {
    const TriangleSetup& t = *st.t;
    const VF w = hn::Div(Float(1.0f), oow);
    const VF s = hn::Mul(hn::Add(st.sowRow, hn::Mul(st.sowDx, fx)), w);
    const VF tt = hn::Mul(hn::Add(st.towRow, hn::Mul(st.towDx, fx)), w);
    HWY_ALIGN float sLane[kMaxLanes], tLane[kMaxLanes], wLane[kMaxLanes], mLane[kMaxLanes];
    HWY_ALIGN std::int32_t texel[kMaxLanes];
    const DF df;
    if constexpr (kSampler == SamplerKind::kTrilinear) {
        // SampleTrilinear of texture_sampler.h. Where every needed lane
        // blends the same two levels (or takes the same end level), a
        // vector samples each level once: a lane whose weight is 0 gets
        // LerpArgb(finer, coarser, 0), which is finer.
        const SamplerSetup& sp = t.tex[0];
        const VF m = FootprintM(st, fx);
        const VI lod8 = PixelLod8(m, w, sp.lodBias8);
        const VI large8 = Int(sp.largeLod << 8), small8 = Int(sp.smallLod << 8);
        const MI atLarge = hn::Not(hn::Gt(lod8, large8)), atSmall = hn::Not(hn::Lt(lod8, small8));
        const MI clamped = hn::Or(atLarge, atSmall);
        const VI level = hn::IfThenElse(atLarge, Int(sp.largeLod),
                                        hn::IfThenElse(atSmall, Int(sp.smallLod), hn::ShiftRight<8>(lod8)));
        const int first = UniformLevel(level, needed);
        if (first >= 0) {
            const VI weight = hn::IfThenZeroElse(clamped, hn::And(lod8, Int(255)));
            const VI finer = SampleFromSets(t, first, s, tt);
            if (hn::AllTrue(DI(), hn::Or(hn::Eq(weight, Int(0)), hn::Not(needed)))) return finer;
            return LerpArgb(finer, SampleFromSets(t, first + 1, s, tt), weight);
        }
        // Per lane: the two levels differ from lane to lane.
        hn::Store(s, df, sLane), hn::Store(tt, df, tLane), hn::Store(w, df, wLane);
        hn::Store(m, df, mLane);
        hn::Store(Int(static_cast<std::int32_t>(kWhiteTexel)), DI(), texel);
        for (std::uint32_t bits = MaskBits(needed); bits != 0; bits &= bits - 1) {
            const int i = std::countr_zero(bits);
            texel[i] = static_cast<std::int32_t>(SampleTrilinear(t, sLane[i], tLane[i], wLane[i], mLane[i]));
        }
        return hn::Load(DI(), texel);
    } else {
        const SamplerSetup& sp = t.tex[0];
        // The level every needed lane samples: known for the span, or found.
        VI level = Int(0);
        int uniform = st.spanLevel;
        if (uniform < 0) {
            level = ClampedLevel(st, sp, fx, w);
            uniform = UniformLevel(level, needed);
        }
        if (uniform >= 0) {
            const int mapped = sp.levelFor[uniform];
            if (mapped < 0) return Int(static_cast<std::int32_t>(kWhiteTexel));
            if constexpr (kSampler == SamplerKind::kBilinear) return SampleBilinear(sp.levels[mapped], sp, s, tt);
            return SamplePoint(sp.levels[mapped], sp, s, tt);
        }
        // The lanes straddle a level boundary: each lane on its own.
        HWY_ALIGN std::int32_t levelLane[kMaxLanes];
        hn::Store(s, df, sLane), hn::Store(tt, df, tLane), hn::Store(level, DI(), levelLane);
        hn::Store(Int(static_cast<std::int32_t>(kWhiteTexel)), DI(), texel);
        for (std::uint32_t bits = MaskBits(needed); bits != 0; bits &= bits - 1) {
            const int i = std::countr_zero(bits);
            const int mapped = sp.levelFor[levelLane[i]];
            std::uint32_t v = kWhiteTexel;
            if (mapped >= 0) {
                v = kSampler == SamplerKind::kBilinear ? glide::SampleBilinear(sp.levels[mapped], sp, sLane[i], tLane[i])
                                                       : glide::SamplePoint(sp.levels[mapped], sp, sLane[i], tLane[i]);
            }
            texel[i] = static_cast<std::int32_t>(v);
        }
        return hn::Load(DI(), texel);
    }
}

// ---- colour, fog, blend, dither ---------------------------------------------------------

struct Rgb {
    VI r, g, b;
};

// CombineColour of scalar_stages.h for the specialised sources.
template <ColourSource kColour>
HWY_INLINE Rgb CombineColour(const TriangleSetup& t, const Rgb& iterated, VI texel) {
    const VI tr = hn::And(hn::ShiftRight<16>(texel), Int(255));
    const VI tg = hn::And(hn::ShiftRight<8>(texel), Int(255));
    const VI tb = hn::And(texel, Int(255));
    switch (kColour) {
        case ColourSource::kConstant: return {Int(t.constant.r), Int(t.constant.g), Int(t.constant.b)};
        case ColourSource::kIterated: return iterated;
        case ColourSource::kTexture: return {tr, tg, tb};
        case ColourSource::kTextureTimesConstant:
            return {Mul255(tr, Int(t.constant.r)), Mul255(tg, Int(t.constant.g)), Mul255(tb, Int(t.constant.b))};
        case ColourSource::kTextureTimesIterated:
            return {Mul255(tr, iterated.r), Mul255(tg, iterated.g), Mul255(tb, iterated.b)};
        default: return {Int(255), Int(255), Int(255)};
    }
}

// ApplyFog of fog.h.
HWY_INLINE VI ApplyFog(VI c, int fog, VI f16) {
    return hn::Add(c, hn::ShiftRight<16>(hn::Add(hn::Mul(hn::Sub(Int(fog), c), f16), Int(32768))));
}

// FogScale16 of fog.h: (value88 + 128) / 255 as a multiply and shift, exact
// over the whole 0..65280 range.
HWY_INLINE VI FogScale16(VI value88) {
    const VU quotient = hn::ShiftRight<23>(hn::Mul(hn::BitCast(DU(), hn::Add(value88, Int(128))), hn::Set(DU(), 32897u)));
    return hn::Add(value88, hn::BitCast(DI(), quotient));
}

// SourceOver of colour_math.h; inverse = 255 - alpha, worked out once for
// the three channels.
HWY_INLINE VI SourceOver(VI source, VI destination, VI alpha, VI inverse) {
    return Div255(hn::Add(hn::Mul(source, alpha), hn::Mul(destination, inverse)));
}

// Expand5 and Expand6 of dither.h.
template <int kBits>
HWY_INLINE VI Expand(VI code) {
    return kBits == 5 ? hn::Or(hn::ShiftLeft<3>(code), hn::ShiftRight<2>(code))
                      : hn::Or(hn::ShiftLeft<2>(code), hn::ShiftRight<4>(code));
}

// The blend stage of a source-over state: the source over the expanded
// RGB565 destination (the source itself where it is opaque).
HWY_INLINE Rgb BlendOver(const Rgb& c, VI alpha, VI dst) {
    const VI dr = Expand<5>(hn::ShiftRight<11>(dst));
    const VI dg = Expand<6>(hn::And(hn::ShiftRight<5>(dst), Int(63)));
    const VI db = Expand<5>(hn::And(dst, Int(31)));
    const VI inverse = hn::Sub(Int(255), alpha);
    const MI opaque = hn::Eq(alpha, Int(255));
    return {hn::IfThenElse(opaque, c.r, SourceOver(c.r, dr, alpha, inverse)),
            hn::IfThenElse(opaque, c.g, SourceOver(c.g, dg, alpha, inverse)),
            hn::IfThenElse(opaque, c.b, SourceOver(c.b, db, alpha, inverse))};
}

// The dither matrix in lane order: lane i of a block whose first row is
// y (y & 3 a multiple of the block's rows) takes entry (y & 3) * 4 + i; a
// batch lane of pixel (x, y) takes entry (y & 3) * 4 + (x & 3)
// (DitherIndex). With it, each cell's biases of the linear dither rule
// (DitherBias of dither.h) for the 5- and 6-bit channels.
struct DitherLaneTables {
    std::int32_t cell[16], red[16], green[16];
};

constexpr DitherLaneTables MakeDitherLaneTables() {
    DitherLaneTables t{};
    for (int i = 0; i < 16; ++i) {
        t.cell[i] = kDitherMatrix[i / 4][i % 4];
        t.red[i] = DitherBias(5, t.cell[i]);
        t.green[i] = DitherBias(6, t.cell[i]);
    }
    return t;
}

HWY_ALIGN inline constexpr DitherLaneTables kDitherLanes = MakeDitherLaneTables();

HWY_INLINE VI DitherIndex(VI x, VI y) { return hn::Add(hn::ShiftLeft<2>(hn::And(y, Int(3))), hn::And(x, Int(3))); }

// Entries of a 16-entry table for each lane's index: one permute of the
// whole table where it fits a vector, two with a choice at eight lanes, a
// gather below.
template <class D>
HWY_INLINE hn::Vec<D> Lookup16(D d, const hn::TFromD<D>* table, VI index) {
    constexpr std::size_t kLanes = hn::MaxLanes(D());
    if constexpr (kLanes == 16) {
        return hn::TableLookupLanes(hn::Load(d, table), hn::IndicesFromVec(d, index));
    } else if constexpr (kLanes == 8) {
        const auto low = hn::IndicesFromVec(d, hn::And(index, Int(7)));
        const hn::Vec<D> first = hn::TableLookupLanes(hn::Load(d, table), low);
        const hn::Vec<D> second = hn::TableLookupLanes(hn::Load(d, table + 8), low);
        return hn::IfThenElse(hn::RebindMask(d, hn::Lt(index, Int(8))), first, second);
    } else {
        return hn::GatherIndex(d, table, index);
    }
}

// Each lane's biases of the dither rule (the red one also serves blue).
struct DitherBiases {
    VI red, green;
};

HWY_INLINE DitherBiases DitherBiasesAt(VI index) {
    return {Lookup16(DI(), kDitherLanes.red, index), Lookup16(DI(), kDitherLanes.green, index)};
}

// DitherRgb565 of dither.h, in the linear form of the rule: each code is
// (v (2^bits - 1) + the cell's bias) >> 8.
HWY_INLINE VI DitherRgb565(const Rgb& c, const DitherBiases& bias) {
    const VI r = hn::ShiftRight<8>(hn::Add(hn::Sub(hn::ShiftLeft<5>(c.r), c.r), bias.red));
    const VI g = hn::ShiftRight<8>(hn::Add(hn::Sub(hn::ShiftLeft<6>(c.g), c.g), bias.green));
    const VI b = hn::ShiftRight<8>(hn::Add(hn::Sub(hn::ShiftLeft<5>(c.b), c.b), bias.red));
    return hn::Or(hn::Or(hn::ShiftLeft<11>(r), hn::ShiftLeft<5>(g)), b);
}

// ---- running the stages ------------------------------------------------------------------

// What the pixel stages read that stays fixed over a triangle.
struct StageConstants {
    bool depthOn, zFromOoz, fogOn, over, depthWrite;
    DepthCompare compare;
    VF oowDx, oozDx;
    const std::uint16_t* fogTable;
};

HWY_INLINE StageConstants MakeStageConstants(const TriangleSetup& t) {
    StageConstants k;
    k.depthOn = t.depthMode != DepthMode::kDisabled;
    k.zFromOoz = k.depthOn && t.depthMode == DepthMode::kZBuffer;
    k.fogOn = t.fogMode == FogMode::kTable;
    k.over = t.blend.IsSourceAlphaOver();
    k.depthWrite = k.depthOn && t.depthWrite;
    k.compare = MakeDepthCompare(t.depthFunction);
    k.oowDx = Float(t.oow.dx), k.oozDx = Float(t.ooz.dx);
    k.fogTable = t.fogLut->value88;
    return k;
}

// The lanes' inputs: their offsets from the reference pixel, their rows'
// plane values, colour planes, dither biases and buffer contents.
struct LaneInputs {
    MI active;
    VF fx, oowRow, oozRow;
    VI r, g, b, a;
    DitherBiases dither;
    VI old, storedDepth;  // the buffers' values (old only with blending, storedDepth only with depth on)
};

// Runs the pixel stages on a vector of pixels and returns the lanes that
// pass, whose new colour (and depth, where depth is written) it puts into
// pixel and depth; their other lanes are undefined. None passing leaves
// pixel and depth unset.
template <ColourSource kColour, SamplerKind kSampler>
HWY_INLINE MI ShadeLanes(const TriangleSetup& t, const StageConstants& k, const SpanTexture& tex,
                         const LaneInputs& in, VI* pixel, VI* depthOut, std::uint64_t* written,
                         std::uint64_t* depthFailed) {
    const DI di;
    const VF oow = hn::Add(in.oowRow, hn::Mul(k.oowDx, in.fx));

    // Depth test. The W value also indexes table fog.
    const VI wDepth = (k.depthOn && !k.zFromOoz) || k.fogOn ? WDepth(oow) : Int(0);
    VI depth = Int(0);
    MI pass = in.active;
    if (k.depthOn) {
        depth = k.zFromOoz ? ZDepth(hn::Add(in.oozRow, hn::Mul(k.oozDx, in.fx))) : wDepth;
        pass = hn::And(in.active, DepthPasses(k.compare, depth, in.storedDepth));
        const std::size_t passed = hn::CountTrue(di, pass);
        *depthFailed += hn::CountTrue(di, in.active) - passed;
        if (passed == 0) return pass;
    }

    // Texture and colour combine.
    VI texel = Int(static_cast<std::int32_t>(kWhiteTexel));
    if constexpr (kSampler != SamplerKind::kNone) texel = SampleTexture<kSampler>(tex, in.fx, oow, pass);
    Rgb c = CombineColour<kColour>(t, {Clamp255(in.r), Clamp255(in.g), Clamp255(in.b)}, texel);

    // Fog.
    if (k.fogOn) {
        // A vector at one depth (a surface facing the viewer) reads its
        // table entry once.
        const int firstDepth = hn::GetLane(wDepth);
        const VI value88 = hn::AllTrue(di, hn::Eq(wDepth, Int(firstDepth))) ? Int(k.fogTable[firstDepth])
                                                                             : GatherHalf(k.fogTable, wDepth);
        const VI f16 = FogScale16(value88);
        c = {ApplyFog(c.r, t.fogColour.r, f16), ApplyFog(c.g, t.fogColour.g, f16), ApplyFog(c.b, t.fogColour.b, f16)};
    }

    // Blend, dither.
    if (k.over) c = BlendOver(c, Clamp255(in.a), in.old);
    *pixel = DitherRgb565(c, in.dither);
    *depthOut = depth;
    *written += hn::CountTrue(di, pass);
    return pass;
}

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();
#endif

#endif  // GLIDE_PIXEL_VECTOR_STAGES_INL_H_

