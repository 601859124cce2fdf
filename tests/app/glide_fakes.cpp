// The accelerator calls the shell makes, as recording fakes. tests.cmake
// redirects the shell's references to these C names here at link time (GNU
// ld --wrap: a reference to X goes to __wrap_X); the device library itself
// stays linked for the rest of the system.
#include <type_traits>

#include "call_recorder.h"
#include "glide.h"

extern "C" {

void __wrap_grGlideInit(void) { RecordCall("grGlideInit()"); }
FxBool __wrap_grSstQueryHardware(GrHwConfiguration*) {
    RecordCall("grSstQueryHardware()");
    return Fake.hardwarePresent;
}
void __wrap_grSstSelect(int which) { RecordCall("grSstSelect(%d)", which); }
FxBool __wrap_grSstOpen(GrScreenResolution_t res, GrScreenRefresh_t refresh, GrColorFormat_t fmt,
                        GrOriginLocation_t origin, GrSmoothingMode_t smoothing, int buffers) {
    RecordCall("grSstOpen(%d,%d,%d,%d,%d,%d)", res, refresh, fmt, origin, smoothing, buffers);
    return FXTRUE;
}
void __wrap_grGlideShutdown(void) { RecordCall("grGlideShutdown()"); }
void __wrap_grSstPassthruMode(GrPassthruMode_t mode) { RecordCall("grSstPassthruMode(%d)", mode); }
void __wrap_grRenderBuffer(GrBuffer_t buffer) { RecordCall("grRenderBuffer(%d)", buffer); }
void __wrap_grBufferClear(GrColor_t colour, GrAlpha_t alpha, FxU16 depth) {
    RecordCall("grBufferClear(%u,%u,0x%X)", colour, alpha, depth);
}
void __wrap_grBufferSwap(int interval) { RecordCall("grBufferSwap(%d)", interval); }
void __wrap_grDepthBufferMode(GrDepthBufferMode_t mode) { RecordCall("grDepthBufferMode(%d)", mode); }
void __wrap_grDepthBufferFunction(GrCmpFnc_t function) { RecordCall("grDepthBufferFunction(%d)", function); }
void __wrap_grDepthMask(FxBool enable) { RecordCall("grDepthMask(%d)", enable); }
void __wrap_grAlphaCombine(GrCombineFunction_t f, GrCombineFactor_t factor, GrCombineLocal_t local,
                           GrCombineOther_t other, FxBool invert) {
    RecordCall("grAlphaCombine(%d,%d,%d,%d,%d)", f, factor, local, other, invert);
}
void __wrap_grAlphaBlendFunction(GrAlphaBlendFnc_t a, GrAlphaBlendFnc_t b, GrAlphaBlendFnc_t c, GrAlphaBlendFnc_t d) {
    RecordCall("grAlphaBlendFunction(%d,%d,%d,%d)", a, b, c, d);
}
void __wrap_grFogMode(GrFogMode_t mode) { RecordCall("grFogMode(%d)", mode); }
void __wrap_grFogTable(const GrFog_t table[GR_FOG_TABLE_SIZE]) { RecordCall("grFogTable(%u,%u)", table[0], table[63]); }
void __wrap_grFogColorValue(GrColor_t colour) { RecordCall("grFogColorValue(%u)", colour); }
void __wrap_guFogGenerateExp2(GrFog_t table[GR_FOG_TABLE_SIZE], float density) {
    RecordCall("guFogGenerateExp2(%.7g)", static_cast<double>(density));
    // A recognisable table, so grFogTable can be checked to get this one.
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) table[i] = static_cast<GrFog_t>(i * 4);
}
void __wrap_grHints(GrHint_t type, FxU32 value) { RecordCall("grHints(%u,%u)", type, value); }
void __wrap_guColorCombineFunction(GrColorCombineFnc_t f) { RecordCall("guColorCombineFunction(%d)", f); }
void __wrap_guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t f) { RecordCall("guTexCombineFunction(%d,%d)", tmu, f); }
void __wrap_guMPInit(void) { RecordCall("guMPInit()"); }

}  // extern "C"

// A C name stays the same when its declaration changes, so each fake is held
// to the signature of the call it stands in for here.
#define FAKE_MATCHES(name) \
    static_assert(std::is_same_v<decltype(&name), decltype(&__wrap_##name)>, #name " changed: update its fake")
FAKE_MATCHES(grGlideInit);
FAKE_MATCHES(grSstQueryHardware);
FAKE_MATCHES(grSstSelect);
FAKE_MATCHES(grSstOpen);
FAKE_MATCHES(grGlideShutdown);
FAKE_MATCHES(grSstPassthruMode);
FAKE_MATCHES(grRenderBuffer);
FAKE_MATCHES(grBufferClear);
FAKE_MATCHES(grBufferSwap);
FAKE_MATCHES(grDepthBufferMode);
FAKE_MATCHES(grDepthBufferFunction);
FAKE_MATCHES(grDepthMask);
FAKE_MATCHES(grAlphaCombine);
FAKE_MATCHES(grAlphaBlendFunction);
FAKE_MATCHES(grFogMode);
FAKE_MATCHES(grFogTable);
FAKE_MATCHES(grFogColorValue);
FAKE_MATCHES(guFogGenerateExp2);
FAKE_MATCHES(grHints);
FAKE_MATCHES(guColorCombineFunction);
FAKE_MATCHES(guTexCombineFunction);
FAKE_MATCHES(guMPInit);
#undef FAKE_MATCHES
