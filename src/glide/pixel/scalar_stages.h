// The pixel stages, in pipeline order, and the span loop that runs them.
//
// Sections: stages (depth test, texture, colour combine, alpha combine,
// fog, blend, dither and write); the span loop. The formulas the stages
// share with the vector path are defined once, in colour_math.h,
// depth_format.h, fog.h and dither.h.
//
// ShadeSpan is a template over a normalised state key. A key member of -1
// means "read this decision from the triangle at run time": the all -1
// instance is the generic reference path, which handles every state the
// API accepts. Specialised instances fix the decisions the system's common
// states make (and assume iterated alpha); they must produce exactly the
// pixels the generic path produces, which the tests check.
#pragma once

#include <cstdint>

#include "pixel/colour_math.h"
#include "pixel/dither.h"
#include "pixel/fog.h"
#include "pixel/texture_sampler.h"
#include "setup/triangle_setup.h"

namespace glide {

struct Colour {
    int r, g, b, a;
};

// ---- stages ------------------------------------------------------------------

[[gnu::always_inline]] inline bool DepthPasses(std::int32_t function, std::uint16_t value, std::uint16_t stored) {
    switch (function) {
        case GR_CMP_NEVER: return false;
        case GR_CMP_LESS: return value < stored;
        case GR_CMP_EQUAL: return value == stored;
        case GR_CMP_LEQUAL: return value <= stored;
        case GR_CMP_GREATER: return value > stored;
        case GR_CMP_NOTEQUAL: return value != stored;
        case GR_CMP_GEQUAL: return value >= stored;
        default: return true;
    }
}

template <int kSampler>
[[gnu::always_inline]] inline std::uint32_t SampleTexture(const TriangleSetup& t, const FootprintRow& row, float fx,
                                                          float oow, float sow, float tow, int x, int y) {
    const SamplerKind kind = kSampler < 0 ? t.sampler : static_cast<SamplerKind>(kSampler);
    if (kind == SamplerKind::kNone) return kWhiteTexel;
    const float w = 1.0f / oow;
    const float s = sow * w, tt = tow * w;
    const float m = FootprintM(row, fx);
    switch (kind) {
        case SamplerKind::kPoint: return SampleSingle<SamplerKind::kPoint>(t, t.tex[0], s, tt, w, m, x, y);
        case SamplerKind::kBilinear: return SampleSingle<SamplerKind::kBilinear>(t, t.tex[0], s, tt, w, m, x, y);
        case SamplerKind::kMixed: return SampleSingle<SamplerKind::kMixed>(t, t.tex[0], s, tt, w, m, x, y);
        case SamplerKind::kTrilinear: return SampleTrilinear(t, s, tt, w, m);
        default: return kWhiteTexel;
    }
}

// The texture unit's output as the colour combine sees it.
[[gnu::always_inline]] inline std::uint32_t TexelOutput(TexelSource source, std::uint32_t texel) {
    switch (source) {
        case TexelSource::kZero: return 0;
        case TexelSource::kOne: return kWhiteTexel;
        default: return texel;
    }
}

[[gnu::always_inline]] inline Colour CombineColour(ColourSource source, const TriangleSetup& t, int ir, int ig, int ib,
                            std::uint32_t texel) {
    const int tr = static_cast<int>((texel >> 16) & 255), tg = static_cast<int>((texel >> 8) & 255),
              tb = static_cast<int>(texel & 255);
    switch (source) {
        case ColourSource::kZero: return {0, 0, 0, 0};
        case ColourSource::kConstant: return {t.constant.r, t.constant.g, t.constant.b, 0};
        case ColourSource::kIterated: return {ir, ig, ib, 0};
        case ColourSource::kTexture: return {tr, tg, tb, 0};
        case ColourSource::kTextureTimesConstant:
            return {Mul255(tr, t.constant.r), Mul255(tg, t.constant.g), Mul255(tb, t.constant.b), 0};
        case ColourSource::kTextureTimesIterated: return {Mul255(tr, ir), Mul255(tg, ig), Mul255(tb, ib), 0};
        case ColourSource::kOne: return {255, 255, 255, 0};
    }
    return {0, 0, 0, 0};
}

// grAlphaCombine in general: function of a local and an other alpha.
[[gnu::always_inline]] inline int CombineAlpha(const AlphaCombine& ac, int iterated, int constant, int texture) {
    const int local = ac.local == GR_COMBINE_LOCAL_ITERATED ? iterated : constant;
    const int other = ac.other == GR_COMBINE_OTHER_ITERATED ? iterated
                      : ac.other == GR_COMBINE_OTHER_TEXTURE ? texture
                                                             : constant;
    int result = 0;
    switch (ac.function) {
        case GR_COMBINE_FUNCTION_LOCAL:
        case GR_COMBINE_FUNCTION_LOCAL_ALPHA: result = local; break;
        case GR_COMBINE_FUNCTION_SCALE_OTHER: {
            int f = 0;
            switch (ac.factor) {
                case GR_COMBINE_FACTOR_LOCAL:
                case GR_COMBINE_FACTOR_LOCAL_ALPHA: f = local; break;
                case GR_COMBINE_FACTOR_OTHER_ALPHA: f = other; break;
                case GR_COMBINE_FACTOR_TEXTURE_ALPHA: f = texture; break;
                case GR_COMBINE_FACTOR_ONE: f = 255; break;
                default: f = 0; break;
            }
            result = Mul255(other, f);
            break;
        }
        default: result = 0; break;
    }
    return ac.invert ? 255 - result : result;
}

// One blend factor for one channel. The buffers hold no alpha: destination
// alpha reads as 255.
[[gnu::always_inline]] inline int BlendFactor(std::int32_t factor, bool isSource, int srcChannel, int srcAlpha, int dstChannel) {
    switch (factor) {
        case GR_BLEND_ZERO: return 0;
        case GR_BLEND_SRC_ALPHA: return srcAlpha;
        case GR_BLEND_SRC_COLOR: return isSource ? dstChannel : srcChannel;  // value 2: DST_COLOR as a source factor
        case GR_BLEND_DST_ALPHA: return 255;
        case GR_BLEND_ONE: return 255;
        case GR_BLEND_ONE_MINUS_SRC_ALPHA: return 255 - srcAlpha;
        case GR_BLEND_ONE_MINUS_SRC_COLOR: return 255 - (isSource ? dstChannel : srcChannel);
        case GR_BLEND_ONE_MINUS_DST_ALPHA: return 0;
        default: return 0;
    }
}

[[gnu::always_inline]] inline int BlendChannel(const BlendFunction& bf, int src, int srcAlpha, int dst) {
    const int v = Div255(src * BlendFactor(bf.src, true, src, srcAlpha, dst) +
                         dst * BlendFactor(bf.dst, false, src, srcAlpha, dst));
    return v > 255 ? 255 : v;
}

// ---- the span loop -------------------------------------------------------------

template <int kColour, int kSampler, int kDepth, int kFog, int kBlend>
void ShadeSpan(const TriangleSetup& t, int y, int x0, int x1, SpanCounters& counters) {
    constexpr bool kGenericAlpha = kColour < 0;
    const ColourSource colourSource = kColour < 0 ? t.colour : static_cast<ColourSource>(kColour);
    const bool usesTexture = kSampler < 0 ? t.sampler != SamplerKind::kNone : kSampler != 0;
    const bool depthOn = kDepth < 0 ? t.depthMode != DepthMode::kDisabled : kDepth != 0;
    const FogMode fogMode = kFog < 0 ? t.fogMode : (kFog ? FogMode::kTable : FogMode::kDisabled);

    std::uint16_t* const colourRow = t.colourBuffer + y * kScreenWidth;
    std::uint16_t* const depthRow = t.depthBuffer + y * kScreenWidth;
    const std::int64_t rowOffset = y - t.refY;
    const float fy = static_cast<float>(rowOffset);
    const std::int64_t start = x0 - t.refX;
    std::int64_t r = t.r.k + t.r.dy * rowOffset + t.r.dx * start;
    std::int64_t g = t.g.k + t.g.dy * rowOffset + t.g.dx * start;
    std::int64_t b = t.b.k + t.b.dy * rowOffset + t.b.dx * start;
    std::int64_t a = t.a.k + t.a.dy * rowOffset + t.a.dx * start;
    const float oowRow = t.oow.k + t.oow.dy * fy;
    const float sowRow = t.sow.k + t.sow.dy * fy;
    const float towRow = t.tow.k + t.tow.dy * fy;
    const bool zFromOoz = depthOn && t.depthMode == DepthMode::kZBuffer;
    const bool needsW = (depthOn && !zFromOoz) || fogMode == FogMode::kTable;
    const float oozRow = zFromOoz ? t.ooz.k + t.ooz.dy * fy : 0.0f;
    const FootprintRow footprint = usesTexture ? MakeFootprintRow(t, oowRow, sowRow, towRow) : FootprintRow{};
    const int ditherRow = y & 3;
    std::uint64_t written = 0, depthFailed = 0;

    for (int x = x0; x <= x1; ++x, r += t.r.dx, g += t.g.dx, b += t.b.dx, a += t.a.dx) {
        const float fx = static_cast<float>(x - t.refX);
        const float oow = oowRow + t.oow.dx * fx;

        // Depth test. The W value also indexes table fog.
        const std::uint16_t wDepth = needsW ? WDepthFromOow(oow) : 0;
        std::uint16_t depth = 0;
        if (depthOn) {
            depth = zFromOoz ? ZDepthFromOoz(oozRow + t.ooz.dx * fx) : wDepth;
            if (!DepthPasses(t.depthFunction, depth, depthRow[x])) {
                ++depthFailed;
                continue;
            }
        }

        // Texture and colour combine.
        std::uint32_t texel = kWhiteTexel;
        if (usesTexture) {
            texel = SampleTexture<kSampler>(t, footprint, fx, oow, sowRow + t.sow.dx * fx, towRow + t.tow.dx * fx, x, y);
        }
        if constexpr (kColour < 0) texel = TexelOutput(t.texel, texel);
        const int ia = Clamp255(a);
        Colour c = CombineColour(colourSource, t, Clamp255(r), Clamp255(g), Clamp255(b), texel);
        if constexpr (kGenericAlpha) {
            c.a = CombineAlpha(t.alpha, ia, t.constant.a, static_cast<int>(texel >> 24));
        } else {
            c.a = ia;
        }

        // Fog.
        if (fogMode != FogMode::kDisabled) {
            const std::uint32_t f88 = fogMode == FogMode::kTable ? t.fogLut->value88[wDepth]
                                                                 : static_cast<std::uint32_t>(ia) << 8;
            const int f16 = FogScale16(f88);
            c.r = ApplyFog(c.r, t.fogColour.r, f16);
            c.g = ApplyFog(c.g, t.fogColour.g, f16);
            c.b = ApplyFog(c.b, t.fogColour.b, f16);
        }

        // Blend. A result that equals the expanded destination dithers back
        // to the stored pixel (see dither.h), so alpha 0 changes nothing.
        if constexpr (kBlend != 0) {
            if (kBlend > 0 && c.a == 255) {
                // Opaque: source alpha over the buffer is the source itself.
            } else {
                const std::uint16_t d = colourRow[x];
                const int dr = Expand5(d >> 11), dg = Expand6((d >> 5) & 63), db = Expand5(d & 31);
                if constexpr (kBlend > 0) {
                    c.r = SourceOver(c.r, dr, c.a), c.g = SourceOver(c.g, dg, c.a), c.b = SourceOver(c.b, db, c.a);
                } else {
                    c.r = BlendChannel(t.blend, c.r, c.a, dr);
                    c.g = BlendChannel(t.blend, c.g, c.a, dg);
                    c.b = BlendChannel(t.blend, c.b, c.a, db);
                }
            }
        }

        // Dither and write.
        colourRow[x] = DitherRgb565(c.r, c.g, c.b, kDitherMatrix[ditherRow][x & 3]);
        if (depthOn && t.depthWrite) depthRow[x] = depth;
        ++written;
    }
    counters.written += written;
    counters.depthFailed += depthFailed;
    std::uint64_t& shaded = kColour < 0 ? counters.paths.genericPixels : counters.paths.scalarSpanPixels;
    shaded += static_cast<std::uint64_t>(x1 - x0 + 1);
}

}  // namespace glide
