// glide-replay: replays a device trace (written by a program linked with the
// trace recorder) through the software device, times every frame and
// reports the device's share of the frame time. With --split it replays a
// second time with rasterization off, which separates the cost of taking
// the calls (triangle set-up included) from drawing the pixels. With
// --threads it does all of that once for each count of rasterizer threads.
//
// Exit status: 0; 1 for a trace that cannot be read or replayed and for an
// output that cannot be written; 2 for a usage error.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "glide.h"
#include "glide_device.h"
#include "support/build_info.h"
#include "support/output_file.h"
#include "trace_replay.h"

namespace {

const char kUsage[] =
    "usage: glide-replay TRACE [--repeat N] [--split] [--threads N[,N...]] [--json FILE]\n"
    "                    [--screenshot FILE.png]\n"
    "  Replays a device trace through the software device and times each frame.\n"
    "  --repeat N         replay the recorded frames N times (default 1)\n"
    "  --split            also replay with rasterization off and report both\n"
    "  --threads N,...    rasterizer threads: replay once with each count (0 to 256, 0:\n"
    "                     all hardware threads; default: TARNVIEW_THREADS, else 0)\n"
    "  --json FILE        write the results as JSON\n"
    "  --screenshot FILE  write the last replayed frame as PNG\n"
    "  --version          print the version\n"
    "Exit status: 0; 1 when the trace cannot be read or replayed or an output\n"
    "cannot be written; 2 for a usage error.\n";
static_assert(glide::kMaxThreads == 256, "the usage text names the device's thread limit");

int UsageError(const std::string& message) {
    std::fprintf(stderr, "glide-replay: %s\ntry 'glide-replay --help'\n", message.c_str());
    return 2;
}

bool ParseCount(const char* text, long low, long high, int* out) {
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < low || value > high) return false;
    *out = static_cast<int>(value);
    return true;
}

bool ParseThreadCounts(const std::string& text, std::vector<int>* out) {
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        int n = 0;
        if (!ParseCount(item.c_str(), 0, glide::kMaxThreads, &n)) return false;
        out->push_back(n);
    }
    return !out->empty() && text.back() != ',';
}

struct Run {
    glide_trace::ReplayResult result;
    glide_trace::TimeSummary summary;
};

// The replays made with one count of rasterizer threads.
struct ThreadRuns {
    int threads = 0;  // as the device resolved it
    Run full;
    Run calls;
};

bool Replay(const glide_trace::TraceFile& trace, int repeat, bool rasterize, Run* run, std::string* error) {
    glide_trace::ReplayOptions options;
    options.repeat = repeat;
    options.rasterize = rasterize;
    if (!glide_trace::ReplayTrace(trace, options, &run->result, error)) return false;
    run->summary = glide_trace::Summarize(run->result.frameSeconds);
    return true;
}

void PrintRun(const std::string& label, const Run& run) {
    const double mtris = run.summary.mean > 0.0 && run.result.framesPerPass > 0
                             ? static_cast<double>(run.result.trianglesPerPass) / run.result.framesPerPass /
                                   run.summary.mean * 1e-6
                             : 0.0;
    std::printf("[%s] frames: %zu  ms/frame min %.3f median %.3f max %.3f mean %.3f  Mtriangles/s: %.3f\n",
                label.c_str(),
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

void JsonRun(tarn::OutputFile& out, const char* name, const Run& run, bool last) {
    out.Printf("     \"%s\": {\"frames\": %zu, \"frame_time_s\": {\"min\": %.9g, \"median\": %.9g, \"max\": %.9g, "
               "\"mean\": %.9g}, \"preamble_s\": %.9g}%s\n",
               name, run.result.frameSeconds.size(), run.summary.min, run.summary.median, run.summary.max,
               run.summary.mean, run.result.preambleSeconds, last ? "" : ",");
}

bool WriteJson(const char* path, const char* tracePath, const glide_trace::TraceFile& trace, int repeat, bool split,
               const std::vector<ThreadRuns>& counts, std::string* error) {
    tarn::OutputFile out(path);
    if (out.Open()) {
        out.Printf("{\n  \"trace\": %s,\n  \"frames_recorded\": %u,\n  \"repeat\": %d,\n",
                   JsonString(tracePath).c_str(), trace.framesRecorded, repeat);
        out.Printf("  \"triangles_per_pass\": %llu,\n  \"thread_counts\": [\n",
                   static_cast<unsigned long long>(trace.triangles));
        for (std::size_t i = 0; i < counts.size(); ++i) {
            out.Printf("    {\"threads\": %d,\n", counts[i].threads);
            JsonRun(out, "device", counts[i].full, !split);
            if (split) JsonRun(out, "no_raster", counts[i].calls, true);
            out.Printf("    }%s\n", i + 1 < counts.size() ? "," : "");
        }
        out.Printf("  ]\n}\n");
        if (out.Commit()) return true;
    }
    *error = out.Error();
    return false;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "glide-replay: %s\n", message.c_str());
    return 1;
}

int Main(int argc, char** argv) {
    const char* tracePath = nullptr;
    const char* jsonPath = nullptr;
    const char* screenshotPath = nullptr;
    int repeat = 1;
    bool split = false;
    std::vector<int> threadCounts;
    bool threadsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s\n", tarn::VersionLine("glide-replay").c_str());
            return 0;
        }
        if (arg == "--split") {
            split = true;
        } else if (arg == "--repeat" || arg == "--json" || arg == "--screenshot" || arg == "--threads") {
            if (i + 1 >= argc) return UsageError(arg + " needs a value");
            const char* value = argv[++i];
            if (arg == "--repeat") {
                if (!ParseCount(value, 1, 1000000, &repeat)) {
                    return UsageError("--repeat wants a whole number from 1 to 1000000");
                }
            } else if (arg == "--threads") {
                threadCounts.clear();
                threadsGiven = true;
                if (!ParseThreadCounts(value, &threadCounts)) {
                    return UsageError("--threads wants whole numbers from 0 to " + std::to_string(glide::kMaxThreads) +
                                      ", comma separated");
                }
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
    if (threadCounts.empty()) {
        const int fromEnvironment = glide::ThreadCountFromEnvironment();
        if (fromEnvironment < 0) {
            return UsageError("TARNVIEW_THREADS wants a whole number from 1 to " + std::to_string(glide::kMaxThreads));
        }
        threadCounts.push_back(fromEnvironment);  // 0: the device's default
    }

    // Outputs are checked before the replay, not after it.
    std::string error;
    for (const char* path : {jsonPath, screenshotPath}) {
        if (path != nullptr && !tarn::CheckOutputPath(path, &error)) return Fail(error);
    }

    // A device or a pipe (/dev/zero) would be read until memory runs out.
    struct stat st;
    if (stat(tracePath, &st) != 0) return Fail(std::string(tracePath) + ": cannot read (" + std::strerror(errno) + ")");
    if (!S_ISREG(st.st_mode)) return Fail(std::string(tracePath) + ": not a trace file (not a regular file)");
    glide_trace::TraceFile trace;
    if (!glide_trace::ReadTraceFile(tracePath, &trace, &error)) return Fail(error);
    // Timing a trace without a frame would report zeros as if it had
    // measured something.
    if (trace.framesRecorded == 0 || trace.firstFrameRecord >= trace.records.size()) {
        return Fail(std::string(tracePath) + ": the trace holds no frame to replay");
    }
    const std::uint32_t frames = trace.framesRecorded;
    std::printf("glide-replay: %s: frames %u..%u, %u recorded, %llu triangles, %zu records\n", tracePath,
                trace.firstFrame, trace.lastFrame, frames, static_cast<unsigned long long>(trace.triangles),
                trace.records.size());

    std::vector<ThreadRuns> counts;
    const bool labelThreads = threadsGiven || threadCounts[0] > 0;
    for (std::size_t c = 0; c < threadCounts.size(); ++c) {
        ThreadRuns runs;
        glide::SetThreadCount(threadCounts[c]);
        if (!Replay(trace, repeat, true, &runs.full, &error)) {
            grGlideShutdown();
            return Fail(std::string(tracePath) + ": " + error);
        }
        runs.threads = glide::ThreadCount();
        const std::string suffix =
            labelThreads ? ", " + std::to_string(runs.threads) + (runs.threads == 1 ? " thread" : " threads") : "";
        PrintRun("device" + suffix, runs.full);
        // The screenshot shows the last frame of the first count's replay.
        if (c == 0 && screenshotPath != nullptr && !glide::WriteScreenshotPng(screenshotPath, &error)) {
            grGlideShutdown();
            return Fail(error);
        }
        grGlideShutdown();
        if (split) {
            if (!Replay(trace, repeat, false, &runs.calls, &error)) {
                grGlideShutdown();
                return Fail(std::string(tracePath) + ": " + error);
            }
            grGlideShutdown();
            PrintRun("no-raster" + suffix, runs.calls);
            std::printf("[split%s] ms/frame (median): calls and set-up %.3f, with rasterization %.3f\n",
                        suffix.c_str(), runs.calls.summary.median * 1e3, runs.full.summary.median * 1e3);
        }
        counts.push_back(runs);
    }

    if (jsonPath != nullptr && !WriteJson(jsonPath, tracePath, trace, repeat, split, counts, &error)) {
        return Fail(error);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "glide-replay: out of memory\n");
        return 1;
    }
}
