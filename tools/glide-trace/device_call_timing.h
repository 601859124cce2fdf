// Time spent inside the device's calls, measured by the recorder's
// wrappers around each outermost call (the calls listed in CMakeLists.txt:
// device open, state, texture downloads, clears, triangles, lines, swaps).
// A benchmark switches it on to split each frame, in the same run, into
// the device's share and the program's own work between the calls.
//
// The device may rasterize on worker threads behind its API: then the time
// seen here is what the calling thread spent in the calls, which includes
// binning the triangles and any wait for the workers (at a buffer swap,
// mostly), not the workers' own drawing.
#pragma once

#include <chrono>
#include <cstdint>

namespace glide_trace::timing {

struct Totals {
    std::uint64_t nanoseconds = 0;  // inside timed calls, since timing began
    std::uint64_t calls = 0;        // timed calls
};

extern bool enabled;
extern Totals totals;

// Times one outermost call from construction to destruction.
class DeviceCallTimer {
public:
    explicit DeviceCallTimer(bool outer) : on_(outer && enabled) {
        if (on_) start_ = std::chrono::steady_clock::now();
    }
    ~DeviceCallTimer() {
        if (!on_) return;
        const auto spent = std::chrono::steady_clock::now() - start_;
        totals.nanoseconds += static_cast<std::uint64_t>(std::chrono::nanoseconds(spent).count());
        ++totals.calls;
    }
    DeviceCallTimer(const DeviceCallTimer&) = delete;
    DeviceCallTimer& operator=(const DeviceCallTimer&) = delete;

private:
    bool on_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace glide_trace::timing
