#include "app/headless_runner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/winmain.h"
#include "input/navigation.h"
#include "platform/headless/headless_input.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/script.h"
#include "scene/records.h"
#include "scene/scene_dump.h"

namespace {

constexpr const char* kProgram = "tarnview-headless";

// "A:B" with A <= B, both whole frame numbers.
bool ParseFrameRange(const std::string& text, std::uint32_t* first, std::uint32_t* last) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const std::string a = text.substr(0, colon);
    const std::string b = text.substr(colon + 1);
    std::uint32_t from = 0, to = 0;
    auto parse = [](const std::string& part, std::uint32_t* out) {
        if (part.empty() || part[0] == '-') return false;
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(part.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull) return false;
        *out = static_cast<std::uint32_t>(value);
        return true;
    };
    if (!parse(a, &from) || !parse(b, &to) || from > to) return false;
    *first = from;
    *last = to;
    return true;
}

bool ParseFrameCount(const char* text, std::uint32_t* frames) {
    if (text == nullptr || *text == '\0' || *text == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0x7FFFFFFFull) return false;
    *frames = static_cast<std::uint32_t>(value);
    return true;
}

void AppendNumber(std::string* out, double value) {
    if (!std::isfinite(value)) {
        *out += "null";
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    *out += text;
}

std::uint32_t FramesRendered() { return PerfStats.count; }

bool WriteScreenshot(const char* path) { return glide::WriteScreenshotPng(path); }

bool DumpScene(const char* path) { return WriteSceneJson(path, Scene, true, SelectedActor); }

}  // namespace

const char* HeadlessUsage() {
    return "usage: tarnview-headless [--frames N] [--script FILE] [--screenshot FILE] [--report FILE]\n"
           "                         [--dump-scene FILE] [--trace FILE [--trace-frames A:B]]\n"
           "                         [--no-calibrate] [SCENE]\n"
           "\n"
           "Runs Tarnview without a display: loads SCENE (default \"objects.scn\"), renders N frames\n"
           "(default 300), then presses Escape, which prints the \"Performance Results\" report.\n"
           "\n"
           "  --frames N         frames to render before Escape (0: Escape before the first frame)\n"
           "  --script FILE      timed input, one event a line: <frame> <command> <args>\n"
           "                     (key, activate, screenshot, hold, mouse, joy, dump; # comments)\n"
           "  --screenshot FILE  the front buffer as PNG after the last frame\n"
           "  --report FILE      the statistics as JSON\n"
           "  --dump-scene FILE  the loaded scene as JSON, before the first frame\n"
           "  --trace FILE       record every accelerator call of some frames (a device trace,\n"
           "                     replayed by glide-replay)\n"
           "  --trace-frames A:B the frames to trace, counted by buffer swaps (default 1:1)\n"
           "  --no-calibrate     time with the nanosecond clock (1 GHz) instead of the\n"
           "                     five-second processor clock calibration\n"
           "  --help             this text\n"
           "\n"
           "Exit status: 0 after Escape, 1 after a fatal error, 2 for a usage or script error.\n";
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
        if (std::strcmp(arg, "--frames") == 0) {
            std::string text;
            if (!value(&text)) return OptionsResult::UsageError;
            if (!ParseFrameCount(text.c_str(), &options->frames)) {
                *error = "--frames needs a whole number from 0 to 2147483647, not \"" + text + "\"";
                return OptionsResult::UsageError;
            }
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

std::string FormatReportJson(const FrameStats& stats, float clockRate, const glide::DeviceCounters& counters) {
    const double minimum = stats.minimum;
    const double average = stats.average;
    const double maximum = stats.maximum;
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
    out += ",\"pixels\":" + std::to_string(counters.pixelsWritten) + "}\n";
    return out;
}

int RunHeadless(int argc, const char* const* argv, const DeviceTraceRecorder* recorder) {
    HeadlessOptions options;
    std::string error;
    switch (ParseHeadlessOptions(argc, argv, &options, &error)) {
    case OptionsResult::Help: std::fputs(HeadlessUsage(), stdout); return 0;
    case OptionsResult::UsageError:
        std::fprintf(stderr, "%s: %s\ntry %s --help\n", kProgram, error.c_str(), kProgram);
        return 2;
    case OptionsResult::Run: break;
    }

    static Script script;
    if (!options.scriptPath.empty() && !LoadScriptFile(options.scriptPath.c_str(), &script, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    // Before WinMain, as the windowed program's static calibration is.
    if (options.calibrate)
        FrameStats::CalibrateClock();
    else
        FrameStats::UseNanosecondClock();

    if (!options.tracePath.empty()) {
        if (recorder == nullptr) {
            std::fprintf(stderr, "%s: this build cannot record device traces\n", kProgram);
            return 2;
        }
        if (!recorder->configure(options.tracePath.c_str(), options.traceFirst, options.traceLast)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, recorder->error());
            return 2;
        }
    }

    HeadlessInput.joystickPresent = script.hasJoystick;

    HeadlessHooks hooks;
    hooks.framesRendered = FramesRendered;
    hooks.writeScreenshot = WriteScreenshot;
    hooks.dumpScene = DumpScene;
    static HeadlessPlatform platform(script, options.frames, options.screenshotPath, options.dumpScenePath, hooks);
    SetPlatformBackend(&platform);
    glide::SetDisplayOutput(nullptr);

    std::string tail = options.scene;
    int status = WinMain(nullptr, nullptr, tail.data(), SW_SHOWDEFAULT);

    if (!options.reportPath.empty()) {
        std::ofstream report(options.reportPath, std::ios::binary);
        report << FormatReportJson(PerfStats, FrameStats::ClockRate, glide::GetCounters());
        report.close();
        if (!report) {
            std::fprintf(stderr, "%s: cannot write %s\n", kProgram, options.reportPath.c_str());
            status = 1;
        }
    }
    if (platform.WriteFailed()) status = 1;
    return status;
}
