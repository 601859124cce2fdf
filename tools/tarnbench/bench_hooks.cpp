// Benchmark hooks of tarnbench-runner, which is the headless runner's own
// entry file linked with the device trace recorder and this file. Two
// environment variables, read before main, switch the hooks on; the plain
// tarnview-headless never sees them.
//
//   TARNBENCH_FRAME_TIMES=FILE       at exit, one line per frame from frame 1
//                                    on: "<frame> <seconds>", the time from
//                                    the swap that ended the frame before to
//                                    the swap that ended this one
//   TARNBENCH_TRACE=FILE:FIRST:LAST  device trace of frames FIRST..LAST
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "glide_trace.h"

namespace {

using Clock = std::chrono::steady_clock;

// Swap times, allocated once before the first frame: the hook only stores.
constexpr std::size_t kMaxSwaps = 1u << 18;
std::vector<Clock::time_point>* swapTimes = nullptr;
std::string frameTimesPath;

void OnSwap(std::uint64_t) {
    if (swapTimes->size() < swapTimes->capacity()) swapTimes->push_back(Clock::now());
}

void WriteFrameTimes() {
    std::FILE* f = std::fopen(frameTimesPath.c_str(), "w");
    if (f == nullptr) {
        std::fprintf(stderr, "tarnbench-runner: %s: cannot write frame times\n", frameTimesPath.c_str());
        return;
    }
    const std::vector<Clock::time_point>& t = *swapTimes;
    for (std::size_t i = 1; i < t.size(); ++i) {
        std::fprintf(f, "%zu %.9f\n", i, std::chrono::duration<double>(t[i] - t[i - 1]).count());
    }
    if (std::fclose(f) != 0) std::fprintf(stderr, "tarnbench-runner: %s: write failed\n", frameTimesPath.c_str());
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
            swapTimes = new std::vector<Clock::time_point>();
            swapTimes->reserve(kMaxSwaps);
            GlideTraceSetSwapHook(OnSwap);
            std::atexit(WriteFrameTimes);
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
