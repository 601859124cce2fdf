// The device's thread count: chosen by the program, resolved at grSstOpen.
// (Inline rasterization only for now: workers come with the tile binner.)
#include <cstdlib>
#include <thread>

#include "device.h"

namespace glide {

namespace {
int g_requestedThreads = 0;
}

void SetThreadCount(int count) { g_requestedThreads = count < 0 ? 0 : count; }

int ThreadCount() {
    if (g_requestedThreads > 0) return g_requestedThreads;
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : static_cast<int>(hardware);
}

int ThreadCountFromEnvironment() {
    const char* text = std::getenv("TARNVIEW_THREADS");
    if (text == nullptr || *text == '\0') return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > 256) return -1;
    return static_cast<int>(value);
}

void Finish() {}

}  // namespace glide
