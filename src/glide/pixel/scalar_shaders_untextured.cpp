// Specialised span shaders for untextured triangles, and the generic
// reference shader.
#include "pixel/scalar_shader_table.h"

namespace glide {

SpanShader SelectUntexturedShader(ColourSource colour, bool depth, bool fog, bool over) {
    switch (colour) {
        case ColourSource::kConstant:
            return PickShader<ColourSource::kConstant, SamplerKind::kNone>(depth, fog, over);
        case ColourSource::kIterated:
            return PickShader<ColourSource::kIterated, SamplerKind::kNone>(depth, fog, over);
        default:
            return nullptr;
    }
}

SpanShader GenericSpanShader() { return &ShadeSpan<-1, -1, -1, -1, -1>; }

}  // namespace glide
