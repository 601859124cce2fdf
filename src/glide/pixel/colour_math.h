// The integer colour formulas of the pixel stages, each defined once: the
// scalar stages call these, and the lane forms in vector_stages-inl.h are
// tested against them value by value for every instruction set
// (tests/glide/vector_stages_test.cpp).
#pragma once

#include <cstdint>

namespace glide {

// x / 255 rounded to nearest, for x >= 0. Exact up to 65662, which holds
// every product of two 8-bit values and every source-over sum; larger sums
// (additive blending) come out above 255 and saturate.
[[gnu::always_inline]] constexpr int Div255(int x) {
    const int y = x + 128;
    return (y + (y >> 8)) >> 8;
}

// round(a * b / 255) for a, b in 0..255: modulation of two 8-bit values.
[[gnu::always_inline]] constexpr int Mul255(int a, int b) { return Div255(a * b); }

// The 8-bit value of a 12.12 colour plane value: its integer part, clamped
// to 0..255.
[[gnu::always_inline]] constexpr int Clamp255(std::int64_t v12) {
    const std::int64_t v = v12 >> 12;
    return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

// Source alpha over the destination, one 8-bit channel: the source weighted
// by alpha, the destination by 255 - alpha.
[[gnu::always_inline]] constexpr int SourceOver(int source, int destination, int alpha) {
    return Div255(source * alpha + destination * (255 - alpha));
}

}  // namespace glide
