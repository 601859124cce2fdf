// Frame timing: the processor clock measured once, every frame timed in
// cycles, and the running minimum, average and maximum frame times that the
// performance report shows.
#pragma once

#include <cstddef>
#include <cstdint>

class FrameStats {
public:
    // The minimum before any frame has set it.
    static constexpr float kUnsetMinimum = 100000000.0f;

    // Cycle stamps of the current frame's start and the last frame's end:
    // the full 64-bit counter, so a fast processor never wraps.
    std::uint64_t startStamp = 0;
    std::uint64_t endStamp = 0;
    float average = 0.0f;          // seconds, running mean of all counted frames
    float minimum = kUnsetMinimum;  // seconds, shortest counted frame above 0.00001 s
    float maximum = 0.0f;          // seconds, longest counted frame
    float current = 0.0f;          // seconds, the frame being measured
    float last = 0.0f;             // seconds, the frame most recently folded in
    std::uint32_t count = 0;       // frames folded in

    // Processor clock rate in Hz and whether it has been set; shared by every
    // instance.
    static float ClockRate;
    static std::int32_t calibrated;

    // Calibrates the clock when no instance has (see CalibrateClockAtStartup).
    FrameStats();

    // Measures ClockRate against the calendar clock over five whole seconds
    // of the time-stamp counter (five to six seconds of waiting).
    static void CalibrateClock();
    // Times frames with the monotonic nanosecond clock: ClockRate 1e9.
    static void UseNanosecondClock();

    void FrameStart();
    // Stores the end stamp, adds the frame's duration and updates.
    void FrameEnd();
    // Folds the accumulated current time in as one frame.
    void Update();
    // Seconds of a frame of the given cycle count: the 16 cycles that reading
    // the counter itself costs are taken off, never below zero.
    static double CyclesToSeconds(std::uint64_t startStamp, std::uint64_t endStamp);

    // The three report lines, joined.
    void FormatReport(char* text, std::size_t size) const;
    // Escape / F12: shuts Glide down, shows the report, posts WM_CLOSE to the
    // main window.
    void Report() const;
};

// The frame statistics of the program.
extern FrameStats PerfStats;

// Whether constructing the first FrameStats (during static initialisation)
// calibrates the clock. The library's default is false: tests, tools and
// both programs (which calibrate after reading their options, so that
// --help and --version answer at once) start on the nanosecond clock.
extern bool CalibrateClockAtStartup;
