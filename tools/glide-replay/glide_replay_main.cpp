// glide-replay: replays a device trace (written by a program linked with the
// trace recorder) through the software device, times every frame and
// reports the device's share of the frame time. With --split it replays a
// second time with rasterization off, which separates the cost of taking
// the calls (triangle set-up included) from drawing the pixels.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "glide.h"
#include "glide_device.h"
#include "trace_replay.h"

namespace {

const char kUsage[] =
    "usage: glide-replay TRACE [--repeat N] [--split] [--json FILE] [--screenshot FILE.png]\n"
    "  Replays a device trace through the software device and times each frame.\n"
    "  --repeat N         replay the recorded frames N times (default 1)\n"
    "  --split            also replay with rasterization off and report both\n"
    "  --json FILE        write the results as JSON\n"
    "  --screenshot FILE  write the last replayed frame as PNG\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "glide-replay: %s\ntry 'glide-replay --help'\n", message.c_str());
    return 2;
}

bool ParseCount(const char* text, int* out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 1000000) return false;
    *out = static_cast<int>(value);
    return true;
}

struct Run {
    glide_trace::ReplayResult result;
    glide_trace::TimeSummary summary;
};

bool Replay(const glide_trace::TraceFile& trace, int repeat, bool rasterize, Run* run, std::string* error) {
    glide_trace::ReplayOptions options;
    options.repeat = repeat;
    options.rasterize = rasterize;
    if (!glide_trace::ReplayTrace(trace, options, &run->result, error)) return false;
    run->summary = glide_trace::Summarize(run->result.frameSeconds);
    return true;
}

void PrintRun(const char* label, const Run& run) {
    const double mtris = run.summary.mean > 0.0 && run.result.framesPerPass > 0
                             ? static_cast<double>(run.result.trianglesPerPass) / run.result.framesPerPass /
                                   run.summary.mean * 1e-6
                             : 0.0;
    std::printf("[%s] frames: %zu  ms/frame min %.3f median %.3f max %.3f mean %.3f  Mtriangles/s: %.3f\n", label,
                run.result.frameSeconds.size(), run.summary.min * 1e3, run.summary.median * 1e3,
                run.summary.max * 1e3, run.summary.mean * 1e3, mtris);
}

std::string JsonString(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void JsonRun(std::FILE* f, const char* name, const Run& run, bool last) {
    std::fprintf(f,
                 "  \"%s\": {\"frames\": %zu, \"frame_time_s\": {\"min\": %.9g, \"median\": %.9g, \"max\": %.9g, "
                 "\"mean\": %.9g}, \"preamble_s\": %.9g}%s\n",
                 name, run.result.frameSeconds.size(), run.summary.min, run.summary.median, run.summary.max,
                 run.summary.mean, run.result.preambleSeconds, last ? "" : ",");
}

}  // namespace

int main(int argc, char** argv) {
    const char* tracePath = nullptr;
    const char* jsonPath = nullptr;
    const char* screenshotPath = nullptr;
    int repeat = 1;
    bool split = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--split") {
            split = true;
        } else if (arg == "--repeat" || arg == "--json" || arg == "--screenshot") {
            if (i + 1 >= argc) return UsageError(arg + " needs a value");
            const char* value = argv[++i];
            if (arg == "--repeat") {
                if (!ParseCount(value, &repeat)) return UsageError("--repeat wants a count from 1 to 1000000");
            } else if (arg == "--json") {
                jsonPath = value;
            } else {
                screenshotPath = value;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return UsageError("unknown option " + arg);
        } else if (tracePath == nullptr) {
            tracePath = argv[i];
        } else {
            return UsageError("more than one trace file given");
        }
    }
    if (tracePath == nullptr) return UsageError("no trace file given");

    glide_trace::TraceFile trace;
    std::string error;
    if (!glide_trace::ReadTraceFile(tracePath, &trace, &error)) {
        std::fprintf(stderr, "glide-replay: %s\n", error.c_str());
        return 1;
    }
    const std::uint32_t frames = trace.framesRecorded;
    std::printf("glide-replay: %s: frames %u..%u, %u recorded, %llu triangles, %zu records\n", tracePath,
                trace.firstFrame, trace.lastFrame, frames, static_cast<unsigned long long>(trace.triangles),
                trace.records.size());

    Run full;
    if (!Replay(trace, repeat, true, &full, &error)) {
        std::fprintf(stderr, "glide-replay: %s: %s\n", tracePath, error.c_str());
        grGlideShutdown();
        return 1;
    }
    PrintRun("device", full);
    if (screenshotPath != nullptr && !glide::WriteScreenshotPng(screenshotPath)) {
        std::fprintf(stderr, "glide-replay: %s: cannot write screenshot\n", screenshotPath);
        grGlideShutdown();
        return 1;
    }
    grGlideShutdown();

    Run calls;
    if (split) {
        if (!Replay(trace, repeat, false, &calls, &error)) {
            std::fprintf(stderr, "glide-replay: %s: %s\n", tracePath, error.c_str());
            grGlideShutdown();
            return 1;
        }
        grGlideShutdown();
        PrintRun("no-raster", calls);
        std::printf("[split] ms/frame (median): calls and set-up %.3f, rasterization %.3f\n",
                    calls.summary.median * 1e3, (full.summary.median - calls.summary.median) * 1e3);
    }

    if (jsonPath != nullptr) {
        std::FILE* f = std::fopen(jsonPath, "w");
        if (f == nullptr) {
            std::fprintf(stderr, "glide-replay: %s: cannot write\n", jsonPath);
            return 1;
        }
        std::fprintf(f, "{\n  \"trace\": %s,\n  \"frames_recorded\": %u,\n  \"repeat\": %d,\n", JsonString(tracePath).c_str(), frames,
                     repeat);
        std::fprintf(f, "  \"triangles_per_pass\": %llu,\n", static_cast<unsigned long long>(trace.triangles));
        JsonRun(f, "device", full, !split);
        if (split) JsonRun(f, "no_raster", calls, true);
        std::fprintf(f, "}\n");
        if (std::fclose(f) != 0) {
            std::fprintf(stderr, "glide-replay: %s: cannot write\n", jsonPath);
            return 1;
        }
    }
    return 0;
}
