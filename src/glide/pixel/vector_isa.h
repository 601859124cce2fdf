// The vector span shaders as the rest of the device sees them: one entry
// per instruction set they are compiled for, and the set in use.
//
// A vector shader covers the states the specialised scalar shaders cover
// (see SelectSpanShader) and draws exactly their pixels, several at a time.
#pragma once

#include <cstdint>

#include "setup/triangle_setup.h"

namespace glide {

struct VectorIsa {
    const char* name;        // as AvailablePixelIsas reports it
    std::int64_t hwyTarget;  // the Highway target bit the processor must offer
    // The shader for a colour source and sampler, nullptr where the set has
    // none (the scalar shader draws then). Depth, table fog and the two
    // specialised blends are read from the triangle.
    SpanShader (*select)(ColourSource colour, SamplerKind sampler);
    // The block shader of the same states (see vector_block-inl.h).
    BlockShader (*selectBlock)(ColourSource colour, SamplerKind sampler);
    // The batch shader of the same states (see vector_batch-inl.h).
    BatchShader (*selectBatch)(ColourSource colour, SamplerKind sampler);
    // Set-up's attribute planes (see setup/vector_planes-inl.h).
    PlaneSetup planes;
};

// The compiled sets, weakest first.
const VectorIsa* CompiledVectorIsas(int* count);

// The set chosen by SetPixelIsa (or the best available); nullptr: scalar.
const VectorIsa* CurrentVectorIsa();

}  // namespace glide
