// Recording of accelerator calls into a device trace file.
//
// A program linked with the glide_trace library (src/glide_trace/
// CMakeLists.txt, which brings its --wrap options along) has every glide.h
// call that changes the device routed through the recorder by the linker,
// without any change to the caller or the device. Until GlideTraceConfigure is called the recorder
// only remembers the device open, the texture downloads (with a copy of
// their texels) and the latest render state, so that a trace that starts
// later can set the device up exactly as the program had it.
//
// Frames are counted by grBufferSwap: frame 0 is everything before the
// first swap, frame n everything after the n-th swap up to and including
// the next one.
#pragma once

#include <cstdint>

// Records frames first..last (inclusive) into `path`. The file is created at
// once; recording starts with the first call of frame `first` and the file
// is completed after the swap that ends frame `last`, at grGlideShutdown, or
// at process exit, whichever comes first. Returns false (and keeps nothing)
// when the program was linked without the recorder's --wrap options, when
// the file cannot be created, when first > last, when frame `first` has
// already passed, or while another trace is being recorded; the reason is in
// GlideTraceError(). After a trace is complete another may be configured.
bool GlideTraceConfigure(const char* path, std::uint32_t firstFrame, std::uint32_t lastFrame);

// Completes and closes the trace now (idempotent). Returns false when the
// file could not be written completely; GlideTraceError() says why.
bool GlideTraceFinish();

// Number of frames written so far.
std::uint32_t GlideTraceFramesRecorded();

// Swaps seen since the program started (the frame counter used above).
std::uint64_t GlideTraceFrameCounter();

// Called after every grBufferSwap of the program (traced or not) with the
// number of swaps so far; nullptr removes it. Lets a benchmark time each
// frame from swap to swap without touching the program. The hook must not
// allocate or call Glide.
using GlideTraceSwapHook = void (*)(std::uint64_t swaps);
void GlideTraceSetSwapHook(GlideTraceSwapHook hook);

// The last failure's message, "" when none.
const char* GlideTraceError();

// Times every outermost recorded call (see device_call_timing.h) while on;
// off by default. Only the calls' own time is counted, not the recorder's.
void GlideTraceTimeDeviceCalls(bool on);

// Time spent inside the timed calls and their number, since the program
// started; a benchmark takes the difference between two frames' readings.
struct GlideTraceDeviceTime {
    std::uint64_t nanoseconds;
    std::uint64_t calls;
};
GlideTraceDeviceTime GlideTraceDeviceTimeSoFar();

// What one reading of the timing's clock costs, in nanoseconds (measured
// when timing is first switched on; 0 before): each timed call pays two.
double GlideTraceDeviceClockNanoseconds();
