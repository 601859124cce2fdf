// Table-seeded reciprocal square root used by lighting to normalise vectors.
#pragma once

#include <bit>
#include <cstdint>

// 128 seed bytes, built once as the very first start-up step.
extern std::uint8_t* InvSqrtTable;

void BuildInvSqrtTable();

// The table's entries widened to 32 bits and shifted into the seed's
// mantissa (entry << 15), for lookups several lanes at a time; built with
// the table.
const std::int32_t* InvSqrtSeeds();
float FastInvSqrt(float x);

// The same computation, inlined into the lighting loops.
inline float FastInvSqrtInline(float x) {
    const std::uint32_t b = std::bit_cast<std::uint32_t>(x);
    const std::uint32_t index = (b >> 17) & 0x7Fu;
    // 0x5F000000 - exponent/2 negates and halves the biased exponent; the
    // table supplies the top eight mantissa bits.
    const std::uint32_t seedBits = (static_cast<std::uint32_t>(InvSqrtTable[index]) << 15) |
                                   ((0x5F000000u - ((b & 0x7F800000u) >> 1)) & 0xFF800000u);
    const float seed = std::bit_cast<float>(seedBits);
    // One Newton-Raphson step.
    return (0.5f * seed) * (3.0f - seed * seed * x);
}
