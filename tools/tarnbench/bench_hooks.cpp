// Benchmark hooks of tarnbench-runner, which is the headless runner's own
// entry file linked with the device trace recorder and this file. Two
// environment variables, read before main, switch the hooks on; the plain
// tarnview-headless never sees them.
//
//   TARNBENCH_FRAME_TIMES=FILE       at exit, one line per frame from frame 1
//                                    on: "<frame> <seconds>", the time from
//                                    the swap that ended the frame before to
//                                    the swap that ended this one
//   TARNBENCH_DEVICE_TIME=1          with the above, each line also gets
//                                    "<device seconds> <device calls>": the
//                                    time the program spent inside the
//                                    device's calls during that frame (the
//                                    rest of the frame is its own work), and
//                                    a first line "# clock_ns <ns>" gives what
//                                    one reading of the timing's clock costs
//   TARNBENCH_TRACE=FILE:FIRST:LAST  device trace of frames FIRST..LAST
//   TARNBENCH_PATH_COUNTERS=FILE     at exit, the device's path counters of
//                                    the whole run as one JSON object (see
//                                    glide::PathCounters)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glide_device.h"
#include "glide_trace.h"
#include "support/output_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the hook keeps at each swap: the time, and the running totals of
// the device-call timing (zero while it is off).
struct Swap {
    Clock::time_point time;
    GlideTraceDeviceTime device;
};

// Allocated once before the first frame: the hook only stores.
constexpr std::size_t kMaxSwaps = 1u << 18;
std::vector<Swap>* swaps = nullptr;
std::string frameTimesPath;
bool deviceTime = false;
double clockNanoseconds = 0.0;

void OnSwap(std::uint64_t) {
    if (swaps->size() < swaps->capacity()) swaps->push_back(Swap{Clock::now(), GlideTraceDeviceTimeSoFar()});
}

// A lost frame-time file would leave the suite without its figures: a
// failure to write it ends the program with status 1.
void WriteFrameTimes() {
    tarn::OutputFile out(frameTimesPath);
    bool ok = out.Open();
    if (ok && deviceTime) ok = out.Printf("# clock_ns %.2f\n", clockNanoseconds);
    const std::vector<Swap>& t = *swaps;
    for (std::size_t i = 1; ok && i < t.size(); ++i) {
        ok = out.Printf("%zu %.9f", i, std::chrono::duration<double>(t[i].time - t[i - 1].time).count());
        if (ok && deviceTime) {
            const std::uint64_t ns = t[i].device.nanoseconds - t[i - 1].device.nanoseconds;
            const std::uint64_t calls = t[i].device.calls - t[i - 1].device.calls;
            ok = out.Printf(" %.9f %llu", static_cast<double>(ns) * 1e-9, static_cast<unsigned long long>(calls));
        }
        if (ok) ok = out.Write("\n");
    }
    if (!ok || !out.Commit()) {
        std::fprintf(stderr, "tarnbench-runner: %s\n", out.Error().c_str());
        std::_Exit(1);
    }
}

std::string pathCountersPath;

void WritePathCounters() {
    const glide::PathCounters p = glide::GetCounters().paths;
    const struct {
        const char* name;
        std::uint64_t value;
    } fields[] = {
        {"batch_triangles", p.batchTriangles},
        {"batch_pixels", p.batchPixels},
        {"block_triangles", p.blockTriangles},
        {"block_pixels", p.blockPixels},
        {"vector_span_triangles", p.vectorSpanTriangles},
        {"vector_span_pixels", p.vectorSpanPixels},
        {"scalar_span_triangles", p.scalarSpanTriangles},
        {"scalar_span_pixels", p.scalarSpanPixels},
        {"generic_triangles", p.genericTriangles},
        {"generic_pixels", p.genericPixels},
        {"batch_declined", p.batchDeclined},
        {"block_declined", p.blockDeclined},
        {"span_overflows", p.spanOverflows},
    };
    tarn::OutputFile out(pathCountersPath);
    bool ok = out.Open() && out.Write("{");
    for (std::size_t i = 0; ok && i < sizeof fields / sizeof fields[0]; ++i) {
        ok = out.Printf("%s\"%s\": %llu", i == 0 ? "" : ", ", fields[i].name,
                        static_cast<unsigned long long>(fields[i].value));
    }
    if (!ok || !out.Write("}\n") || !out.Commit()) {
        std::fprintf(stderr, "tarnbench-runner: %s\n", out.Error().c_str());
        std::_Exit(1);
    }
}

[[noreturn]] void Refuse(const std::string& message) {
    std::fprintf(stderr, "tarnbench-runner: %s\n", message.c_str());
    std::exit(2);
}

bool ParseFrame(const std::string& text, std::uint32_t* out) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v > 0xFFFFFFFFull) return false;
    *out = static_cast<std::uint32_t>(v);
    return true;
}

struct Hooks {
    Hooks() {
        if (const char* path = std::getenv("TARNBENCH_FRAME_TIMES"); path != nullptr && *path != '\0') {
            frameTimesPath = path;
            swaps = new std::vector<Swap>();
            swaps->reserve(kMaxSwaps);
            if (const char* on = std::getenv("TARNBENCH_DEVICE_TIME"); on != nullptr && std::strcmp(on, "1") == 0) {
                deviceTime = true;
                GlideTraceTimeDeviceCalls(true);
                clockNanoseconds = GlideTraceDeviceClockNanoseconds();
            }
            GlideTraceSetSwapHook(OnSwap);
            std::atexit(WriteFrameTimes);
        }
        if (const char* path = std::getenv("TARNBENCH_PATH_COUNTERS"); path != nullptr && *path != '\0') {
            pathCountersPath = path;
            // The device's state is made before the exit handler is
            // registered, so that it is still there when the handler runs.
            (void)glide::GetCounters();
            std::atexit(WritePathCounters);
        }
        if (const char* recipe = std::getenv("TARNBENCH_TRACE"); recipe != nullptr && *recipe != '\0') {
            // FILE:FIRST:LAST, split at the last two colons so the file name
            // may hold colons itself.
            const std::string text = recipe;
            const std::size_t second = text.rfind(':');
            const std::size_t first = second == std::string::npos || second == 0 ? std::string::npos
                                                                                  : text.rfind(':', second - 1);
            std::uint32_t a = 0, b = 0;
            if (first == std::string::npos || first == 0 || !ParseFrame(text.substr(first + 1, second - first - 1), &a) ||
                !ParseFrame(text.substr(second + 1), &b)) {
                Refuse("TARNBENCH_TRACE wants FILE:FIRST:LAST, got \"" + text + "\"");
            }
            if (!GlideTraceConfigure(text.substr(0, first).c_str(), a, b)) Refuse(GlideTraceError());
        }
    }
};

const Hooks hooks;

}  // namespace
