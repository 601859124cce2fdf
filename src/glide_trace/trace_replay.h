// Replaying a device trace through whatever device the program is linked
// with (the software device): the preamble once, then the recorded frames
// as many times as asked, each frame timed on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trace_format.h"

namespace glide_trace {

struct ReplayOptions {
    int repeat = 1;          // passes over the recorded frames
    bool rasterize = true;   // false: the device takes the calls but draws nothing
    // Swaps are replayed with interval 0 (no retrace wait) unless this is
    // set: the replay times the device's work, not the display.
    bool keepSwapInterval = false;
};

struct ReplayResult {
    std::uint32_t framesPerPass = 0;
    std::vector<double> frameSeconds;  // every replayed frame, pass by pass
    double preambleSeconds = 0.0;      // device open and texture downloads
    std::uint64_t trianglesPerPass = 0;
};

// Replays `trace`. The device is left open with the last frame swapped to
// the front buffer, so the caller can read it back; the caller shuts it
// down. Passes after the first skip the device open and the texture
// uploads (the device still holds them). Returns false with a message when
// a record carries arguments the device must not be given (a texture unit
// outside the board, a handle beyond any allocation).
bool ReplayTrace(const TraceFile& trace, const ReplayOptions& options, ReplayResult* result, std::string* error);

// Median, minimum and maximum of a list of times (0 for an empty list).
struct TimeSummary {
    double min = 0.0, median = 0.0, max = 0.0, mean = 0.0;
};
TimeSummary Summarize(std::vector<double> seconds);

}  // namespace glide_trace
