// Table-seeded reciprocal square root used by lighting to normalise vectors.
#pragma once

#include <cstdint>

// 128 seed bytes, built once as the very first start-up step.
extern std::uint8_t* InvSqrtTable;

void BuildInvSqrtTable();
float FastInvSqrt(float x);
