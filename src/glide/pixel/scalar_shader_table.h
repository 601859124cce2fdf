// Tables of specialised span shaders: for one colour source and sampler,
// the eight combinations of depth test on/off, table fog on/off and
// replace / source-alpha-over blending. Each scalar_shaders_*.cpp file
// instantiates its share, so the instances compile in parallel.
#pragma once

#include "pixel/scalar_stages.h"

namespace glide {

template <ColourSource kColour, SamplerKind kSampler>
SpanShader PickShader(bool depth, bool fog, bool over) {
    constexpr int c = static_cast<int>(kColour), s = static_cast<int>(kSampler);
    static constexpr SpanShader kTable[8] = {
        &ShadeSpan<c, s, 0, 0, 0>, &ShadeSpan<c, s, 0, 0, 1>, &ShadeSpan<c, s, 0, 1, 0>, &ShadeSpan<c, s, 0, 1, 1>,
        &ShadeSpan<c, s, 1, 0, 0>, &ShadeSpan<c, s, 1, 0, 1>, &ShadeSpan<c, s, 1, 1, 0>, &ShadeSpan<c, s, 1, 1, 1>,
    };
    return kTable[(depth ? 4 : 0) | (fog ? 2 : 0) | (over ? 1 : 0)];
}

// Each returns nullptr for a colour source it does not specialise.
SpanShader SelectUntexturedShader(ColourSource colour, bool depth, bool fog, bool over);
SpanShader SelectPointShader(ColourSource colour, bool depth, bool fog, bool over);
SpanShader SelectBilinearShader(ColourSource colour, bool depth, bool fog, bool over);
SpanShader SelectTrilinearShader(ColourSource colour, bool depth, bool fog, bool over);

}  // namespace glide
