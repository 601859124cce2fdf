#include "render/fast_inv_sqrt.h"

std::uint8_t* InvSqrtTable = nullptr;

void BuildInvSqrtTable() {}

float FastInvSqrt(float x) { return x > 0.0f ? 1.0f / x : 0.0f; }
