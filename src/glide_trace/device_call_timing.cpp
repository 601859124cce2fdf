// The public side of the device-call timing (glide_trace.h); the wrappers
// do the timing itself through device_call_timing.h.
#include "device_call_timing.h"

#include <algorithm>

#include "glide_trace.h"
#include "trace_recorder.h"

namespace glide_trace::timing {

bool enabled = false;
Totals totals;

namespace {

double nanosecondsPerTick = 0.0;  // 0 until measured
double readingNanoseconds = 0.0;

using Clock = std::chrono::steady_clock;

// The counter's rate against the monotonic clock over a few milliseconds
// (both count wall time, so a pause in between changes neither ratio), and
// the cost of one reading, the least of a few rounds.
void Calibrate() {
    const Clock::time_point start = Clock::now();
    const std::uint64_t first = Ticks();
    Clock::time_point now = start;
    while (now - start < std::chrono::milliseconds(5)) now = Clock::now();
    const std::uint64_t last = Ticks();
    const double elapsed = std::chrono::duration<double, std::nano>(now - start).count();
    nanosecondsPerTick = last > first ? elapsed / static_cast<double>(last - first) : 1.0;

    constexpr int kReadings = 2000;
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const std::uint64_t a = Ticks();
        std::uint64_t b = a;
        for (int i = 0; i < kReadings; ++i) b = Ticks();
        best = std::min(best, static_cast<double>(b - a) * nanosecondsPerTick / kReadings);
    }
    readingNanoseconds = best;
}

}  // namespace

}  // namespace glide_trace::timing

void GlideTraceTimeDeviceCalls(bool on) {
    using namespace glide_trace::timing;
    if (on && nanosecondsPerTick == 0.0) Calibrate();
    enabled = on;
    glide_trace::recording::R().Watch();
}

GlideTraceDeviceTime GlideTraceDeviceTimeSoFar() {
    using namespace glide_trace::timing;
    return GlideTraceDeviceTime{
        static_cast<std::uint64_t>(static_cast<double>(totals.ticks) * nanosecondsPerTick), totals.calls};
}

double GlideTraceDeviceClockNanoseconds() { return glide_trace::timing::readingNanoseconds; }
