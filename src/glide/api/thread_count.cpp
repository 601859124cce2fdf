// The device's thread count: chosen by the program, resolved at grSstOpen.
#include <cstdlib>
#include <thread>

#include "device.h"
#include "queue/tile_queue.h"

namespace glide {

namespace {
int g_requestedThreads = 0;
}

void SetThreadCount(int count) { g_requestedThreads = count < 0 ? 0 : count; }

int ResolveThreadCount() {
    int n = g_requestedThreads;
    if (n == 0) {
        const unsigned hardware = std::thread::hardware_concurrency();
        n = hardware == 0 ? 1 : static_cast<int>(hardware);
    }
    return n > kMaxThreads ? kMaxThreads : n;
}

bool ThreadCountIsDefault() { return g_requestedThreads == 0; }

int ThreadCount() {
    const Device& d = TheDevice();
    return d.open && d.threads > 0 ? d.threads : ResolveThreadCount();
}

int ThreadCountFromEnvironment() {
    const char* text = std::getenv("TARNVIEW_THREADS");
    if (text == nullptr || *text == '\0') return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > kMaxThreads) return -1;
    return static_cast<int>(value);
}

void Finish() { SyncTileQueue(Access::kFinish); }

}  // namespace glide
