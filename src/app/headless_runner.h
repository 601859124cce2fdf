// The headless benchmark runner behind `tarnview-headless`: reads its
// options, runs the real WinMain on the headless host, and writes the
// report, screenshot and scene dumps it was asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/frame_stats.h"
#include "glide_device.h"
#include "platform/headless/headless_platform.h"

struct HeadlessOptions {
    std::vector<std::string> folders;  // -C DIR, in order: each relative to the one before
    std::uint32_t frames = 300;
    bool framesGiven = false;          // without --frames a script's "end" line decides
    std::string scriptPath;
    std::string screenshotPath;
    std::string reportPath;
    std::string dumpScenePath;
    std::string tracePath;           // device trace of frames traceFirst..traceLast
    std::uint32_t traceFirst = 1;
    std::uint32_t traceLast = 1;
    std::string recordPath;          // the flight as a script
    int threads = -1;                // --threads N; -1: not given
    bool calibrate = true;
    std::string scene;  // the command-line tail; empty: "objects.scn"
};

OptionsResult ParseHeadlessOptions(int argc, const char* const* argv, HeadlessOptions* options, std::string* error);

// The usage text, naming the program as it was started.
std::string HeadlessUsage(const char* program = "tarnview-headless");

// Frames counted by the statistics so far: the frame number of scripts and
// recordings.
std::uint32_t FramesRendered();

// The script host's frame count, screenshot and scene dump; messages name
// program.
HeadlessHooks RunnerHooks(const char* program);

// {"frames","clock_rate_hz","frame_time_s":{"min","avg","max"},
//  "fps":{"min","avg","max"},"triangles","pixels","threads"}; non-finite
// numbers, and the extremes that no frame measured, as null.
std::string FormatReportJson(const FrameStats& stats, float clockRate, const glide::DeviceCounters& counters,
                             int threads);

// The device trace recorder (src/glide_trace) is linked only into the
// headless program, whose entry file hands its two calls in here.
struct DeviceTraceRecorder {
    bool (*configure)(const char* path, std::uint32_t firstFrame, std::uint32_t lastFrame);
    bool (*finish)();
    const char* (*error)();
};

// Starts the device trace (when tracePath is set; refused without a
// recorder) and the flight recording (when recordPath is set) that a
// program's options ask for. Returns -1 when both are under way or not
// wanted, else the exit status after the message is printed.
int StartRecorders(const char* program, const std::string& tracePath, std::uint32_t traceFirst,
                   std::uint32_t traceLast, const std::string& recordPath, const DeviceTraceRecorder* recorder);

// The whole run; returns the process exit status (0 after Escape, 1 when an
// output could not be written, 2 for a usage or script error; a fatal error
// exits with 1 from inside). Without a recorder, --trace is refused.
int RunHeadless(int argc, const char* const* argv, const DeviceTraceRecorder* recorder = nullptr);
