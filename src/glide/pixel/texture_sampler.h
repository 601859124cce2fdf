// Texture sampling for the pixel stages: level of detail from the
// texture-space footprint, level choice per mip-map mode, wrap and clamp,
// point and bilinear filtering in fixed point, and trilinear blending.
//
// Coordinates arrive as s and t on the 256 scale (the larger side of every
// map spans 0..256). Texel positions are 8.8 fixed point; bilinear weights
// are the 8 fractional bits. Levels of detail are 8.8 fixed point in GR_LOD
// units (0 = the 256 level).
#pragma once

#include <bit>
#include <cstdint>

#include "pixel/dither.h"
#include "setup/triangle_setup.h"

namespace glide {

constexpr std::uint32_t kWhiteTexel = 0xFFFFFFFFu;

// Float to int32 by floor, saturating far outside the texture (NaN included),
// so that wild coordinates never reach undefined conversions.
[[gnu::always_inline]] inline std::int32_t FloorToInt(float v) {
    v = v > -1.0e9f ? v : -1.0e9f;  // NaN fails the test and goes to the low end
    v = v < 1.0e9f ? v : 1.0e9f;
    const std::int32_t i = static_cast<std::int32_t>(v);
    return i - (static_cast<float>(i) > v ? 1 : 0);
}

// log2 of a positive float in 8.8 fixed point, piecewise linear between
// powers of two (the exponent and the top mantissa bits). Zero and negative
// values give a very small level, infinities and NaN a very large one.
[[gnu::always_inline]] inline int Log2Fixed8(float v) {
    if (!(v > 0.0f)) return (v != v) ? (1 << 20) : -(1 << 20);
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
    return static_cast<int>(bits >> 15) - (127 << 8);
}

// Level of detail (8.8) from the screen-space derivatives of s and t: log2
// of the longer of the two footprint vectors (ds/dx, dt/dx) and (ds/dy,
// dt/dy), plus the bias.
//
// With s = (s/w) / (1/w), ds/dx = Nsx w^2 where Nsx = d(s/w)/dx (1/w) -
// d(1/w)/dx (s/w). Both planes being linear, Nsx and Ntx are constant along a
// row and Nsy, Nty change linearly along it, so a row carries the x part and
// each pixel adds one step to the y part (FootprintRow); the pixel then
// scales the larger squared length by w^4.
struct FootprintRow {
    float nx2;       // Nsx^2 + Ntx^2 of the row
    float nsy, nty;  // Nsy, Nty at the row's reference pixel
    float csy, cty;  // their steps per pixel
};

[[gnu::always_inline]] inline FootprintRow MakeFootprintRow(const TriangleSetup& t, float oowRow, float sowRow,
                                                            float towRow) {
    FootprintRow f;
    const float nsx = t.sow.dx * oowRow - t.oow.dx * sowRow;
    const float ntx = t.tow.dx * oowRow - t.oow.dx * towRow;
    f.nx2 = nsx * nsx + ntx * ntx;
    f.nsy = t.sow.dy * oowRow - t.oow.dy * sowRow;
    f.nty = t.tow.dy * oowRow - t.oow.dy * towRow;
    f.csy = t.sow.dy * t.oow.dx - t.oow.dy * t.sow.dx;
    f.cty = t.tow.dy * t.oow.dx - t.oow.dy * t.tow.dx;
    return f;
}

// The larger squared footprint length before the w^4 scale, at offset fx
// from the row's reference pixel.
[[gnu::always_inline]] inline float FootprintM(const FootprintRow& f, float fx) {
    const float nsy = f.nsy + f.csy * fx, nty = f.nty + f.cty * fx;
    const float ny2 = nsy * nsy + nty * nty;
    return f.nx2 > ny2 ? f.nx2 : ny2;
}

[[gnu::always_inline]] inline int PixelLod8(float footprintM, float w, int bias8) {
    const float w2 = w * w;
    return (Log2Fixed8(footprintM * w2 * w2) >> 1) + bias8;
}

[[gnu::always_inline]] inline int WrapOrClamp(int i, int size, bool clamp) {
    if (clamp) return i < 0 ? 0 : (i >= size ? size - 1 : i);
    return i & (size - 1);
}

[[gnu::always_inline]] inline std::uint32_t SamplePoint(const TextureLevel& lv, const SamplerSetup& sp, float s, float t) {
    const int u = FloorToInt(s * static_cast<float>(lv.width << sp.sShift)) >> 8;
    const int v = FloorToInt(t * static_cast<float>(lv.height << sp.tShift)) >> 8;
    return lv.texels[(WrapOrClamp(v, lv.height, sp.tClamp) << lv.widthLog2) + WrapOrClamp(u, lv.width, sp.sClamp)];
}

// a + (b - a) f / 256 on all four channels, two at a time.
[[gnu::always_inline]] inline std::uint32_t LerpArgb(std::uint32_t a, std::uint32_t b, std::uint32_t f) {
    const std::uint32_t inv = 256 - f;
    const std::uint32_t rb = (((a & 0x00FF00FFu) * inv + (b & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    const std::uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * inv + ((b >> 8) & 0x00FF00FFu) * f)) & 0xFF00FF00u;
    return rb | ag;
}

[[gnu::always_inline]] inline std::uint32_t SampleBilinear(const TextureLevel& lv, const SamplerSetup& sp, float s, float t) {
    // Texel centres sit at half-integers: shift by half a texel before splitting.
    const int u8 = FloorToInt(s * static_cast<float>(lv.width << sp.sShift)) - 128;
    const int v8 = FloorToInt(t * static_cast<float>(lv.height << sp.tShift)) - 128;
    const int u0 = u8 >> 8, v0 = v8 >> 8;
    const std::uint32_t fu = static_cast<std::uint32_t>(u8 & 255), fv = static_cast<std::uint32_t>(v8 & 255);
    const int x0 = WrapOrClamp(u0, lv.width, sp.sClamp), x1 = WrapOrClamp(u0 + 1, lv.width, sp.sClamp);
    const int y0 = WrapOrClamp(v0, lv.height, sp.tClamp), y1 = WrapOrClamp(v0 + 1, lv.height, sp.tClamp);
    const std::uint32_t* row0 = lv.texels + (y0 << lv.widthLog2);
    const std::uint32_t* row1 = lv.texels + (y1 << lv.widthLog2);
    return LerpArgb(LerpArgb(row0[x0], row0[x1], fu), LerpArgb(row1[x0], row1[x1], fu), fv);
}

// The level a single-map sampler uses at a pixel, and whether it magnifies.
[[gnu::always_inline]] inline int ChooseLevel(const SamplerSetup& sp, int lod8, bool allowDither, int x, int y, bool* magnify) {
    *magnify = lod8 < (sp.largeLod << 8);
    int level;
    switch (sp.mipmapMode) {
        case GR_MIPMAP_DISABLE:
            level = sp.largeLod;
            break;
        case GR_MIPMAP_NEAREST_DITHER:
            if (allowDither) {
                // Ordered screen-position dither in place of rounding: the
                // offsets 8..248 average to one half.
                level = (lod8 + (DitherCell(x, y) << 4) + 8) >> 8;
                break;
            }
            [[fallthrough]];
        default:
            level = (lod8 + 128) >> 8;
            break;
    }
    level = level < sp.largeLod ? sp.largeLod : (level > sp.smallLod ? sp.smallLod : level);
    return sp.levelFor[level];
}

// Single map, either filter chosen per pixel (kBilinear / kPoint fix it).
template <SamplerKind kKind>
[[gnu::always_inline]] inline std::uint32_t SampleSingle(const TriangleSetup& t, const SamplerSetup& sp, float s,
                                                         float tt, float w, float footprintM, int x, int y) {
    bool magnify = false;
    int lod8 = 0;
    // The level of detail is needed to choose a level, or to choose between
    // two different filters.
    if (sp.mipmapMode != GR_MIPMAP_DISABLE || sp.minBilinear != sp.magBilinear) {
        lod8 = PixelLod8(footprintM, w, sp.lodBias8);
    }
    const int level = ChooseLevel(sp, lod8, t.mipmapDither, x, y, &magnify);
    if (level < 0) return kWhiteTexel;
    const TextureLevel& lv = sp.levels[level];
    bool bilinear;
    if constexpr (kKind == SamplerKind::kPoint) {
        bilinear = false;
    } else if constexpr (kKind == SamplerKind::kBilinear) {
        bilinear = true;
    } else {
        bilinear = magnify ? sp.magBilinear : sp.minBilinear;
    }
    return bilinear ? SampleBilinear(lv, sp, s, tt) : SamplePoint(lv, sp, s, tt);
}

// Level `level` from whichever of the two level sets holds it, with that
// set's filter; nullptr-safe when neither does.
[[gnu::always_inline]] inline std::uint32_t SampleFromSets(const TriangleSetup& t, int level, float s, float tt, bool magnify) {
    for (int i = 0; i < 2; ++i) {
        const SamplerSetup& sp = t.tex[i];
        if (sp.levels != nullptr && sp.levels[level].texels != nullptr) {
            const bool bilinear = magnify ? sp.magBilinear : sp.minBilinear;
            return bilinear ? SampleBilinear(sp.levels[level], sp, s, tt) : SamplePoint(sp.levels[level], sp, s, tt);
        }
    }
    // Neither set holds the level: the nearest one that does.
    const int near = t.tex[0].levels != nullptr ? t.tex[0].levelFor[level] : -1;
    if (near >= 0) return SampleBilinear(t.tex[0].levels[near], t.tex[0], s, tt);
    return kWhiteTexel;
}

// Trilinear from the odd and the even level sets: the two nearest levels
// blended by the LOD fraction f, the finer level weighted 1 - f.
[[gnu::always_inline]] inline std::uint32_t SampleTrilinear(const TriangleSetup& t, float s, float tt, float w,
                                                            float footprintM) {
    const SamplerSetup& sp = t.tex[0];
    const int lod8 = PixelLod8(footprintM, w, sp.lodBias8);
    const bool magnify = lod8 < (sp.largeLod << 8);
    if (lod8 <= (sp.largeLod << 8)) return SampleFromSets(t, sp.largeLod, s, tt, magnify);
    if (lod8 >= (sp.smallLod << 8)) return SampleFromSets(t, sp.smallLod, s, tt, false);
    const int level = lod8 >> 8;
    const std::uint32_t f = static_cast<std::uint32_t>(lod8 & 255);
    const std::uint32_t finer = SampleFromSets(t, level, s, tt, false);
    if (f == 0) return finer;
    const std::uint32_t coarser = SampleFromSets(t, level + 1, s, tt, false);
    return LerpArgb(finer, coarser, f);
}

}  // namespace glide
