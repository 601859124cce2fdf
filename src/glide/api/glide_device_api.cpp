// Device calls: init, hardware query, open, passthrough, shutdown; the
// output choice, the counters and the colour formats.
#include <bit>
#include <cstring>

#include "device.h"
#include "queue/tile_queue.h"
#include "texture/texture_memory.h"

namespace glide {

namespace {
DisplayOutput* gChosenOutput = nullptr;
}

constinit Device gDevice;
constinit FrameBuffers gBuffers{};

DisplayOutput& CurrentOutput() {
    Device& d = TheDevice();
    return d.output != nullptr ? *d.output : HeadlessOutput();
}

void SetDisplayOutput(DisplayOutput* output) { gChosenOutput = output; }

void SpanCounters::MoveTo(DeviceCounters* device) {
    device->pixelsWritten += written;
    device->pixelsDepthFailed += depthFailed;
    PathCounters& to = device->paths;
    to.batchTriangles += paths.batchTriangles, to.batchPixels += paths.batchPixels;
    to.blockTriangles += paths.blockTriangles, to.blockPixels += paths.blockPixels;
    to.vectorSpanTriangles += paths.vectorSpanTriangles, to.vectorSpanPixels += paths.vectorSpanPixels;
    to.scalarSpanTriangles += paths.scalarSpanTriangles, to.scalarSpanPixels += paths.scalarSpanPixels;
    to.genericTriangles += paths.genericTriangles, to.genericPixels += paths.genericPixels;
    to.batchDeclined += paths.batchDeclined, to.blockDeclined += paths.blockDeclined;
    to.spanOverflows += paths.spanOverflows;
    written = depthFailed = 0;
    paths = PathCounters{};
}

// Pixel counts of queued commands reach the device counters when the
// queue has drawn them.
DeviceCounters GetCounters() {
    SyncTileQueue(Access::kReadCounters);
    return TheDevice().counters;
}
void ResetCounters() {
    SyncTileQueue(Access::kReadCounters);
    TheDevice().counters = DeviceCounters{};
}
void SetRasterizationEnabled(bool enabled) { TheDevice().rasterize = enabled; }

Rgba8 UnpackColour(GrColor_t colour, GrColorFormat_t format) {
    // The colour turned so that its red byte is the lowest, then green,
    // blue and alpha: an Rgba8's bytes in order.
    std::uint32_t rgba;
    switch (format) {
        case GR_COLORFORMAT_ABGR: rgba = colour; break;
        case GR_COLORFORMAT_RGBA: rgba = __builtin_bswap32(colour); break;
        case GR_COLORFORMAT_BGRA: rgba = std::rotr(colour, 8); break;
        default: rgba = std::rotr(__builtin_bswap32(colour), 8); break;  // ARGB
    }
    const auto byte = [rgba](int shift) { return static_cast<std::uint8_t>(rgba >> shift); };
    return {byte(0), byte(8), byte(16), byte(24)};
}

RenderState DefaultRenderState() {
    RenderState s;
    s.colour = ColourSource::kIterated;
    s.alpha = AlphaCombine{};
    s.blend = BlendFunction{};
    s.depthMode = DepthMode::kDisabled;
    s.depthFunction = GR_CMP_LESS;
    s.depthMask = false;
    s.fogMode = FogMode::kDisabled;
    return s;
}

namespace {

// Generations for the device's render state: every state the program's
// device ever has gets a new one, across grGlideInit and grGlideShutdown.
std::uint64_t NextStateGeneration() {
    static std::uint64_t last = 0;
    return ++last;
}

// A state the program has not set yet: its own generation.
void StartState(Device& d, const RenderState& state) {
    d.state = state;
    d.generationState = state;
    d.stateTouched = false;
    d.stateGeneration = NextStateGeneration();
}

}  // namespace

void SettleStateGeneration() {
    Device& d = gDevice;
    d.stateTouched = false;
    if (SameButConstant(d.state, d.generationState)) return;
    std::memcpy(static_cast<void*>(&d.generationState), &d.state, sizeof(RenderState));
    d.stateGeneration = NextStateGeneration();
}

namespace {
std::uint64_t gTexelGeneration = 0;
}

void TexelsReplaced() {
    ++gTexelGeneration;
    gDevice.stateGeneration = NextStateGeneration();
}

std::uint64_t TexelGeneration() { return gTexelGeneration; }

void UpdateDrawTarget() {
    Device& d = gDevice;
    d.drawContext = DrawContext{};
    d.drawContext.originUpperLeft = d.originUpperLeft;
    d.drawContext.colourBuffer = RenderTargetBuffer();
    d.drawContext.depthBuffer = Buffers().depth;
}

}  // namespace glide

void grGlideInit(void) {
    using namespace glide;
    StopTileQueue();
    Device& d = TheDevice();
    if (d.outputOpen) CurrentOutput().Close();
    const bool rasterize = d.rasterize;
    d = Device{};
    d.rasterize = rasterize;
    StartState(d, DefaultRenderState());
    d.initialised = true;
    d.output = gChosenOutput;
    UpdateDrawTarget();
    ResetTextureMemory();
}

// A board is present when the chosen output can start.
FxBool grSstQueryHardware(GrHwConfiguration* hw) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.initialised) return FXFALSE;
    if (!d.outputOpen) d.outputOpen = CurrentOutput().Open();
    if (!d.outputOpen) return FXFALSE;
    if (hw != nullptr) {
        hw->num_sst = 1;
        hw->fbRam = 2;
        hw->tmuRam = static_cast<int>(kTextureMemoryBytes / (1024u * 1024u));
        hw->num_tmu = 1;
    }
    return FXTRUE;
}

void grSstSelect(int which) { (void)which; }

FxBool grSstOpen(GrScreenResolution_t res, GrScreenRefresh_t refresh, GrColorFormat_t fmt,
                 GrOriginLocation_t origin, GrSmoothingMode_t smoothing, int numBuffers) {
    using namespace glide;
    (void)refresh;
    (void)smoothing;
    Device& d = TheDevice();
    if (!d.initialised || res != GR_RESOLUTION_640x480) return FXFALSE;
    if (fmt < GR_COLORFORMAT_ARGB || fmt > GR_COLORFORMAT_BGRA) return FXFALSE;
    if (origin != GR_ORIGIN_UPPER_LEFT && origin != GR_ORIGIN_LOWER_LEFT) return FXFALSE;
    if (numBuffers < 1 || numBuffers > 2) return FXFALSE;
    if (!d.outputOpen) d.outputOpen = CurrentOutput().Open();
    if (!d.outputOpen) return FXFALSE;
    // Reopening draws whatever the last opening queued before the buffers
    // are cleared.
    SyncTileQueue(Access::kWriteBuffers);
    d.threads = ResolveThreadCount();
    StartTileQueue(d.threads, ThreadCountIsDefault());
    d.colourFormat = fmt;
    d.originUpperLeft = origin == GR_ORIGIN_UPPER_LEFT;
    d.front = 0;
    d.renderTarget = GR_BUFFER_BACKBUFFER;
    UpdateDrawTarget();
    FrameBuffers& b = Buffers();
    for (auto& buffer : b.colour) {
        for (std::uint16_t& p : buffer) p = 0;
    }
    for (std::uint16_t& z : b.depth) z = 0;
    d.open = true;
    return FXTRUE;
}

void grSstPassthruMode(GrPassthruMode_t mode) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.outputOpen) return;
    CurrentOutput().SetPassthrough(mode == GR_PASSTHRU_SHOW_SST1);
}

// Safe before grGlideInit and more than once.
void grGlideShutdown(void) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.initialised) return;
    StopTileQueue();  // draws what is queued; its counts reach the counters
    if (d.outputOpen) CurrentOutput().Close();
    const DeviceCounters counters = d.counters;
    const bool rasterize = d.rasterize;
    d = Device{};
    d.counters = counters;  // a benchmark may read them after shutdown
    d.rasterize = rasterize;
    UpdateDrawTarget();
    ResetTextureMemory();
}
