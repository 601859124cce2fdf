// Decoding of the board's texel formats into the one layout the sampler
// reads, 0xAARRGGBB. Done once per texel at download, never per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "glide.h"

namespace glide {

// Narrow channels widen by repeating their bits, so 0 stays 0 and the
// largest value becomes 255 (5 bits: abcde -> abcdeabc).
constexpr std::uint32_t Widen1(std::uint32_t v) { return v ? 255u : 0u; }
constexpr std::uint32_t Widen2(std::uint32_t v) { return v * 0x55u; }
constexpr std::uint32_t Widen3(std::uint32_t v) { return (v << 5) | (v << 2) | (v >> 1); }
constexpr std::uint32_t Widen4(std::uint32_t v) { return v * 0x11u; }
constexpr std::uint32_t Widen5(std::uint32_t v) { return (v << 3) | (v >> 2); }
constexpr std::uint32_t Widen6(std::uint32_t v) { return (v << 2) | (v >> 4); }

constexpr std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// What a format needs besides its texels.
enum class TexTableKind { kNone, kNcc, kPalette };
TexTableKind TableKindOf(GrTextureFormat_t format);

// The colour of one 8-bit YIQ texel: Y index in bits 7..4, I in 3..2, Q in
// 1..0; each channel Y + I + Q clamped to 0..255. Alpha 255.
std::uint32_t NccColor(const GuNccTable& ncc, std::uint8_t texel);

// Decodes count texels of format from src (one byte per texel for 8-bit
// formats, one host-order FxU16 for 16-bit ones; src need not be aligned).
// table supplies the NCC table or the palette where the format has one.
// False (dst untouched) for an unknown format or a missing table.
bool DecodeTexels(GrTextureFormat_t format, const void* src, std::size_t count, const GuTexTable* table,
                  std::uint32_t* dst);

}  // namespace glide
