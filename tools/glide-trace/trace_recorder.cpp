// The recorder behind glide_trace.h: one __wrap_ function per recorded
// Glide call (the linker sends the program's calls here and ours on to the
// device through __real_), the remembered set-up for the trace's preamble,
// and the file writing.
//
// Only the outermost call is recorded: the device's own helpers may call
// other Glide functions (a multi-pass triangle drawn as two triangles), and
// replaying those as well would draw twice.
//
// Sections: remembered state; recorder; public API; wrapped calls.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glide_trace.h"
#include "gu3df_io.h"
#include "trace_format.h"

using glide_trace::AllocArgs;
using glide_trace::Op;

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

namespace {

// ---- remembered state ---------------------------------------------------------------

// One slot per piece of device state; the latest call that set it wins.
// Per-unit and per-hint calls get a slot per value (the last of each range
// catches values outside it).
enum Slot : int {
    kSlotInit,
    kSlotQuery,
    kSlotSelect,
    kSlotOpen,
    kSlotPassthru,
    kSlotRenderBuffer,
    kSlotDepthMode,
    kSlotDepthFunction,
    kSlotDepthMask,
    kSlotAlphaCombine,
    kSlotAlphaBlend,
    kSlotFogMode,
    kSlotFogTable,
    kSlotFogColor,
    kSlotConstantColor,
    kSlotColorCombine,
    kSlotMPInit,
    kSlotMPTexCombine,
    kSlotTexSource,
    kSlotHints,                    // + hint type, 16 slots
    kSlotTexFilter = kSlotHints + 16,  // + tmu, 3 slots
    kSlotTexMipMap = kSlotTexFilter + 3,
    kSlotTexCombine = kSlotTexMipMap + 3,
    kSlotMPTexSource = kSlotTexCombine + 3,
    kSlotCount = kSlotMPTexSource + 3,
};

int Indexed(int base, std::int64_t value, int slots) {
    return base + static_cast<int>(std::clamp<std::int64_t>(value, 0, slots - 1));
}

// Large enough for the largest state payload (the fog table).
constexpr std::uint32_t kSlotPayloadBytes = 64;

struct StateSlot {
    bool set = false;
    std::uint64_t seq = 0;
    Op op = Op::kGlideInit;
    std::uint32_t bytes = 0;
    std::uint8_t payload[kSlotPayloadBytes] = {};
};

// Texture allocations and downloads are all kept (memory is never freed),
// with the texels copied at download: the program's copy is gone by the
// time a trace starts.
struct TextureCall {
    std::uint64_t seq = 0;
    Op op = Op::kTexAllocateMemory;
    std::vector<std::uint8_t> payload;
};

struct KnownMipMap {
    GrMipMapId_t handle;
    GrTextureFormat_t format;
    GrLOD_t smallLod, largeLod;
    GrAspectRatio_t aspect;
};

// ---- recorder ---------------------------------------------------------------------------

struct Recorder {
    int depth = 0;  // nesting of wrapped calls
    std::uint64_t seq = 0;
    std::uint64_t frame = 0;
    StateSlot slots[kSlotCount];
    std::vector<TextureCall> textures;
    std::vector<KnownMipMap> mipmaps;

    bool configured = false;
    bool recording = false;
    bool finished = false;
    std::uint32_t first = 0, last = 0;
    std::uint32_t framesRecorded = 0;
    std::string path;
    std::FILE* file = nullptr;
    glide_trace::Writer writer{nullptr};
    std::string error;
    GlideTraceSwapHook swapHook = nullptr;

    void Forget() {
        for (StateSlot& s : slots) s.set = false;
        textures.clear();
        mipmaps.clear();
    }

    void Remember(int slot, Op op, const void* payload, std::uint32_t bytes) {
        StateSlot& s = slots[slot];
        s.set = true;
        s.seq = ++seq;
        s.op = op;
        s.bytes = bytes;
        if (bytes > 0) std::memcpy(s.payload, payload, bytes);
    }

    void RememberTexture(Op op, const void* a, std::uint32_t aBytes, const void* b = nullptr,
                         std::uint32_t bBytes = 0, const void* c = nullptr, std::uint32_t cBytes = 0) {
        TextureCall call;
        call.seq = ++seq;
        call.op = op;
        call.payload.resize(aBytes + bBytes + cBytes);
        if (aBytes) std::memcpy(call.payload.data(), a, aBytes);
        if (bBytes) std::memcpy(call.payload.data() + aBytes, b, bBytes);
        if (cBytes) std::memcpy(call.payload.data() + aBytes + bBytes, c, cBytes);
        textures.push_back(std::move(call));
    }

    // The preamble: remembered calls in the order the program made them.
    void EmitPreamble() {
        struct Item {
            std::uint64_t seq;
            Op op;
            const std::uint8_t* payload;
            std::uint32_t bytes;
        };
        std::vector<Item> items;
        for (const StateSlot& s : slots) {
            if (s.set) items.push_back(Item{s.seq, s.op, s.payload, s.bytes});
        }
        for (const TextureCall& t : textures) {
            items.push_back(Item{t.seq, t.op, t.payload.data(), static_cast<std::uint32_t>(t.payload.size())});
        }
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.seq < b.seq; });
        for (const Item& item : items) writer.Record(item.op, item.payload, item.bytes);
    }

    // Called at every outermost call: opens the recording at the first call
    // of the first traced frame.
    void MaybeStart() {
        if (!configured || recording || finished || frame < first || frame > last) return;
        writer.Header(first, last);
        EmitPreamble();
        const auto number = static_cast<std::uint32_t>(frame);
        writer.Record(Op::kFrameBegin, &number, 4);
        recording = true;
    }

    // Records a call that changes state: written while recording,
    // remembered for the preamble before.
    void State(int slot, Op op, const void* payload, std::uint32_t bytes) {
        MaybeStart();
        if (recording) writer.Record(op, payload, bytes);
        // Always remembered: a later trace in the same run needs it too.
        Remember(slot, op, payload, bytes);
    }

    // Records a call that only matters inside the traced frames.
    void Frame(Op op, const void* a, std::uint32_t aBytes, const void* b = nullptr, std::uint32_t bBytes = 0) {
        MaybeStart();
        if (recording) writer.Record(op, a, aBytes, b, bBytes);
    }

    void AfterSwap() {
        ++frame;
        if (swapHook != nullptr) swapHook(frame);
        if (!recording) return;
        ++framesRecorded;
        if (frame > last) {
            Finish();
        } else {
            const auto number = static_cast<std::uint32_t>(frame);
            writer.Record(Op::kFrameBegin, &number, 4);
        }
    }

    bool Finish() {
        if (!configured || finished) return error.empty();
        if (!recording) {
            // Nothing recorded (the program ended before frame `first`):
            // still leave a valid, empty trace.
            writer.Header(first, last);
            EmitPreamble();
        }
        writer.Record(Op::kTraceEnd, &framesRecorded, 4);
        recording = false;
        finished = true;
        const bool written = writer.ok();
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        if (!written || !closed) {
            error = "trace file \"" + path + "\" could not be written completely";
            return false;
        }
        return true;
    }

    // Starts the trace if this call is its first, and says whether calls
    // are being written.
    bool Recording() {
        MaybeStart();
        return recording;
    }

    const KnownMipMap* FindMipMap(GrMipMapId_t handle) const {
        for (const KnownMipMap& m : mipmaps) {
            if (m.handle == handle) return &m;
        }
        return nullptr;
    }
};

Recorder& R() {
    static Recorder recorder;
    return recorder;
}

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

void FinishAtExit() { GlideTraceFinish(); }

}  // namespace

// ---- public API -----------------------------------------------------------------------------

bool GlideTraceConfigure(const char* path, std::uint32_t firstFrame, std::uint32_t lastFrame) {
    Recorder& r = R();
    if (r.configured && !r.finished) {
        r.error = "a trace is already being recorded";
        return false;
    }
    if (path == nullptr || *path == '\0') {
        r.error = "no trace file name given";
        return false;
    }
    if (firstFrame > lastFrame) {
        r.error = "trace frames " + std::to_string(firstFrame) + ":" + std::to_string(lastFrame) +
                  ": the first frame comes after the last";
        return false;
    }
    if (r.frame > firstFrame) {
        r.error = "trace frame " + std::to_string(firstFrame) + " has already been drawn";
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        r.error = std::string("trace file \"") + path + "\" could not be created: " + std::strerror(errno);
        return false;
    }
    static bool atExitRegistered = false;
    if (!atExitRegistered) {
        std::atexit(FinishAtExit);
        atExitRegistered = true;
    }
    r.path = path;
    r.file = file;
    r.writer = glide_trace::Writer(file);
    r.first = firstFrame;
    r.last = lastFrame;
    r.framesRecorded = 0;
    r.recording = false;
    r.finished = false;
    r.configured = true;
    r.error.clear();
    return true;
}

bool GlideTraceFinish() { return R().Finish(); }

std::uint32_t GlideTraceFramesRecorded() { return R().framesRecorded; }

std::uint64_t GlideTraceFrameCounter() { return R().frame; }

const char* GlideTraceError() { return R().error.c_str(); }

void GlideTraceSetSwapHook(GlideTraceSwapHook hook) { R().swapHook = hook; }

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
    __real_grGlideInit();
}

FxBool __wrap_grSstQueryHardware(GrHwConfiguration* hw) {
    Call call;
    if (call.outer()) R().State(kSlotQuery, Op::kSstQueryHardware, nullptr, 0);
    return __real_grSstQueryHardware(hw);
}

void __wrap_grSstSelect(int which) {
    Call call;
    if (call.outer()) R().State(kSlotSelect, Op::kSstSelect, &which, 4);
    __real_grSstSelect(which);
}

FxBool __wrap_grSstOpen(GrScreenResolution_t res, GrScreenRefresh_t refresh, GrColorFormat_t format,
                        GrOriginLocation_t origin, GrSmoothingMode_t smoothing, int buffers) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[6] = {res, refresh, format, origin, smoothing, buffers};
        R().State(kSlotOpen, Op::kSstOpen, args, sizeof(args));
    }
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
    __real_grGlideShutdown();
}

void __wrap_grSstPassthruMode(GrPassthruMode_t mode) {
    Call call;
    if (call.outer()) R().State(kSlotPassthru, Op::kSstPassthruMode, &mode, 4);
    __real_grSstPassthruMode(mode);
}

void __wrap_grRenderBuffer(GrBuffer_t buffer) {
    Call call;
    if (call.outer()) R().State(kSlotRenderBuffer, Op::kRenderBuffer, &buffer, 4);
    __real_grRenderBuffer(buffer);
}

void __wrap_grBufferClear(GrColor_t colour, GrAlpha_t alpha, FxU16 depth) {
    Call call;
    if (call.outer()) {
        const std::uint32_t args[3] = {colour, alpha, depth};
        R().Frame(Op::kBufferClear, args, sizeof(args));
    }
    __real_grBufferClear(colour, alpha, depth);
}

void __wrap_grBufferSwap(int interval) {
    Call call;
    if (call.outer()) R().Frame(Op::kBufferSwap, &interval, 4);
    __real_grBufferSwap(interval);
    if (call.outer()) R().AfterSwap();
}

void __wrap_grDepthBufferMode(GrDepthBufferMode_t mode) {
    Call call;
    if (call.outer()) R().State(kSlotDepthMode, Op::kDepthBufferMode, &mode, 4);
    __real_grDepthBufferMode(mode);
}

void __wrap_grDepthBufferFunction(GrCmpFnc_t function) {
    Call call;
    if (call.outer()) R().State(kSlotDepthFunction, Op::kDepthBufferFunction, &function, 4);
    __real_grDepthBufferFunction(function);
}

void __wrap_grDepthMask(FxBool enable) {
    Call call;
    if (call.outer()) R().State(kSlotDepthMask, Op::kDepthMask, &enable, 4);
    __real_grDepthMask(enable);
}

void __wrap_grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                           GrCombineOther_t other, FxBool invert) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[5] = {function, factor, local, other, invert};
        R().State(kSlotAlphaCombine, Op::kAlphaCombine, args, sizeof(args));
    }
    __real_grAlphaCombine(function, factor, local, other, invert);
}

void __wrap_grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                                 GrAlphaBlendFnc_t alphaDst) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[4] = {rgbSrc, rgbDst, alphaSrc, alphaDst};
        R().State(kSlotAlphaBlend, Op::kAlphaBlendFunction, args, sizeof(args));
    }
    __real_grAlphaBlendFunction(rgbSrc, rgbDst, alphaSrc, alphaDst);
}

void __wrap_grFogMode(GrFogMode_t mode) {
    Call call;
    if (call.outer()) R().State(kSlotFogMode, Op::kFogMode, &mode, 4);
    __real_grFogMode(mode);
}

void __wrap_grFogTable(const GrFog_t* table) {
    Call call;
    if (call.outer() && table != nullptr) R().State(kSlotFogTable, Op::kFogTable, table, GR_FOG_TABLE_SIZE);
    __real_grFogTable(table);
}

void __wrap_grFogColorValue(GrColor_t colour) {
    Call call;
    if (call.outer()) R().State(kSlotFogColor, Op::kFogColorValue, &colour, 4);
    __real_grFogColorValue(colour);
}

void __wrap_grHints(GrHint_t type, FxU32 value) {
    Call call;
    if (call.outer()) {
        const std::uint32_t args[2] = {type, value};
        R().State(Indexed(kSlotHints, type, 16), Op::kHints, args, sizeof(args));
    }
    __real_grHints(type, value);
}

void __wrap_grConstantColorValue(GrColor_t colour) {
    Call call;
    if (call.outer()) R().State(kSlotConstantColor, Op::kConstantColorValue, &colour, 4);
    __real_grConstantColorValue(colour);
}

void __wrap_grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[3] = {tmu, minFilter, magFilter};
        R().State(Indexed(kSlotTexFilter, tmu, 3), Op::kTexFilterMode, args, sizeof(args));
    }
    __real_grTexFilterMode(tmu, minFilter, magFilter);
}

void __wrap_grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[3] = {tmu, mode, lodBlend};
        R().State(Indexed(kSlotTexMipMap, tmu, 3), Op::kTexMipMapMode, args, sizeof(args));
    }
    __real_grTexMipMapMode(tmu, mode, lodBlend);
}

void __wrap_guColorCombineFunction(GrColorCombineFnc_t function) {
    Call call;
    if (call.outer()) R().State(kSlotColorCombine, Op::kColorCombineFunction, &function, 4);
    __real_guColorCombineFunction(function);
}

void __wrap_guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function) {
    Call call;
    if (call.outer()) {
        const std::int32_t args[2] = {tmu, function};
        R().State(Indexed(kSlotTexCombine, tmu, 3), Op::kTexCombineFunction, args, sizeof(args));
    }
    __real_guTexCombineFunction(tmu, function);
}

void __wrap_guMPInit(void) {
    Call call;
    if (call.outer()) R().State(kSlotMPInit, Op::kMPInit, nullptr, 0);
    __real_guMPInit();
}

void __wrap_guMPTexCombineFunction(GrMPTextureCombineFnc_t function) {
    Call call;
    if (call.outer()) R().State(kSlotMPTexCombine, Op::kMPTexCombineFunction, &function, 4);
    __real_guMPTexCombineFunction(function);
}

void __wrap_guMPTexSource(GrChipID_t virtualTmu, GrMipMapId_t mipmap) {
    Call call;
    if (call.outer()) {
        const std::uint32_t args[2] = {static_cast<std::uint32_t>(virtualTmu), mipmap};
        R().State(Indexed(kSlotMPTexSource, virtualTmu, 3), Op::kMPTexSource, args, sizeof(args));
    }
    __real_guMPTexSource(virtualTmu, mipmap);
}

GrMipMapId_t __wrap_guTexAllocateMemory(GrChipID_t tmu, FxU8 oddEvenMask, int width, int height,
                                        GrTextureFormat_t format, GrMipMapMode_t mipmapMode, GrLOD_t smallLod,
                                        GrLOD_t largeLod, GrAspectRatio_t aspect, GrTextureClampMode_t sClamp,
                                        GrTextureClampMode_t tClamp, GrTextureFilterMode_t minFilter,
                                        GrTextureFilterMode_t magFilter, float lodBias, FxBool trilinear) {
    Call call;
    const GrMipMapId_t handle =
        __real_guTexAllocateMemory(tmu, oddEvenMask, width, height, format, mipmapMode, smallLod, largeLod, aspect,
                                   sClamp, tClamp, minFilter, magFilter, lodBias, trilinear);
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
    __real_guTexDownloadMipMap(mipmap, data, ncc);
}

void __wrap_guTexSource(GrMipMapId_t mipmap) {
    Call call;
    if (call.outer()) R().State(kSlotTexSource, Op::kTexSource, &mipmap, 4);
    __real_guTexSource(mipmap);
}

void __wrap_grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[3] = {*a, *b, *c};
        R().Frame(Op::kDrawTriangle, v, sizeof(v));
    }
    __real_grDrawTriangle(a, b, c);
}

void __wrap_grAADrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c, FxBool ab, FxBool bc,
                             FxBool ca) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[3] = {*a, *b, *c};
        const std::int32_t edges[3] = {ab, bc, ca};
        R().Frame(Op::kAADrawTriangle, v, sizeof(v), edges, sizeof(edges));
    }
    __real_grAADrawTriangle(a, b, c, ab, bc, ca);
}

void __wrap_guMPDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[3] = {*a, *b, *c};
        R().Frame(Op::kMPDrawTriangle, v, sizeof(v));
    }
    __real_guMPDrawTriangle(a, b, c);
}

void __wrap_grDrawLine(const GrVertex* a, const GrVertex* b) {
    Call call;
    if (call.outer() && R().Recording()) {
        const GrVertex v[2] = {*a, *b};
        R().Frame(Op::kDrawLine, v, sizeof(v));
    }
    __real_grDrawLine(a, b);
}

}  // extern "C"
