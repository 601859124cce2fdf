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
    // Changes whenever the state may have changed (MutableState, the
    // state's reset), and never repeats while the program runs: set-up
    // compares it instead of the state's bytes to know the state is the one
    // it last saw. 0: unknown.
    std::uint64_t stateGeneration = 0;
    int front = 0;         // index of the front colour buffer
    int renderTarget = 1;  // GR_BUFFER_FRONTBUFFER (0) or GR_BUFFER_BACKBUFFER (1)
    bool rasterize = true;
    int threads = 0;  // resolved at grSstOpen; 0 while not open
    DeviceCounters counters;
    DisplayOutput* output = nullptr;  // nullptr: headless
};

Device& TheDevice();
FrameBuffers& Buffers();

// The render state, for a call that changes it.
RenderState& MutableState();

// The colour buffer that draws go to.
std::uint16_t* RenderTargetBuffer();
// Front (GR_BUFFER_FRONTBUFFER) or back colour buffer.
std::uint16_t* ColourBuffer(GrBuffer_t buffer);

// The output in use: the chosen one, or the headless output.
DisplayOutput& CurrentOutput();
DisplayOutput& HeadlessOutput();

// A packed colour of the format chosen at grSstOpen, split into bytes.
Rgba8 UnpackColour(GrColor_t colour, GrColorFormat_t format);

// Everything a draw call gives setup besides the vertices.
DrawContext MakeDrawContext(TextureUse use);

// Setup, coverage and counting of one triangle, drawn at once or queued
// (with worker threads). countDrawn: it counts in trianglesDrawn when it
// covers a pixel centre.
void DrawSetupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, const DrawContext& ctx,
                       bool countDrawn = false);

// The thread count SetThreadCount asks for, 0 resolved to the hardware's.
int ResolveThreadCount();

// The render state every grGlideInit starts from.
RenderState DefaultRenderState();

}  // namespace glide
