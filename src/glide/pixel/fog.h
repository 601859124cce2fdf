// Table fog: the 64-entry table indexed by the pixel's w.
//
// Entry i stands for w_i = 2^(3 + (i >> 2)) / (8 - (i & 3)): four entries per
// octave of w, at 1, 8/7, 8/6 and 8/5 of the octave's start (w_0 = 1,
// w_4 = 2, w_63 = 52428.8). Between two entries the fog value is
// interpolated linearly in w; below w_0 it is entry 0, above w_63 entry 63.
#pragma once

#include <bit>
#include <cstdint>

#include "glide.h"

namespace glide {

// w of table entry i (0..63).
float FogTableW(int index);

// Fog amount for a pixel at w as 8.8 fixed point of the table's 0..255 scale
// (0 .. 255 << 8), interpolated between the neighbouring entries.
[[gnu::always_inline]] inline std::uint32_t FogTableValue88(const std::uint8_t table[GR_FOG_TABLE_SIZE], float w) {
    if (!(w > 1.0f)) return static_cast<std::uint32_t>(table[0]) << 8;  // also NaN
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(w);
    const int octave = static_cast<int>(bits >> 23) - 127;  // w in [2^octave, 2^(octave+1))
    if (octave >= 16) return static_cast<std::uint32_t>(table[63]) << 8;
    // r in [1, 2): position inside the octave; entries sit at r = 8 / (8 - k).
    const float r = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u);
    // k: which of the four entries of the octave r is past; lo its position,
    // scale the reciprocal of the distance to the next entry.
    int k = 0;
    float lo = 1.0f, scale = 7.0f;
    if (r >= 8.0f / 5.0f) {
        k = 3, lo = 8.0f / 5.0f, scale = 2.5f;
    } else if (r >= 8.0f / 6.0f) {
        k = 2, lo = 8.0f / 6.0f, scale = 3.75f;
    } else if (r >= 8.0f / 7.0f) {
        k = 1, lo = 8.0f / 7.0f, scale = 5.25f;
    }
    const int index = octave * 4 + k;
    if (index >= 63) return static_cast<std::uint32_t>(table[63]) << 8;
    int frac8 = static_cast<int>((r - lo) * scale * 256.0f);
    frac8 = frac8 < 0 ? 0 : (frac8 > 255 ? 255 : frac8);
    const int a = table[index];
    const int b = table[index + 1];
    return static_cast<std::uint32_t>((a << 8) + (b - a) * frac8);
}

// The fog amount for every 16-bit W-buffer value (see depth_format.h): the
// pixel pipeline looks fog up by the pixel's W value, as the board indexed
// its table by the depth's exponent and mantissa, instead of working out w
// per pixel. Each entry is FogTableValue88 at the centre of the value's
// range of w; the 12-bit mantissa keeps that within 1/8192 of the pixel's w.
// Value 0 (w <= 1) gives entry 0, 0xFFFF (w beyond 2^16 or 1/w not positive)
// entry 63.
struct FogLut {
    std::uint16_t value88[65536];
};
void BuildFogLut(const std::uint8_t table[GR_FOG_TABLE_SIZE], FogLut* lut);

// A fog amount (8.8, 0..255 << 8) as the 16-bit fraction ApplyFog mixes
// with: 0..65280 onto 0..65536, so that a full table entry gives the fog
// colour exactly.
[[gnu::always_inline]] constexpr int FogScale16(std::uint32_t value88) {
    return static_cast<int>(value88 + (value88 + 128) / 255);
}

// Mixes fog into one 8-bit channel: c + f16 (fog - c) / 65536, rounded.
[[gnu::always_inline]] constexpr int ApplyFog(int c, int fog, int f16) {
    return c + (((fog - c) * f16 + 32768) >> 16);
}

}  // namespace glide
