// The windowed program `tarnview`: its options (each beginning with "--",
// all before the scene path; the rest of the command line is the scene path,
// as the program always took it), then the real WinMain in an SDL window.
#pragma once

#include <cstdint>
#include <string>

#include "app/headless_runner.h"

struct WindowOptions {
    std::string scriptPath;       // a script (a recorded flight) to play in the window
    std::string recordPath;       // the flight as a headless runner script
    std::string tracePath;        // device trace of frames traceFirst..traceLast
    std::uint32_t traceFirst = 1;
    std::uint32_t traceLast = 1;
    int threads = -1;             // --threads N; -1: not given
    std::string scene;            // the command-line tail, arguments joined by blanks
};

OptionsResult ParseWindowOptions(int argc, const char* const* argv, WindowOptions* options, std::string* error);

const char* WindowUsage();

// The whole run; returns the exit status. --help and --version are answered
// before the five-second clock calibration, and without a display there is
// no calibration: the run ends at once with the fatal error and a line that
// names the ways to run without one. Without a recorder, --trace is refused.
int RunWindowed(int argc, const char* const* argv, const DeviceTraceRecorder* recorder = nullptr);
