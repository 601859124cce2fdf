#include "app/window_runner.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/command_line.h"
#include "app/fatal_error.h"
#include "app/fatal_hints.h"
#include "app/frame_stats.h"
#include "app/progress_signal.h"
#include "app/winmain.h"
#include "glide_device.h"
#include "platform/headless/headless_input.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/script.h"
#include "platform/input_recorder.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/sdl_script_platform.h"
#include "support/build_info.h"
#include "support/signal_cleanup.h"

namespace {

constexpr const char* kProgram = "tarnview";
// A script without an "end" line plays as many frames as the headless
// runner gives it.
constexpr std::uint32_t kScriptFrames = 300;

// Why there is no display, when there is none.
std::string noDisplay;

void SayWhatToDo(const char* message) {
    PrintFontHint(kProgram, message);
    if (!noDisplay.empty()) PrintNoDisplayHint(kProgram, noDisplay.c_str());
}

int Fail(int status, const std::string& message) { return ReportFailure(kProgram, status, message); }

int Run(int argc, const char* const* argv, const DeviceTraceRecorder* recorder) {
    WindowOptions options;
    std::string error;
    const OptionsResult parsed = ParseWindowOptions(argc, argv, &options, &error);
    const int answered = AnswerCommandLine(kProgram, parsed, WindowUsage(), error);
    if (answered >= 0) return answered;
    // Before SDL starts: a signal ends the program at any moment, a report
    // box open or not.
    tarn::InstallSignalCleanup();
    InstallProgressSignal(kProgram);

    int threads = 0;
    if (!ResolveThreadCount(options.threads, &threads, &error)) return Fail(kExitUsageError, error);
    glide::SetThreadCount(threads);
    static Script script;
    if (!options.scriptPath.empty() && !LoadScriptFile(options.scriptPath.c_str(), &script, &error))
        return Fail(kExitUsageError, error);
    std::vector<std::string> outputs;
    for (const std::string* path : {&options.recordPath, &options.tracePath})
        if (!path->empty()) outputs.push_back(*path);
    AddScriptOutputs(script, &outputs);
    if (!CheckOutputPaths(outputs, &error)) return Fail(kExitRuntimeError, error);

    static SdlPlatform platform;
    // Five whole seconds of the time-stamp counter before the window opens;
    // without a display the run ends at the device's set-up, so it does not
    // wait for them.
    if (platform.StartVideo(&noDisplay)) {
        noDisplay.clear();
        FrameStats::CalibrateClock();
    } else {
        FrameStats::UseNanosecondClock();
    }
    SetFatalErrorEpilogue(SayWhatToDo);

    const int notStarted = StartRecorders(kProgram, options.tracePath, options.traceFirst, options.traceLast,
                                          options.recordPath, recorder);
    if (notStarted >= 0) return notStarted;

    static SdlDisplayOutput output(platform);
    platform.AttachOutput(&output);
    glide::SetDisplayOutput(&output);
    static HeadlessPlatform scriptEvents(script, script.hasEnd ? script.endFrame : kScriptFrames, "", "",
                                         RunnerHooks(kProgram));
    static SdlScriptPlatform scriptedWindow(platform, scriptEvents);
    if (options.scriptPath.empty()) {
        SetPlatformBackend(&platform);
    } else {
        HeadlessInput.joystickPresent = script.hasJoystick;
        platform.SetScriptedInput(true);
        SetPlatformBackend(&scriptedWindow);
    }

    std::string tail = options.scene;
    int status = WinMain(nullptr, nullptr, tail.data(), SW_SHOWDEFAULT);

    if (!options.tracePath.empty() && !recorder->finish()) status = Fail(kExitRuntimeError, recorder->error());
    if (!FlightRecorder.Finish(&error)) status = Fail(kExitRuntimeError, error);
    if (scriptEvents.WriteFailed()) status = kExitRuntimeError;
    return status;
}

}  // namespace

const char* WindowUsage() {
    return "usage: tarnview [--script FILE] [--record FILE] [--threads N] [--trace FILE [--trace-frames A:B]]\n"
           "                [--] [SCENE]\n"
           "\n"
           "Shows Tarnview in a window: loads SCENE (default \"objects.scn\"; the rest of the command\n"
           "line after the options, blanks included) and renders until Escape or F12, which print\n"
           "the \"Performance Results\" report. The processor clock is calibrated for five seconds\n"
           "first. The font ffont.3df and the scene's files are read from the working folder.\n"
           "Without a display: tarnview-headless, `tarnconv view --headless`, or xvfb-run -a tarnview.\n"
           "\n"
           "  --script FILE      play a script in the window (a recorded flight, like a timedemo):\n"
           "                     its input steers, the user's keys do not; Escape or F12 ends it early,\n"
           "                     else it ends at the script's \"end\" line (300 frames without one)\n"
           "  --record FILE      record the flight (keys, activation, held keys, mouse, joystick)\n"
           "                     as a script that `tarnview-headless --script FILE` replays; it is\n"
           "                     written when Escape or F12 ends the flight\n"
           "  --threads N        threads that rasterize (0: all hardware threads, the default;\n"
           "                     TARNVIEW_THREADS=N sets it where the option is not given)\n"
           "  --trace FILE       record every accelerator call of some frames (a device trace)\n"
           "  --trace-frames A:B the frames to trace, counted by buffer swaps (default 1:1)\n"
           "  --                 ends the options (for a scene whose name begins with \"--\")\n"
           "  --help             this text\n"
           "  --version          the program's version, git revision and build type\n"
           "\n"
           "kill -USR1 PID prints the frames rendered so far. SIGINT, SIGTERM and SIGHUP end the\n"
           "program at any time, report box open or not, with status 130, 143 and 129, removing\n"
           "unfinished outputs (files being replaced stay as they were).\n"
           "Exit status: 0 after Escape, 1 after a fatal error or an output that could not be\n"
           "written, 2 for a usage or script error.\n";
}

OptionsResult ParseWindowOptions(int argc, const char* const* argv, WindowOptions* options, std::string* error) {
    *options = WindowOptions{};
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        const char* arg = argv[i];
        auto value = [&](std::string* target) {
            if (i + 1 >= argc) {
                *error = std::string("option ") + arg + " needs a value";
                return false;
            }
            *target = argv[++i];
            return true;
        };
        std::string text;
        std::uint64_t number = 0;
        if (std::strcmp(arg, "--") == 0) {
            ++i;
            break;
        } else if (std::strcmp(arg, "--help") == 0) {
            return OptionsResult::Help;
        } else if (std::strcmp(arg, "--version") == 0) {
            return OptionsResult::Version;
        } else if (std::strcmp(arg, "--script") == 0) {
            if (!value(&options->scriptPath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--record") == 0) {
            if (!value(&options->recordPath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--trace") == 0) {
            if (!value(&options->tracePath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--trace-frames") == 0) {
            if (!value(&text)) return OptionsResult::UsageError;
            if (!ParseFrameRange(text, &options->traceFirst, &options->traceLast)) {
                *error = "--trace-frames needs A:B with whole numbers A <= B, not \"" + text + "\"";
                return OptionsResult::UsageError;
            }
        } else if (std::strcmp(arg, "--threads") == 0) {
            if (!value(&text)) return OptionsResult::UsageError;
            if (!ParseWholeNumber(text.c_str(), 0, kMaxThreads, &number)) {
                *error = "--threads wants a whole number from 0 to " + std::to_string(kMaxThreads) + ", not \"" +
                         text + "\"";
                return OptionsResult::UsageError;
            }
            options->threads = static_cast<int>(number);
        } else {
            *error = std::string("unknown option ") + arg;
            return OptionsResult::UsageError;
        }
    }
    // The scene path: everything after the options, joined by single blanks.
    for (int first = i; i < argc; ++i) {
        if (i > first) options->scene += ' ';
        options->scene += argv[i];
    }
    return OptionsResult::Run;
}

int RunWindowed(int argc, const char* const* argv, const DeviceTraceRecorder* recorder) {
    return ExitOnOutOfMemory(kProgram, [&] { return Run(argc, argv, recorder); });
}
