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
//
// A frame of a big scene makes more than a million calls, so the clock must
// be cheap: on x86 the processor's time-stamp counter (constant rate on the
// processors this runs on; Linux reports "constant_tsc"), converted to
// nanoseconds by a rate measured against the monotonic clock when timing is
// switched on; elsewhere the monotonic clock itself.
#pragma once

#include <chrono>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace glide_trace::timing {

inline std::uint64_t Ticks() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
#endif
}

struct Totals {
    std::uint64_t ticks = 0;  // inside timed calls, since timing began
    std::uint64_t calls = 0;  // timed calls
};

extern bool enabled;
extern Totals totals;

// Times one outermost call from construction to destruction.
class DeviceCallTimer {
public:
    explicit DeviceCallTimer(bool outer) : on_(outer && enabled) {
        if (on_) start_ = Ticks();
    }
    ~DeviceCallTimer() {
        if (!on_) return;
        totals.ticks += Ticks() - start_;
        ++totals.calls;
    }
    DeviceCallTimer(const DeviceCallTimer&) = delete;
    DeviceCallTimer& operator=(const DeviceCallTimer&) = delete;

private:
    bool on_;
    std::uint64_t start_ = 0;
};

}  // namespace glide_trace::timing
