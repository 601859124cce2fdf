#include "app/frame_stats.h"

#include <cstdio>
#include <ctime>

#include "app/winmain.h"
#include "glide.h"
#include "platform/cycle_counter.h"
#include "platform/win32_api.h"

// Overridden (strong definition) by executables that calibrate during static
// initialisation.
__attribute__((weak)) bool CalibrateClockAtStartup = false;

float FrameStats::ClockRate = 0.0f;
std::int32_t FrameStats::calibrated = 0;

FrameStats PerfStats;

namespace {

// Reading the counter twice back to back costs about this many cycles; it is
// taken off every measured interval.
constexpr std::uint64_t kCounterOverhead = 16;

// The shortest frame that may become the minimum.
constexpr double kMinimumFrameFloor = 0.00001;

std::uint64_t IntervalCycles(std::uint64_t first, std::uint64_t second) {
    const std::uint64_t elapsed = second - first;
    return elapsed > kCounterOverhead ? elapsed - kCounterOverhead : 0;
}

}  // namespace

FrameStats::FrameStats() {
    if (calibrated) return;
    if (CalibrateClockAtStartup)
        CalibrateClock();
    else
        UseNanosecondClock();
}

void FrameStats::CalibrateClock() {
    SetCycleSource(CycleSource::TimeStampCounter);
    // Start on a whole-second edge so the interval is exactly five seconds.
    const std::time_t t0 = std::time(nullptr);
    while (std::time(nullptr) == t0) {
    }
    const std::time_t t1 = std::time(nullptr);
    const std::uint64_t first = ReadCycleCounter();
    while (std::time(nullptr) < t1 + 5) {
    }
    const std::uint64_t second = ReadCycleCounter();
    calibrated = 1;
    ClockRate = static_cast<float>(static_cast<long double>(IntervalCycles(first, second)) * 0.2f);
}

void FrameStats::UseNanosecondClock() {
    SetCycleSource(CycleSource::MonotonicNanoseconds);
    calibrated = 1;
    ClockRate = 1e9f;
}

double FrameStats::CyclesToSeconds(std::uint64_t startStamp, std::uint64_t endStamp) {
    return static_cast<double>(IntervalCycles(startStamp, endStamp)) / static_cast<double>(ClockRate);
}

void FrameStats::FrameStart() { startStamp = ReadCycleCounter(); }

void FrameStats::FrameEnd() {
    endStamp = ReadCycleCounter();
    current = static_cast<float>(current + CyclesToSeconds(startStamp, endStamp));
    Update();
}

void FrameStats::Update() {
    ++count;
    if (maximum < current) maximum = current;
    if (minimum > current && static_cast<double>(current) > kMinimumFrameFloor) minimum = current;
    last = current;
    average = static_cast<float>(
        ((static_cast<long double>(count) - 1.0L) * average + static_cast<long double>(current)) /
        static_cast<long double>(count));
    current = 0.0f;
}

void FrameStats::FormatReport(char* text, std::size_t size) const {
    char line1[256];
    char line2[256];
    char line3[256];
    std::snprintf(line1, sizeof line1, "Max frame time: %.6fs, Avg. frame time: %.6fs, Min frame time: %.6fs\n",
                  static_cast<double>(maximum), static_cast<double>(average), static_cast<double>(minimum));
    // The average rate is the reciprocal of the average time, not a mean of
    // rates; a zero time prints as an infinite rate.
    std::snprintf(line2, sizeof line2, "Min fps: %.6f, Avg. fps: %.6f, Max fps: %.6f\n",
                  1.0 / static_cast<double>(maximum), 1.0 / static_cast<double>(average),
                  1.0 / static_cast<double>(minimum));
    std::snprintf(line3, sizeof line3, "Counted: %d frames. Clockrate: %.2f MHz\n", static_cast<int>(count),
                  static_cast<double>(static_cast<long double>(ClockRate) * 1e-6f));
    std::snprintf(text, size, "%s%s%s", line1, line2, line3);
}

void FrameStats::Report() const {
    grGlideShutdown();
    char text[1024];
    FormatReport(text, sizeof text);
    MessageBoxA(nullptr, text, "Performance Results", MB_OK);
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
}
