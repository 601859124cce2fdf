// The instruction sets the vector stages are compiled for: Highway's x86
// targets from SSE4 up (below SSE4 the scalar path serves). Include this
// before any Highway header in a file that compiles the vector stages (the
// device's vector_shaders.cpp and the per-target tests), so that both see
// the same targets.
#pragma once

#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS HWY_SSSE3
#endif

// True while foreach_target compiles one of those sets; the vector -inl.h
// files hold code only then.
#define GLIDE_VECTOR_TARGET (HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3)
