// Extensions of the software accelerator that the board's library did not
// have: choosing where the picture goes, reading the device's counters and
// writing screenshots. Only the platform layer, tools, benchmarks and tests
// use this header; the system's render path sees glide.h alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "glide.h"

namespace glide {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Where the device shows its front buffer. The headless output (the default
// when a program chooses nothing) has no display at all; the window output
// lives with the platform layer's window and is chosen by the windowed
// executable before grGlideInit.
class DisplayOutput {
public:
    virtual ~DisplayOutput() = default;
    // Called by grSstQueryHardware / grSstOpen: false when this output cannot
    // start (for a window: no display), which makes the query report no board.
    virtual bool Open() = 0;
    // Called by grBufferSwap with the new front buffer: kScreenWidth x
    // kScreenHeight RGB565 pixels, row 0 = bottom row of the screen.
    // waitRetrace is true for a swap interval above 0.
    virtual void Present(const std::uint16_t* frontBuffer, bool waitRetrace) = 0;
    // grSstPassthruMode: true shows the device's picture, false hides it.
    virtual void SetPassthrough(bool showDevice) = 0;
    // grGlideShutdown.
    virtual void Close() = 0;
};

// Chooses the output for the next grGlideInit. nullptr selects the headless
// output. The object must outlive the device's use of it.
void SetDisplayOutput(DisplayOutput* output);

// Which of the device's paths drew what (src/glide/README.md describes the
// paths): the triangles each drew (with tile threads, a triangle counts once
// for every tile it covers pixels in), the pixel centres each shaded (lines'
// included), and how often a faster path gave a triangle or a span back.
// A state that falls to the generic path shows here, not only in the time.
struct PathCounters {
    std::uint64_t batchTriangles = 0, batchPixels = 0;            // pixel batches of tiny triangles
    std::uint64_t blockTriangles = 0, blockPixels = 0;            // block shaders of small triangles
    std::uint64_t vectorSpanTriangles = 0, vectorSpanPixels = 0;  // vector span shaders
    std::uint64_t scalarSpanTriangles = 0, scalarSpanPixels = 0;  // specialised per-pixel span shaders
    std::uint64_t genericTriangles = 0, genericPixels = 0;        // the generic reference shader
    std::uint64_t batchDeclined = 0;  // tiny triangles whose colour values leave the batch's 32 bits
    std::uint64_t blockDeclined = 0;  // small triangles whose edges or colours leave the blocks' 32 bits
    std::uint64_t spanOverflows = 0;  // vector spans drawn generically: colour values beyond 32 bits
};

// Counters a benchmark can read; always on and cheap.
struct DeviceCounters {
    std::uint64_t trianglesSubmitted = 0;  // every draw call's triangles, lines excluded
    std::uint64_t trianglesDrawn = 0;      // triangles that covered at least one pixel centre
    std::uint64_t pixelsWritten = 0;       // pixels that reached the colour buffer
    std::uint64_t pixelsDepthFailed = 0;   // pixels rejected by the depth test
    // Frames the calling thread drew alone while tile threads were there:
    // with the default thread count the device draws a frame inline when
    // that has lately been faster than handing it to the threads.
    std::uint64_t framesInline = 0;
    PathCounters paths;
};
DeviceCounters GetCounters();
void ResetCounters();

// When false, draw calls are accepted and counted as submitted but nothing is
// rasterized: lets a benchmark time the system's front end alone.
void SetRasterizationEnabled(bool enabled);

// Writes the front buffer as a PNG (top row of the image = top row of the
// screen). Returns false when the file cannot be written, with
// "FILE: cannot write (reason)" in *error when given; a failed write leaves
// no partial file under the name.
bool WriteScreenshotPng(const char* path, std::string* error = nullptr);

// Writes width x height RGB565 pixels (row 0 = bottom row when bottomUp) as
// a PNG with the top row first. Used by screenshots and tools.
bool WriteRgb565Png(const char* path, const std::uint16_t* pixels, int width, int height, bool bottomUp,
                    std::string* error = nullptr);

// ---- parallel rasterization ------------------------------------------------
// The most threads the device rasterizes with, and so the largest thread
// count every program accepts.
constexpr int kMaxThreads = 256;
// Threads that rasterize behind the API. 1 draws inline on the calling
// thread (no worker at all); N > 1 bins set-up triangles into screen tiles
// that N workers rasterize, each tile's commands in submission order, so the
// pixels are exactly those of the inline path. 0 chooses all hardware
// threads (at most kMaxThreads) and lets the device draw a frame inline
// on the calling thread while that is faster (a busy machine, or work the
// threads cannot share well); it measures both ways as it goes. Takes
// effect at the next grSstOpen; the default is 0. A count above
// kMaxThreads is taken as kMaxThreads.
void SetThreadCount(int count);
// The thread count in effect (after grSstOpen) or chosen (before it),
// with 0 resolved to the hardware's thread count.
int ThreadCount();
// The value of TARNVIEW_THREADS: 0 when unset; -1 when set but not a whole
// number from 1 to kMaxThreads.
int ThreadCountFromEnvironment();
// Waits until every queued command has reached the buffers.
void Finish();

// ---- instruction sets of the pixel stages ------------------------------------
// The vectorised span shaders are compiled for several instruction sets and
// one is chosen at run time: the best the processor has, unless restricted.
// The names: "scalar" (the reference per-pixel path), "sse4", "avx2",
// "avx512". Tests and benchmarks restrict the choice to compare them.
std::vector<std::string> AvailablePixelIsas();  // "scalar" first, then the vector sets this processor runs
bool SetPixelIsa(const std::string& name);      // false for a name not available; "" restores the best
std::string PixelIsa();                         // the one in use

}  // namespace glide
