#include "render/init_graphics.h"

#include "app/fatal_error.h"
#include "glide.h"
#include "render/color_combine.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace {

constexpr float kFogDensity = 0.0002f;

// The device keeps its own copy of the table; a static one costs nothing.
GrFog_t fogTable[GR_FOG_TABLE_SIZE];

}  // namespace

void SetRenderFloatingPointMode() {
#if defined(__x86_64__) || defined(__i386__)
    // SSE: round to nearest (RC = 00), all six exceptions masked (bits 7..12),
    // flush-to-zero and denormals-are-zero off: IEEE single arithmetic.
    _mm_setcsr(0x1F80);
#endif
#if defined(__i386__)
    // x87: 24-bit significand, round to nearest, exceptions masked. On
    // x86-64 float arithmetic runs in SSE already, and the x87 unit is left
    // at extended precision for the long double sums that ask for it.
    const unsigned short controlWord = 0x007F;
    asm volatile("fninit\n\tfldcw %0" : : "m"(controlWord));
#endif
}

void InitGraphics() {
    grGlideInit();
    GrHwConfiguration hardware;
    if (!grSstQueryHardware(&hardware)) FatalError("ERROR: no Voodoo Graphics!\n");
    grSstSelect(0);
    grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
              GR_SMOOTHING_DISABLE, 2);

    RequestColorCombine(GR_COLORCOMBINE_ITRGB);
    guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
    grAlphaCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_ONE, GR_COMBINE_LOCAL_NONE,
                   GR_COMBINE_OTHER_ITERATED, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);

    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);

    SetRenderFloatingPointMode();

    guFogGenerateExp2(fogTable, kFogDensity);
    grFogTable(fogTable);
    grFogColorValue(0);
    grFogMode(GR_FOG_WITH_TABLE);
}
