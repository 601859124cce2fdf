// Specialised span shaders for textured triangles with the kBilinear sampler.
#include "pixel/scalar_shader_table.h"

namespace glide {

SpanShader SelectBilinearShader(ColourSource colour, bool depth, bool fog, bool over) {
    switch (colour) {
        case ColourSource::kTexture:
            return PickShader<ColourSource::kTexture, SamplerKind::kBilinear>(depth, fog, over);
        case ColourSource::kTextureTimesConstant:
            return PickShader<ColourSource::kTextureTimesConstant, SamplerKind::kBilinear>(depth, fog, over);
        case ColourSource::kTextureTimesIterated:
            return PickShader<ColourSource::kTextureTimesIterated, SamplerKind::kBilinear>(depth, fog, over);
        default:
            return nullptr;
    }
}

}  // namespace glide
