#include "platform/cycle_counter.h"

#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define TARNVIEW_HAS_TSC 1
#else
#define TARNVIEW_HAS_TSC 0
#endif

namespace {

CycleSource activeSource = TARNVIEW_HAS_TSC ? CycleSource::TimeStampCounter : CycleSource::MonotonicNanoseconds;

std::uint64_t ReadNanoseconds() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

}  // namespace

bool HasTimeStampCounter() { return TARNVIEW_HAS_TSC != 0; }

void SetCycleSource(CycleSource source) {
    activeSource = HasTimeStampCounter() ? source : CycleSource::MonotonicNanoseconds;
}

CycleSource ActiveCycleSource() { return activeSource; }

std::uint64_t ReadCycleCounter() {
#if TARNVIEW_HAS_TSC
    if (activeSource == CycleSource::TimeStampCounter) return __rdtsc();
#endif
    return ReadNanoseconds();
}
