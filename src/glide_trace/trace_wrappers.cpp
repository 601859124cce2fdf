// The recorded Glide calls: one __wrap_ function per call, which the GNU
// linker's --wrap sends the program's calls to; each records the call (or
// remembers it for a later trace's preamble) and passes it on to the device
// through __real_.
//
// Only the outermost call is recorded: the device's own helpers may call
// other Glide functions (a multi-pass triangle drawn as two triangles), and
// replaying those as well would draw twice.
//
// A big scene's frame makes more than a million calls: while nothing is
// watched (Recorder::watched), a draw call's wrapper is one predicted
// branch before the device, and a state call's only remembers the state.
#include "device_call_timing.h"
#include "gu3df_io.h"
#include "trace_recorder.h"

using glide_trace::AllocArgs;
using glide_trace::Op;
using namespace glide_trace::recording;  // R(), Recorder, the Slot values
using glide_trace::timing::DeviceCallTimer;

extern "C" {
void __real_grGlideInit(void);
FxBool __real_grSstQueryHardware(GrHwConfiguration* hw);
void __real_grSstSelect(int which);
FxBool __real_grSstOpen(GrScreenResolution_t, GrScreenRefresh_t, GrColorFormat_t, GrOriginLocation_t,
                        GrSmoothingMode_t, int);
void __real_grGlideShutdown(void);
void __real_grSstPassthruMode(GrPassthruMode_t);
void __real_grRenderBuffer(GrBuffer_t);
void __real_grBufferClear(GrColor_t, GrAlpha_t, FxU16);
void __real_grBufferSwap(int);
void __real_grDepthBufferMode(GrDepthBufferMode_t);
void __real_grDepthBufferFunction(GrCmpFnc_t);
void __real_grDepthMask(FxBool);
void __real_grAlphaCombine(GrCombineFunction_t, GrCombineFactor_t, GrCombineLocal_t, GrCombineOther_t, FxBool);
void __real_grAlphaBlendFunction(GrAlphaBlendFnc_t, GrAlphaBlendFnc_t, GrAlphaBlendFnc_t, GrAlphaBlendFnc_t);
void __real_grFogMode(GrFogMode_t);
void __real_grFogTable(const GrFog_t*);
void __real_grFogColorValue(GrColor_t);
void __real_grHints(GrHint_t, FxU32);
void __real_grConstantColorValue(GrColor_t);
void __real_grTexFilterMode(GrChipID_t, GrTextureFilterMode_t, GrTextureFilterMode_t);
void __real_grTexMipMapMode(GrChipID_t, GrMipMapMode_t, FxBool);
void __real_guColorCombineFunction(GrColorCombineFnc_t);
void __real_guTexCombineFunction(GrChipID_t, GrTextureCombineFnc_t);
void __real_guMPInit(void);
void __real_guMPTexCombineFunction(GrMPTextureCombineFnc_t);
void __real_guMPTexSource(GrChipID_t, GrMipMapId_t);
GrMipMapId_t __real_guTexAllocateMemory(GrChipID_t, FxU8, int, int, GrTextureFormat_t, GrMipMapMode_t, GrLOD_t,
                                        GrLOD_t, GrAspectRatio_t, GrTextureClampMode_t, GrTextureClampMode_t,
                                        GrTextureFilterMode_t, GrTextureFilterMode_t, float, FxBool);
void __real_guTexDownloadMipMap(GrMipMapId_t, const void*, const GuNccTable*);
void __real_guTexSource(GrMipMapId_t);
void __real_grDrawTriangle(const GrVertex*, const GrVertex*, const GrVertex*);
void __real_grAADrawTriangle(const GrVertex*, const GrVertex*, const GrVertex*, FxBool, FxBool, FxBool);
void __real_guMPDrawTriangle(const GrVertex*, const GrVertex*, const GrVertex*);
void __real_grDrawLine(const GrVertex*, const GrVertex*);
}


// Tells the recorder's API that the calls are wrapped (see trace_recorder.cpp).
extern "C" {
extern const int tarnview_glide_trace_wrapped;
const int tarnview_glide_trace_wrapped = 1;
}

namespace {

// Marks one wrapped call; only the outermost one is recorded.
class Call {
public:
    Call() : outer_(R().depth++ == 0) {}
    ~Call() { --R().depth; }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    bool outer() const { return outer_; }

private:
    bool outer_;
};

// A state call while something is watched: recorded (or remembered) when
// outermost, and timed.
template <class Pass>
[[gnu::noinline]] void WatchedStateCall(int slot, Op op, const void* payload, std::uint32_t bytes, Pass pass) {
    Call call;
    if (call.outer()) R().State(slot, op, payload, bytes);
    DeviceCallTimer timer(call.outer());
    pass();
}

// A state call: while nothing is watched, remembered for a later trace's
// preamble and passed on (the device's calls call no wrapped call, so the
// nesting count is left alone).
template <class Pass>
[[gnu::always_inline]] inline void StateCall(int slot, Op op, const void* payload, std::uint32_t bytes, Pass pass) {
    Recorder& r = R();
    if (__builtin_expect(!r.watched && r.depth == 0, 1)) {
        r.Remember(slot, op, payload, bytes);
        pass();
        return;
    }
    WatchedStateCall(slot, op, payload, bytes, pass);
}

}  // namespace

// ---- wrapped calls ----------------------------------------------------------------------------

extern "C" {

void __wrap_grGlideInit(void) {
    Call call;
    if (call.outer()) {
        Recorder& r = R();
        // A fresh device forgets its textures and state.
        r.Forget();
        r.State(kSlotInit, Op::kGlideInit, nullptr, 0);
    }
    DeviceCallTimer timer(call.outer());
    __real_grGlideInit();
}

FxBool __wrap_grSstQueryHardware(GrHwConfiguration* hw) {
    Call call;
    if (call.outer()) R().State(kSlotQuery, Op::kSstQueryHardware, nullptr, 0);
    DeviceCallTimer timer(call.outer());
    return __real_grSstQueryHardware(hw);
}

void __wrap_grSstSelect(int which) {
    StateCall(kSlotSelect, Op::kSstSelect, &which, 4, [=] { __real_grSstSelect(which); });
}

FxBool __wrap_grSstOpen(GrScreenResolution_t res, GrScreenRefresh_t refresh, GrColorFormat_t format,
                        GrOriginLocation_t origin, GrSmoothingMode_t smoothing, int buffers) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[6] = {res, refresh, format, origin, smoothing, buffers};
        R().State(kSlotOpen, Op::kSstOpen, args, sizeof(args));
    }
    DeviceCallTimer timer(call.outer());
    return __real_grSstOpen(res, refresh, format, origin, smoothing, buffers);
}

void __wrap_grGlideShutdown(void) {
    Call call;
    if (call.outer()) {
        Recorder& r = R();
        // The device is gone: a trace in progress ends here, and what was
        // remembered no longer describes any device.
        if (r.recording) r.Finish();
        r.Forget();
    }
    DeviceCallTimer timer(call.outer());
    __real_grGlideShutdown();
}

void __wrap_grSstPassthruMode(GrPassthruMode_t mode) {
    StateCall(kSlotPassthru, Op::kSstPassthruMode, &mode, 4, [=] { __real_grSstPassthruMode(mode); });
}

void __wrap_grRenderBuffer(GrBuffer_t buffer) {
    StateCall(kSlotRenderBuffer, Op::kRenderBuffer, &buffer, 4, [=] { __real_grRenderBuffer(buffer); });
}

void __wrap_grBufferClear(GrColor_t colour, GrAlpha_t alpha, FxU16 depth) {
    Call call;
    if (call.outer()) {
        const std::uint32_t args[3] = {colour, alpha, depth};
        R().Frame(Op::kBufferClear, args, sizeof(args));
    }
    DeviceCallTimer timer(call.outer());
    __real_grBufferClear(colour, alpha, depth);
}

void __wrap_grBufferSwap(int interval) {
    Call call;
    if (call.outer()) R().Frame(Op::kBufferSwap, &interval, 4);
    {
        // Timed before the swap hook runs, so the swap counts in the frame it ends.
        DeviceCallTimer timer(call.outer());
        __real_grBufferSwap(interval);
    }
    if (call.outer()) R().AfterSwap();
}

void __wrap_grDepthBufferMode(GrDepthBufferMode_t mode) {
    StateCall(kSlotDepthMode, Op::kDepthBufferMode, &mode, 4, [=] { __real_grDepthBufferMode(mode); });
}

void __wrap_grDepthBufferFunction(GrCmpFnc_t function) {
    StateCall(kSlotDepthFunction, Op::kDepthBufferFunction, &function, 4,
              [=] { __real_grDepthBufferFunction(function); });
}

void __wrap_grDepthMask(FxBool enable) {
    StateCall(kSlotDepthMask, Op::kDepthMask, &enable, 4, [=] { __real_grDepthMask(enable); });
}

void __wrap_grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                           GrCombineOther_t other, FxBool invert) {
    const std::int32_t args[5] = {function, factor, local, other, invert};
    StateCall(kSlotAlphaCombine, Op::kAlphaCombine, args, sizeof(args),
              [=] { __real_grAlphaCombine(function, factor, local, other, invert); });
}

void __wrap_grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                                 GrAlphaBlendFnc_t alphaDst) {
    const std::int32_t args[4] = {rgbSrc, rgbDst, alphaSrc, alphaDst};
    StateCall(kSlotAlphaBlend, Op::kAlphaBlendFunction, args, sizeof(args),
              [=] { __real_grAlphaBlendFunction(rgbSrc, rgbDst, alphaSrc, alphaDst); });
}

void __wrap_grFogMode(GrFogMode_t mode) {
    StateCall(kSlotFogMode, Op::kFogMode, &mode, 4, [=] { __real_grFogMode(mode); });
}

void __wrap_grFogTable(const GrFog_t* table) {
    Call call;
    if (call.outer() && table != nullptr) R().State(kSlotFogTable, Op::kFogTable, table, GR_FOG_TABLE_SIZE);
    DeviceCallTimer timer(call.outer());
    __real_grFogTable(table);
}

void __wrap_grFogColorValue(GrColor_t colour) {
    StateCall(kSlotFogColor, Op::kFogColorValue, &colour, 4, [=] { __real_grFogColorValue(colour); });
}

void __wrap_grHints(GrHint_t type, FxU32 value) {
    const std::uint32_t args[2] = {type, value};
    StateCall(Indexed(kSlotHints, type, 16), Op::kHints, args, sizeof(args), [=] { __real_grHints(type, value); });
}

void __wrap_grConstantColorValue(GrColor_t colour) {
    StateCall(kSlotConstantColor, Op::kConstantColorValue, &colour, 4, [=] { __real_grConstantColorValue(colour); });
}

void __wrap_grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter) {
    const std::int32_t args[3] = {tmu, minFilter, magFilter};
    StateCall(Indexed(kSlotTexFilter, tmu, 3), Op::kTexFilterMode, args, sizeof(args),
              [=] { __real_grTexFilterMode(tmu, minFilter, magFilter); });
}

void __wrap_grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend) {
    const std::int32_t args[3] = {tmu, mode, lodBlend};
    StateCall(Indexed(kSlotTexMipMap, tmu, 3), Op::kTexMipMapMode, args, sizeof(args),
              [=] { __real_grTexMipMapMode(tmu, mode, lodBlend); });
}

void __wrap_guColorCombineFunction(GrColorCombineFnc_t function) {
    StateCall(kSlotColorCombine, Op::kColorCombineFunction, &function, 4,
              [=] { __real_guColorCombineFunction(function); });
}

void __wrap_guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function) {
    const std::int32_t args[2] = {tmu, function};
    StateCall(Indexed(kSlotTexCombine, tmu, 3), Op::kTexCombineFunction, args, sizeof(args),
              [=] { __real_guTexCombineFunction(tmu, function); });
}

void __wrap_guMPInit(void) {
    StateCall(kSlotMPInit, Op::kMPInit, nullptr, 0, [=] { __real_guMPInit(); });
}

void __wrap_guMPTexCombineFunction(GrMPTextureCombineFnc_t function) {
    StateCall(kSlotMPTexCombine, Op::kMPTexCombineFunction, &function, 4,
              [=] { __real_guMPTexCombineFunction(function); });
}

void __wrap_guMPTexSource(GrChipID_t virtualTmu, GrMipMapId_t mipmap) {
    const std::uint32_t args[2] = {static_cast<std::uint32_t>(virtualTmu), mipmap};
    StateCall(Indexed(kSlotMPTexSource, virtualTmu, 3), Op::kMPTexSource, args, sizeof(args),
              [=] { __real_guMPTexSource(virtualTmu, mipmap); });
}

GrMipMapId_t __wrap_guTexAllocateMemory(GrChipID_t tmu, FxU8 oddEvenMask, int width, int height,
                                        GrTextureFormat_t format, GrMipMapMode_t mipmapMode, GrLOD_t smallLod,
                                        GrLOD_t largeLod, GrAspectRatio_t aspect, GrTextureClampMode_t sClamp,
                                        GrTextureClampMode_t tClamp, GrTextureFilterMode_t minFilter,
                                        GrTextureFilterMode_t magFilter, float lodBias, FxBool trilinear) {
    Call call;
    GrMipMapId_t handle;
    {
        DeviceCallTimer timer(call.outer());
        handle = __real_guTexAllocateMemory(tmu, oddEvenMask, width, height, format, mipmapMode, smallLod,
                                            largeLod, aspect, sClamp, tClamp, minFilter, magFilter, lodBias,
                                            trilinear);
    }
    if (call.outer()) {
        Recorder& r = R();
        const AllocArgs args{handle,    tmu,      oddEvenMask, width,  height,    format,    mipmapMode, smallLod,
                             largeLod,  aspect,   sClamp,      tClamp, minFilter, magFilter, lodBias,    trilinear};
        if (handle != GR_NULL_MIPMAP_HANDLE) {
            r.mipmaps.push_back(KnownMipMap{handle, format, smallLod, largeLod, aspect});
        }
        r.MaybeStart();
        if (r.recording) r.writer.Record(Op::kTexAllocateMemory, &args, sizeof(args));
        r.RememberTexture(Op::kTexAllocateMemory, &args, sizeof(args));
    }
    return handle;
}

void __wrap_guTexDownloadMipMap(GrMipMapId_t mipmap, const void* data, const GuNccTable* ncc) {
    Call call;
    if (call.outer()) {
        Recorder& r = R();
        // The texel count comes from the allocation; a handle the recorder
        // never saw allocated (or a call without data) changes nothing on
        // the device and is not recorded.
        const KnownMipMap* m = r.FindMipMap(mipmap);
        if (m != nullptr && data != nullptr) {
            const std::uint32_t dataBytes = glide::TextureBytes(m->format, m->smallLod, m->largeLod, m->aspect);
            const std::uint32_t tableBytes = ncc != nullptr ? glide_trace::DownloadTableBytes(m->format) : 0;
            const std::uint32_t head[3] = {mipmap, tableBytes, dataBytes};
            r.MaybeStart();
            if (r.recording) {
                r.writer.Record(Op::kTexDownloadMipMap, head, sizeof(head), ncc, tableBytes, data, dataBytes);
            }
            r.RememberTexture(Op::kTexDownloadMipMap, head, sizeof(head), ncc, tableBytes, data, dataBytes);
        }
    }
    DeviceCallTimer timer(call.outer());
    __real_guTexDownloadMipMap(mipmap, data, ncc);
}

void __wrap_guTexSource(GrMipMapId_t mipmap) {
    StateCall(kSlotTexSource, Op::kTexSource, &mipmap, 4, [=] { __real_guTexSource(mipmap); });
}

[[gnu::noinline]] static void WatchedDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[3] = {*a, *b, *c};
        R().Frame(Op::kDrawTriangle, v, sizeof(v));
    }
    DeviceCallTimer timer(call.outer());
    __real_grDrawTriangle(a, b, c);
}

void __wrap_grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    if (__builtin_expect(R().watched, 0)) return WatchedDrawTriangle(a, b, c);
    __real_grDrawTriangle(a, b, c);
}

[[gnu::noinline]] static void WatchedAADrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c,
                                                    FxBool ab, FxBool bc, FxBool ca) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[3] = {*a, *b, *c};
        const std::int32_t edges[3] = {ab, bc, ca};
        R().Frame(Op::kAADrawTriangle, v, sizeof(v), edges, sizeof(edges));
    }
    DeviceCallTimer timer(call.outer());
    __real_grAADrawTriangle(a, b, c, ab, bc, ca);
}

void __wrap_grAADrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c, FxBool ab, FxBool bc,
                             FxBool ca) {
    if (__builtin_expect(R().watched, 0)) return WatchedAADrawTriangle(a, b, c, ab, bc, ca);
    __real_grAADrawTriangle(a, b, c, ab, bc, ca);
}

[[gnu::noinline]] static void WatchedMPDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[3] = {*a, *b, *c};
        R().Frame(Op::kMPDrawTriangle, v, sizeof(v));
    }
    DeviceCallTimer timer(call.outer());
    __real_guMPDrawTriangle(a, b, c);
}

void __wrap_guMPDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    if (__builtin_expect(R().watched, 0)) return WatchedMPDrawTriangle(a, b, c);
    __real_guMPDrawTriangle(a, b, c);
}

[[gnu::noinline]] static void WatchedDrawLine(const GrVertex* a, const GrVertex* b) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[2] = {*a, *b};
        R().Frame(Op::kDrawLine, v, sizeof(v));
    }
    DeviceCallTimer timer(call.outer());
    __real_grDrawLine(a, b);
}

void __wrap_grDrawLine(const GrVertex* a, const GrVertex* b) {
    if (__builtin_expect(R().watched, 0)) return WatchedDrawLine(a, b);
    __real_grDrawLine(a, b);
}

}  // extern "C"
