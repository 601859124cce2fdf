#include "app/headless_runner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unistd.h>

#include "app/command_line.h"
#include "app/fatal_error.h"
#include "app/fatal_hints.h"
#include "app/progress_signal.h"
#include "app/winmain.h"
#include "input/navigation.h"
#include "platform/headless/headless_input.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/script.h"
#include "platform/input_recorder.h"
#include "scene/records.h"
#include "scene/scene_dump.h"
#include "support/build_info.h"
#include "support/output_file.h"
#include "support/signal_cleanup.h"

namespace {

// The name messages carry: the program's own file name, so that the
// benchmark's build of this runner (tarnbench-runner) names itself.
const char* runnerName = "tarnview-headless";

void AppendNumber(std::string* out, double value) {
    if (!std::isfinite(value)) {
        *out += "null";
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    *out += text;
}

bool WriteScreenshot(const char* path, std::string* error) { return glide::WriteScreenshotPng(path, error); }

bool DumpScene(const char* path, std::string* error) {
    return WriteSceneJson(path, Scene, true, SelectedActor, error);
}

// After a fatal error: the files a scene names are read from the working
// folder, which is the usual reason they are not found.
void NameWorkingFolder(const char* message) {
    char folder[4096];
    const char* where = getcwd(folder, sizeof folder) != nullptr ? folder : "(unknown)";
    std::fprintf(stderr, "%s: files are read from the working folder %s; -C DIR runs in another folder\n", runnerName,
                 PrintableText(where).c_str());
    PrintFontHint(runnerName, message, false);
}

// Every file the run will write, checked before the first frame.
std::vector<std::string> OutputPaths(const HeadlessOptions& options, const Script& script) {
    std::vector<std::string> paths;
    for (const std::string* path : {&options.screenshotPath, &options.reportPath, &options.dumpScenePath,
                                    &options.tracePath, &options.recordPath})
        if (!path->empty()) paths.push_back(*path);
    AddScriptOutputs(script, &paths);
    return paths;
}

int Fail(int status, const std::string& message) { return ReportFailure(runnerName, status, message); }

int Run(int argc, const char* const* argv, const DeviceTraceRecorder* recorder) {
    HeadlessOptions options;
    std::string error;
    const OptionsResult parsed = ParseHeadlessOptions(argc, argv, &options, &error);
    const int answered = AnswerCommandLine(runnerName, parsed, HeadlessUsage(runnerName).c_str(), error);
    if (answered >= 0) return answered;
    tarn::InstallSignalCleanup();
    InstallProgressSignal(runnerName);

    // Before anything else: every other path is relative to the folder.
    for (const std::string& folder : options.folders) {
        if (chdir(folder.c_str()) != 0)
            return Fail(kExitUsageError, "-C " + folder + ": cannot change to it (" + std::strerror(errno) + ")");
    }

    int threads = 0;
    if (!ResolveThreadCount(options.threads, &threads, &error)) return Fail(kExitUsageError, error);
    glide::SetThreadCount(threads);

    static Script script;
    if (!options.scriptPath.empty() && !LoadScriptFile(options.scriptPath.c_str(), &script, &error))
        return Fail(kExitUsageError, error);
    // A recorded flight knows its length; --frames still wins.
    if (!options.framesGiven && script.hasEnd) options.frames = script.endFrame;

    if (!CheckOutputPaths(OutputPaths(options, script), &error)) return Fail(kExitRuntimeError, error);

    // Before WinMain, as the windowed program's calibration is.
    if (options.calibrate)
        FrameStats::CalibrateClock();
    else
        FrameStats::UseNanosecondClock();

    const int notStarted = StartRecorders(runnerName, options.tracePath, options.traceFirst, options.traceLast,
                                          options.recordPath, recorder);
    if (notStarted >= 0) return notStarted;

    HeadlessInput.joystickPresent = script.hasJoystick;
    SetFatalErrorEpilogue(NameWorkingFolder);

    static HeadlessPlatform platform(script, options.frames, options.screenshotPath, options.dumpScenePath,
                                     RunnerHooks(runnerName));
    SetPlatformBackend(&platform);
    glide::SetDisplayOutput(nullptr);

    std::string tail = options.scene;
    int status = WinMain(nullptr, nullptr, tail.data(), SW_SHOWDEFAULT);

    if (!options.tracePath.empty() && !recorder->finish()) status = Fail(kExitRuntimeError, recorder->error());
    if (!FlightRecorder.Finish(&error)) status = Fail(kExitRuntimeError, error);
    if (!options.reportPath.empty() &&
        !tarn::WriteWholeFile(options.reportPath,
                              FormatReportJson(PerfStats, FrameStats::ClockRate, glide::GetCounters(),
                                               glide::ThreadCount()),
                              &error))
        status = Fail(kExitRuntimeError, error);
    if (platform.WriteFailed()) status = kExitRuntimeError;
    return status;
}

}  // namespace

std::uint32_t FramesRendered() { return PerfStats.count; }

HeadlessHooks RunnerHooks(const char* programName) {
    HeadlessHooks hooks;
    hooks.program = programName;
    hooks.framesRendered = FramesRendered;
    hooks.writeScreenshot = WriteScreenshot;
    hooks.dumpScene = DumpScene;
    return hooks;
}

std::string HeadlessUsage(const char* programName) {
    const std::string indent(std::strlen(programName) + 8, ' ');
    return std::string("usage: ") + programName + " [-C DIR] [--frames N] [--script FILE] [--screenshot FILE]\n" +
           indent + "[--report FILE] [--dump-scene FILE] [--trace FILE [--trace-frames A:B]]\n" + indent +
           "[--record FILE] [--threads N] [--no-calibrate] [SCENE]\n"
           "\n"
           "Runs Tarnview without a display: loads SCENE (default \"objects.scn\"), renders N frames\n"
           "(default 300), then presses Escape, which prints the \"Performance Results\" report.\n"
           "\n"
           "  -C DIR             change to DIR before anything else (the scene's files, the\n"
           "                     font and every other path are then read from there)\n"
           "  --frames N         frames to render before Escape (0: Escape before the first frame;\n"
           "                     default: a script's \"end\" line, else 300)\n"
           "  --script FILE      timed input, one event a line: <frame> <command> <args>\n"
           "                     (key, activate, screenshot, hold, mouse, joy, dump, end; # comments)\n"
           "  --screenshot FILE  the front buffer as PNG after the last frame\n"
           "  --report FILE      the statistics as JSON\n"
           "  --dump-scene FILE  the loaded scene as JSON, before the first frame\n"
           "  --trace FILE       record every accelerator call of some frames (a device trace,\n"
           "                     replayed by glide-replay)\n"
           "  --trace-frames A:B the frames to trace, counted by buffer swaps (default 1:1)\n"
           "  --record FILE      record the input the run consumed as a script (a flight)\n"
           "  --threads N        threads that rasterize (0: all hardware threads, the default;\n"
           "                     TARNVIEW_THREADS=N sets it where the option is not given)\n"
           "  --no-calibrate     time with the nanosecond clock (1 GHz) instead of the\n"
           "                     five-second processor clock calibration\n"
           "  --help             this text\n"
           "  --version          the program's version, git revision and build type\n"
           "\n"
           "kill -USR1 PID prints the frames rendered so far. SIGINT, SIGTERM and SIGHUP end the\n"
           "run with status 130, 143 and 129, removing unfinished outputs (files being replaced\n"
           "stay as they were).\n"
           "Exit status: 0 after Escape, 1 after a fatal error or an output that could not be\n"
           "written, 2 for a usage or script error.\n";
}

OptionsResult ParseHeadlessOptions(int argc, const char* const* argv, HeadlessOptions* options, std::string* error) {
    *options = HeadlessOptions{};
    bool haveScene = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto value = [&](std::string* target) {
            if (i + 1 >= argc) {
                *error = std::string("option ") + arg + " needs a value";
                return false;
            }
            *target = argv[++i];
            return true;
        };
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return OptionsResult::Help;
        if (std::strcmp(arg, "--version") == 0) return OptionsResult::Version;
        std::uint64_t number = 0;
        if (std::strcmp(arg, "-C") == 0) {
            std::string folder;
            if (!value(&folder)) return OptionsResult::UsageError;
            options->folders.push_back(folder);
        } else if (std::strcmp(arg, "--frames") == 0) {
            std::string text;
            if (!value(&text)) return OptionsResult::UsageError;
            if (!ParseWholeNumber(text.c_str(), 0, 0x7FFFFFFF, &number)) {
                *error = "--frames needs a whole number from 0 to 2147483647, not \"" + text + "\"";
                return OptionsResult::UsageError;
            }
            options->frames = static_cast<std::uint32_t>(number);
            options->framesGiven = true;
        } else if (std::strcmp(arg, "--threads") == 0) {
            std::string text;
            if (!value(&text)) return OptionsResult::UsageError;
            if (!ParseWholeNumber(text.c_str(), 0, kMaxThreads, &number)) {
                *error = "--threads wants a whole number from 0 to " + std::to_string(kMaxThreads) + ", not \"" +
                         text + "\"";
                return OptionsResult::UsageError;
            }
            options->threads = static_cast<int>(number);
        } else if (std::strcmp(arg, "--record") == 0) {
            if (!value(&options->recordPath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--script") == 0) {
            if (!value(&options->scriptPath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--screenshot") == 0) {
            if (!value(&options->screenshotPath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--report") == 0) {
            if (!value(&options->reportPath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--dump-scene") == 0) {
            if (!value(&options->dumpScenePath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--trace") == 0) {
            if (!value(&options->tracePath)) return OptionsResult::UsageError;
        } else if (std::strcmp(arg, "--trace-frames") == 0) {
            std::string text;
            if (!value(&text)) return OptionsResult::UsageError;
            if (!ParseFrameRange(text, &options->traceFirst, &options->traceLast)) {
                *error = "--trace-frames needs A:B with whole numbers A <= B, not \"" + text + "\"";
                return OptionsResult::UsageError;
            }
        } else if (std::strcmp(arg, "--no-calibrate") == 0) {
            options->calibrate = false;
        } else if (std::strcmp(arg, "--") == 0 && i + 1 < argc && !haveScene && i + 2 == argc) {
            options->scene = argv[++i];
            haveScene = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            *error = std::string("unknown option ") + arg;
            return OptionsResult::UsageError;
        } else if (haveScene) {
            *error = std::string("only one scene may be given, not also \"") + arg + "\"";
            return OptionsResult::UsageError;
        } else {
            options->scene = arg;
            haveScene = true;
        }
    }
    return OptionsResult::Run;
}

std::string FormatReportJson(const FrameStats& stats, float clockRate, const glide::DeviceCounters& counters,
                             int threads) {
    // The statistics start from sentinels (minimum 1e8 s, maximum 0): an
    // extreme that no frame set is unknown, not a measurement.
    const double unmeasured = std::numeric_limits<double>::quiet_NaN();
    const double minimum = stats.minimum < FrameStats::kUnsetMinimum ? stats.minimum : unmeasured;
    const double average = stats.average;
    const double maximum = stats.count > 0 ? stats.maximum : unmeasured;
    std::string out = "{\"frames\":" + std::to_string(stats.count) + ",\"clock_rate_hz\":";
    AppendNumber(&out, clockRate);
    out += ",\"frame_time_s\":{\"min\":";
    AppendNumber(&out, minimum);
    out += ",\"avg\":";
    AppendNumber(&out, average);
    out += ",\"max\":";
    AppendNumber(&out, maximum);
    out += "},\"fps\":{\"min\":";
    AppendNumber(&out, 1.0 / maximum);
    out += ",\"avg\":";
    AppendNumber(&out, 1.0 / average);
    out += ",\"max\":";
    AppendNumber(&out, 1.0 / minimum);
    out += "},\"triangles\":" + std::to_string(counters.trianglesSubmitted);
    out += ",\"pixels\":" + std::to_string(counters.pixelsWritten);
    out += ",\"threads\":" + std::to_string(threads) + "}\n";
    return out;
}

int StartRecorders(const char* program, const std::string& tracePath, std::uint32_t traceFirst,
                   std::uint32_t traceLast, const std::string& recordPath, const DeviceTraceRecorder* recorder) {
    if (!tracePath.empty()) {
        if (recorder == nullptr) return ReportFailure(program, kExitUsageError, "this build cannot record device traces");
        if (!recorder->configure(tracePath.c_str(), traceFirst, traceLast))
            return ReportFailure(program, kExitRuntimeError, recorder->error());
    }
    std::string error;
    if (!recordPath.empty() && !FlightRecorder.Start(recordPath, FramesRendered, &error))
        return ReportFailure(program, kExitRuntimeError, error);
    return -1;
}

int RunHeadless(int argc, const char* const* argv, const DeviceTraceRecorder* recorder) {
    runnerName = ProgramName(argc > 0 ? argv[0] : nullptr, "tarnview-headless");
    return ExitOnOutOfMemory(runnerName, [&] { return Run(argc, argv, recorder); });
}
