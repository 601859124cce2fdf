// Which shaders draw a triangle's pixel state, chosen once at set-up: the
// specialised per-pixel (scalar) span shader of the state, or the generic
// reference one; its vector form, block shader and batch shader under the
// instruction set in use, where the state has them; and the vector planes
// of set-up. See README.md for the decision a triangle then goes through.
#pragma once

#include "setup/triangle_setup.h"

namespace glide {

// Fills t's shader fields (scalarShader, shader, blockShader, batchShader,
// planes) for its pixel state. forceGeneric (tests): the generic reference
// shader, no block or batch shader and the scalar planes.
void ChooseShaders(bool forceGeneric, TriangleSetup* t);

// The specialised per-pixel shader for t's state, or the generic one.
SpanShader SelectScalarShader(const TriangleSetup& t);
// The shader to draw t with: the vector form of its scalar shader under the
// chosen instruction set, where there is one.
SpanShader SelectSpanShader(const TriangleSetup& t);
// The reference path: every state the API accepts, decided per pixel.
SpanShader GenericSpanShader();
// The block shader of t's state under the chosen instruction set, or
// nullptr.
BlockShader SelectBlockShader(const TriangleSetup& t);
// The batch shader of t's state under the chosen instruction set, or
// nullptr.
BatchShader SelectBatchShader(const TriangleSetup& t);

}  // namespace glide
