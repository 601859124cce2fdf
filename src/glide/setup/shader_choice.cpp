// Which shaders draw a set-up triangle (see shader_choice.h).
#include "setup/shader_choice.h"

#include "pixel/scalar_shader_table.h"
#include "pixel/vector_isa.h"

namespace glide {

SpanShader SelectScalarShader(const TriangleSetup& t) {
    const bool over = t.blend.IsSourceAlphaOver();
    if (!over && !t.blend.IsReplace()) return GenericSpanShader();
    if (!t.alpha.IsIterated() || t.texel != TexelSource::kTexel) return GenericSpanShader();
    if (t.fogMode == FogMode::kIteratedAlpha) return GenericSpanShader();
    const bool depth = t.depthMode != DepthMode::kDisabled;
    const bool fog = t.fogMode == FogMode::kTable;
    SpanShader shader = nullptr;
    switch (t.sampler) {
        case SamplerKind::kNone: shader = SelectUntexturedShader(t.colour, depth, fog, over); break;
        case SamplerKind::kPoint: shader = SelectPointShader(t.colour, depth, fog, over); break;
        case SamplerKind::kBilinear: shader = SelectBilinearShader(t.colour, depth, fog, over); break;
        case SamplerKind::kTrilinear:
            if (t.tex[0].minBilinear && t.tex[0].magBilinear && t.tex[1].minBilinear && t.tex[1].magBilinear) {
                shader = SelectTrilinearShader(t.colour, depth, fog, over);
            }
            break;
        default: break;
    }
    return shader != nullptr ? shader : GenericSpanShader();
}

namespace {

// The vector set that draws t's state several pixels at a time: the one in
// use, when t's state has a specialised scalar shader; otherwise nullptr.
const VectorIsa* VectorIsaFor(const TriangleSetup& t) {
    const SpanShader scalar = t.scalarShader != nullptr ? t.scalarShader : SelectScalarShader(t);
    return scalar == GenericSpanShader() ? nullptr : CurrentVectorIsa();
}

}  // namespace

SpanShader SelectSpanShader(const TriangleSetup& t) {
    const SpanShader scalar = t.scalarShader != nullptr ? t.scalarShader : SelectScalarShader(t);
    const VectorIsa* isa = VectorIsaFor(t);
    const SpanShader vector = isa != nullptr ? isa->select(t.colour, t.sampler) : nullptr;
    return vector != nullptr ? vector : scalar;
}

BlockShader SelectBlockShader(const TriangleSetup& t) {
    const VectorIsa* isa = VectorIsaFor(t);
    return isa != nullptr ? isa->selectBlock(t.colour, t.sampler) : nullptr;
}

BatchShader SelectBatchShader(const TriangleSetup& t) {
    const VectorIsa* isa = VectorIsaFor(t);
    return isa != nullptr ? isa->selectBatch(t.colour, t.sampler) : nullptr;
}

void ChooseShaders(bool forceGeneric, TriangleSetup* t) {
    t->scalarShader = forceGeneric ? GenericSpanShader() : SelectScalarShader(*t);
    t->shader = forceGeneric ? GenericSpanShader() : SelectSpanShader(*t);
    t->blockShader = forceGeneric ? nullptr : SelectBlockShader(*t);
    t->batchShader = forceGeneric ? nullptr : SelectBatchShader(*t);
    const VectorIsa* isa = CurrentVectorIsa();
    t->planes = forceGeneric || isa == nullptr ? nullptr : isa->planes;
    t->spanPath = t->shader == GenericSpanShader()   ? SpanPath::kGeneric
                  : t->shader == t->scalarShader ? SpanPath::kScalar
                                                 : SpanPath::kVector;
}

}  // namespace glide
