// The vector span shaders, compiled for each instruction set (SSE4, AVX2,
// AVX-512) with Highway's foreach_target, and the table the instruction-set
// choice reads. The set is picked explicitly (SetPixelIsa), so the table
// names each target's entry point instead of going through Highway's own
// dispatch.
#include "pixel_pipeline.h"
#include "span_isa.h"

// Targets below SSE4 gain nothing over the scalar path.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS HWY_SSSE3
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "span_shaders.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "span_stages-inl.h"
// After the span stages, whose pixel stages it runs.
#include "block_stages-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3

template <SamplerKind kSampler>
SpanShader TexturedShader(ColourSource colour) {
    switch (colour) {
        case ColourSource::kTexture: return &VectorSpan<ColourSource::kTexture, kSampler>;
        case ColourSource::kTextureTimesConstant: return &VectorSpan<ColourSource::kTextureTimesConstant, kSampler>;
        case ColourSource::kTextureTimesIterated: return &VectorSpan<ColourSource::kTextureTimesIterated, kSampler>;
        default: return nullptr;
    }
}

SpanShader SelectVectorShader(ColourSource colour, SamplerKind sampler) {
    switch (sampler) {
        case SamplerKind::kNone:
            if (colour == ColourSource::kConstant) return &VectorSpan<ColourSource::kConstant, SamplerKind::kNone>;
            if (colour == ColourSource::kIterated) return &VectorSpan<ColourSource::kIterated, SamplerKind::kNone>;
            return nullptr;
        case SamplerKind::kPoint: return TexturedShader<SamplerKind::kPoint>(colour);
        case SamplerKind::kBilinear: return TexturedShader<SamplerKind::kBilinear>(colour);
        case SamplerKind::kTrilinear: return TexturedShader<SamplerKind::kTrilinear>(colour);
        default: return nullptr;
    }
}

template <SamplerKind kSampler>
BlockShader TexturedBlockShader(ColourSource colour) {
    switch (colour) {
        case ColourSource::kTexture: return &BlockTriangle<ColourSource::kTexture, kSampler>;
        case ColourSource::kTextureTimesConstant: return &BlockTriangle<ColourSource::kTextureTimesConstant, kSampler>;
        case ColourSource::kTextureTimesIterated: return &BlockTriangle<ColourSource::kTextureTimesIterated, kSampler>;
        default: return nullptr;
    }
}

BlockShader SelectBlockShader(ColourSource colour, SamplerKind sampler) {
    switch (sampler) {
        case SamplerKind::kNone:
            if (colour == ColourSource::kConstant) return &BlockTriangle<ColourSource::kConstant, SamplerKind::kNone>;
            if (colour == ColourSource::kIterated) return &BlockTriangle<ColourSource::kIterated, SamplerKind::kNone>;
            return nullptr;
        case SamplerKind::kPoint: return TexturedBlockShader<SamplerKind::kPoint>(colour);
        case SamplerKind::kBilinear: return TexturedBlockShader<SamplerKind::kBilinear>(colour);
        case SamplerKind::kTrilinear: return TexturedBlockShader<SamplerKind::kTrilinear>(colour);
        default: return nullptr;
    }
}

#endif

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace glide {

namespace {

constexpr VectorIsa kIsas[] = {
#if HWY_TARGETS & HWY_SSE4
    {"sse4", HWY_SSE4, &N_SSE4::SelectVectorShader, &N_SSE4::SelectBlockShader},
#endif
#if HWY_TARGETS & HWY_AVX2
    {"avx2", HWY_AVX2, &N_AVX2::SelectVectorShader, &N_AVX2::SelectBlockShader},
#endif
#if HWY_TARGETS & HWY_AVX3
    {"avx512", HWY_AVX3, &N_AVX3::SelectVectorShader, &N_AVX3::SelectBlockShader},
#endif
    {nullptr, 0, nullptr, nullptr},
};

}  // namespace

const VectorIsa* CompiledVectorIsas(int* count) {
    *count = static_cast<int>(sizeof(kIsas) / sizeof(kIsas[0])) - 1;
    return kIsas;
}

}  // namespace glide
#endif  // HWY_ONCE
