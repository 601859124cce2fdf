// Specialised span shaders for textured triangles with the kPoint sampler.
#include "pixel/scalar_shader_table.h"

namespace glide {

SpanShader SelectPointShader(ColourSource colour, bool depth, bool fog, bool over) {
    switch (colour) {
        case ColourSource::kTexture:
            return PickShader<ColourSource::kTexture, SamplerKind::kPoint>(depth, fog, over);
        case ColourSource::kTextureTimesConstant:
            return PickShader<ColourSource::kTextureTimesConstant, SamplerKind::kPoint>(depth, fog, over);
        case ColourSource::kTextureTimesIterated:
            return PickShader<ColourSource::kTextureTimesIterated, SamplerKind::kPoint>(depth, fog, over);
        default:
            return nullptr;
    }
}

}  // namespace glide
