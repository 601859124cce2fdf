// The headless benchmark runner behind `tarnview-headless`: reads its
// options, runs the real WinMain on the headless host, and writes the
// report, screenshot and scene dumps it was asked for.
#pragma once

#include <cstdint>
#include <string>

#include "app/frame_stats.h"
#include "glide_device.h"

struct HeadlessOptions {
    std::uint32_t frames = 300;
    std::string scriptPath;
    std::string screenshotPath;
    std::string reportPath;
    std::string dumpScenePath;
    bool calibrate = true;
    std::string scene;  // the command-line tail; empty: "objects.scn"
};

enum class OptionsResult { Run, Help, UsageError };

OptionsResult ParseHeadlessOptions(int argc, const char* const* argv, HeadlessOptions* options, std::string* error);

const char* HeadlessUsage();

// {"frames","clock_rate_hz","frame_time_s":{"min","avg","max"},
//  "fps":{"min","avg","max"},"triangles","pixels"}; non-finite numbers as null.
std::string FormatReportJson(const FrameStats& stats, float clockRate, const glide::DeviceCounters& counters);

// The whole run; returns the process exit status (0 after Escape, 2 for a
// usage or script error; a fatal error exits with 1 from inside).
int RunHeadless(int argc, const char* const* argv);
