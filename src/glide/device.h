// The one software board: its frame buffers, render state, output and
// counters. Only the files of this folder see it; programs use glide.h and
// glide_device.h.
#pragma once

#include <cstdint>

#include "glide.h"
#include "glide_device.h"
#include "render_state.h"
#include "setup/triangle_setup.h"

namespace glide {

constexpr int kScreenPixels = kScreenWidth * kScreenHeight;

// Two RGB565 colour buffers and one 16-bit depth buffer, each laid out
// linearly, row 0 = the bottom row of the screen.
struct FrameBuffers {
    alignas(64) std::uint16_t colour[2][kScreenPixels];
    alignas(64) std::uint16_t depth[kScreenPixels];
};

struct Device {
    bool initialised = false;
    bool open = false;        // grSstOpen succeeded
    bool outputOpen = false;  // the output's Open() succeeded
    bool originUpperLeft = false;
    GrColorFormat_t colourFormat = GR_COLORFORMAT_ARGB;
    RenderState state;
    // Set by a state call that changed a value (ChangeState): the state may
    // differ from generationState, or have come back to it (a texture
    // source call whose filter the next call sets again).
    bool stateTouched = false;
    // Read through StateGeneration(). Changes whenever the state, its
    // constant colour aside, comes to differ from generationState, or the
    // texels a texture source reads may have been replaced; never repeats
    // while the program runs. Set-up compares it instead of the state's
    // bytes to know the state is the one it last saw, and compares the
    // constant colour itself (a flat colour per face changes nothing else).
    // 0: unknown.
    std::uint64_t stateGeneration = 0;
    RenderState generationState;  // the state when stateGeneration was given
    int front = 0;         // index of the front colour buffer
    int renderTarget = 1;  // GR_BUFFER_FRONTBUFFER (0) or GR_BUFFER_BACKBUFFER (1)
    bool rasterize = true;
    int threads = 0;  // resolved at grSstOpen; 0 while not open
    // What every draw call hands to set-up but the generation and the
    // texture use: kept by UpdateDrawTarget whenever the buffers or the
    // origin change.
    DrawContext drawContext;
    DeviceCounters counters;
    DisplayOutput* output = nullptr;  // nullptr: headless
};

// The one board. Both are trivially destructible, so they outlive every
// other static object (the tile queue's workers draw into them until the
// queue stops at exit).
extern constinit Device gDevice;
extern constinit FrameBuffers gBuffers;
inline Device& TheDevice() { return gDevice; }
inline FrameBuffers& Buffers() { return gBuffers; }

// The render state, for reading; calls change it through ChangeState.
inline const RenderState& CurrentState() { return gDevice.state; }

// Gives a field of the render state its new value; nothing (not even a new
// state generation) when the value is already in effect, byte for byte.
template <class T>
void ChangeState(T& field, const T& value) {
    if (SameBytes(field, value)) return;
    field = value;
    gDevice.stateTouched = true;
}

// After the texels a texture source may read were replaced (a download,
// texture memory reset): set-up caches keyed by the state generation start
// again. SyncTileQueue calls it for Access::kReplaceTexels.
void TexelsReplaced();
// Changes at every TexelsReplaced; never repeats while the program runs.
std::uint64_t TexelGeneration();

// The state generation of the state as it stands (see Device).
void SettleStateGeneration();
inline std::uint64_t StateGeneration() {
    if (gDevice.stateTouched) SettleStateGeneration();
    return gDevice.stateGeneration;
}

// The colour buffer that draws go to.
std::uint16_t* RenderTargetBuffer();
// Front (GR_BUFFER_FRONTBUFFER) or back colour buffer.
std::uint16_t* ColourBuffer(GrBuffer_t buffer);
// After the render target, the front buffer or the origin changed.
void UpdateDrawTarget();

// The output in use: the chosen one, or the headless output.
DisplayOutput& CurrentOutput();
DisplayOutput& HeadlessOutput();

// A packed colour of the format chosen at grSstOpen, split into bytes.
Rgba8 UnpackColour(GrColor_t colour, GrColorFormat_t format);

// Everything a draw call gives setup besides the vertices.
inline DrawContext MakeDrawContext(TextureUse use) {
    DrawContext ctx = gDevice.drawContext;
    ctx.state = &gDevice.state;
    ctx.stateGeneration = StateGeneration();
    ctx.textureUse = use;
    return ctx;
}

// Setup, coverage and counting of one triangle, drawn at once or queued
// (with worker threads). countDrawn: it counts in trianglesDrawn when it
// covers a pixel centre.
void DrawSetupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, const DrawContext& ctx,
                       bool countDrawn = false);

// The thread count SetThreadCount asks for, 0 resolved to the hardware's.
int ResolveThreadCount();
// Whether the program left the thread count to the device (0).
bool ThreadCountIsDefault();

// The render state every grGlideInit starts from.
RenderState DefaultRenderState();

}  // namespace glide
