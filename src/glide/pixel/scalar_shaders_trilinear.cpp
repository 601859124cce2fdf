// Specialised span shaders for textured triangles with the kTrilinear sampler.
#include "pixel/scalar_shader_table.h"

namespace glide {

SpanShader SelectTrilinearShader(ColourSource colour, bool depth, bool fog, bool over) {
    switch (colour) {
        case ColourSource::kTexture:
            return PickShader<ColourSource::kTexture, SamplerKind::kTrilinear>(depth, fog, over);
        case ColourSource::kTextureTimesConstant:
            return PickShader<ColourSource::kTextureTimesConstant, SamplerKind::kTrilinear>(depth, fog, over);
        case ColourSource::kTextureTimesIterated:
            return PickShader<ColourSource::kTextureTimesIterated, SamplerKind::kTrilinear>(depth, fog, over);
        default:
            return nullptr;
    }
}

}  // namespace glide
