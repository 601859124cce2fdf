#include "render/fast_inv_sqrt.h"

#include <bit>
#include <cmath>

std::uint8_t* InvSqrtTable = nullptr;

namespace {
std::int32_t gSeeds[128];
}  // namespace

const std::int32_t* InvSqrtSeeds() { return gSeeds; }

// Entry i seeds the mantissa for the inputs whose lowest exponent bit is
// index bit 6 and whose top six mantissa bits are index bits 0..5: x runs
// over [0.5, 1) for i < 64 and over [1, 2) for i >= 64. The entry is the top
// eight mantissa bits of 1/sqrt(x), rounded at bit 14.
void BuildInvSqrtTable() {
    InvSqrtTable = new std::uint8_t[128];
    for (std::uint32_t i = 0; i < 128; ++i) {
        const float x = std::bit_cast<float>((i | 0x1F80u) << 17);
        const float y = static_cast<float>(1.0 / std::sqrt(static_cast<double>(x)));
        InvSqrtTable[i] = static_cast<std::uint8_t>((std::bit_cast<std::uint32_t>(y) + 0x2000u) >> 15);
    }
    // 1/sqrt(1) = 1.0 has an all-zero mantissa, and a zero entry would pair
    // with the halved exponent to seed 0.5. 255 seeds 0.998046875 instead.
    InvSqrtTable[64] = 255;
    for (int i = 0; i < 128; ++i) gSeeds[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(InvSqrtTable[i]) << 15);
}

float FastInvSqrt(float x) { return FastInvSqrtInline(x); }
