// The vector span, block and batch shaders (and the vector planes of
// set-up), compiled for each instruction set (SSE4, AVX2, AVX-512) with
// Highway's foreach_target, and the table the instruction-set choice reads.
// The set is picked explicitly (SetPixelIsa), so the table names each
// target's entry point instead of going through Highway's own dispatch.
#include "pixel/vector_targets.h"  // first: it chooses the targets

#include "pixel/vector_isa.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixel/vector_shaders.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "pixel/vector_batch-inl.h"
#include "pixel/vector_block-inl.h"
#include "pixel/vector_span-inl.h"
#include "setup/vector_planes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

#if GLIDE_VECTOR_TARGET

// The three kinds of shader, each instantiated per colour source and sampler.
struct SpanShaders {
    template <ColourSource kColour, SamplerKind kSampler>
    static SpanShader Of() { return &VectorSpan<kColour, kSampler>; }
};
struct BlockShaders {
    template <ColourSource kColour, SamplerKind kSampler>
    static BlockShader Of() { return &BlockTriangle<kColour, kSampler>; }
};
struct BatchShaders {
    template <ColourSource kColour, SamplerKind kSampler>
    static BatchShader Of() { return &ShadeBatch<kColour, kSampler>; }
};

template <class Kind, SamplerKind kSampler>
auto TexturedShader(ColourSource colour) -> decltype(Kind::template Of<ColourSource::kTexture, kSampler>()) {
    switch (colour) {
        case ColourSource::kTexture: return Kind::template Of<ColourSource::kTexture, kSampler>();
        case ColourSource::kTextureTimesConstant: return Kind::template Of<ColourSource::kTextureTimesConstant, kSampler>();
        case ColourSource::kTextureTimesIterated: return Kind::template Of<ColourSource::kTextureTimesIterated, kSampler>();
        default: return nullptr;
    }
}

template <class Kind>
auto Select(ColourSource colour, SamplerKind sampler) -> decltype(TexturedShader<Kind, SamplerKind::kPoint>(colour)) {
    switch (sampler) {
        case SamplerKind::kNone:
            if (colour == ColourSource::kConstant) return Kind::template Of<ColourSource::kConstant, SamplerKind::kNone>();
            if (colour == ColourSource::kIterated) return Kind::template Of<ColourSource::kIterated, SamplerKind::kNone>();
            return nullptr;
        case SamplerKind::kPoint: return TexturedShader<Kind, SamplerKind::kPoint>(colour);
        case SamplerKind::kBilinear: return TexturedShader<Kind, SamplerKind::kBilinear>(colour);
        case SamplerKind::kTrilinear: return TexturedShader<Kind, SamplerKind::kTrilinear>(colour);
        default: return nullptr;
    }
}

SpanShader SelectVectorShader(ColourSource colour, SamplerKind sampler) { return Select<SpanShaders>(colour, sampler); }
BlockShader SelectBlockShader(ColourSource colour, SamplerKind sampler) { return Select<BlockShaders>(colour, sampler); }
// A batch lane takes the constant colour from its triangle's entry, as flat
// colour planes (pixel_batch.cpp): the constant sources are shaded as the
// iterated ones.
BatchShader SelectBatchShader(ColourSource colour, SamplerKind sampler) {
    if (colour == ColourSource::kConstant) colour = ColourSource::kIterated;
    if (colour == ColourSource::kTextureTimesConstant) colour = ColourSource::kTextureTimesIterated;
    return Select<BatchShaders>(colour, sampler);
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
    {"sse4", HWY_SSE4, &N_SSE4::SelectVectorShader, &N_SSE4::SelectBlockShader,
     &N_SSE4::SelectBatchShader, &N_SSE4::SetupPlanes},
#endif
#if HWY_TARGETS & HWY_AVX2
    {"avx2", HWY_AVX2, &N_AVX2::SelectVectorShader, &N_AVX2::SelectBlockShader,
     &N_AVX2::SelectBatchShader, &N_AVX2::SetupPlanes},
#endif
#if HWY_TARGETS & HWY_AVX3
    {"avx512", HWY_AVX3, &N_AVX3::SelectVectorShader, &N_AVX3::SelectBlockShader,
     &N_AVX3::SelectBatchShader, &N_AVX3::SetupPlanes},
#endif
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const VectorIsa* CompiledVectorIsas(int* count) {
    *count = static_cast<int>(sizeof(kIsas) / sizeof(kIsas[0])) - 1;
    return kIsas;
}

}  // namespace glide
#endif  // HWY_ONCE
