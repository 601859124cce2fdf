// The 16-bit depth values the device stores.
//
// W-buffer: the board keeps 1/w as a small float, 4-bit exponent and 12-bit
// mantissa. With 1/w in (0, 1) written as 2^-(e+1) * 1.m, the stored value
// is (e << 12) | (0xFFF - m12): e counts the leading zero bits of 1/w, and
// the mantissa is inverted so that nearer pixels (larger 1/w) always get
// smaller values. w <= 1 gives 0; w beyond 2^16, and 1/w that is not a
// positive number, give 0xFFFF (farthest).
//
// Z-buffer: the vertices' ooz (0..65535, larger is nearer, compared with
// GR_CMP_GREATER after a clear to 0), interpolated linearly in screen space
// and truncated to 16 bits; below 0 (and NaN) gives 0, above 65535 gives
// 65535. Triangles and lines both carry an ooz plane.
#pragma once

#include <bit>
#include <cstdint>

namespace glide {

[[gnu::always_inline]] constexpr std::uint16_t WDepthFromOow(float oow) {
    if (!(oow > 0.0f)) return 0xFFFF;  // also NaN
    if (oow >= 1.0f) return 0;
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(oow);
    const int exponent = static_cast<int>(bits >> 23) - 127;  // -1 for [0.5, 1)
    const int leadingZeros = -exponent - 1;
    if (leadingZeros > 15) return 0xFFFF;
    const std::uint32_t mantissa12 = (bits >> 11) & 0xFFFu;
    return static_cast<std::uint16_t>((static_cast<std::uint32_t>(leadingZeros) << 12) | (0xFFFu - mantissa12));
}

// The other way: the 1/w at the centre of W value d's range of 1/w (half a
// unit of the 12-bit mantissa above its start), exact in a double. For every
// d, WDepthFromOow of it (as a float) is d again. Table fog is looked up by
// W value and worked out at this 1/w (fog.h).
constexpr double OowAtWDepthCentre(std::uint16_t d) {
    const std::uint64_t exponent = 1023u - ((d >> 12) + 1u);  // 2^-(e+1)
    const std::uint64_t mantissa13 = ((0xFFFu - (d & 0xFFFu)) << 1) | 1u;  // (0xFFF - m12) + 1/2, in 1/8192
    return std::bit_cast<double>(exponent << 52 | mantissa13 << 39);
}

[[gnu::always_inline]] constexpr std::uint16_t ZDepthFromOoz(float ooz) {
    if (!(ooz > 0.0f)) return 0;  // also NaN
    if (ooz >= 65535.0f) return 0xFFFF;
    return static_cast<std::uint16_t>(static_cast<std::int32_t>(ooz));
}

}  // namespace glide
