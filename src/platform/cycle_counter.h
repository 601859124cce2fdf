// The processor's cycle counter as frame timing reads it: the full 64-bit
// time-stamp counter, or (for runs that must not spend seconds calibrating)
// a monotonic nanosecond clock that stands in for a 1 GHz counter.
#pragma once

#include <cstdint>

enum class CycleSource { TimeStampCounter, MonotonicNanoseconds };

// Starts as TimeStampCounter where the processor has one, else nanoseconds.
void SetCycleSource(CycleSource source);
CycleSource ActiveCycleSource();
bool HasTimeStampCounter();

std::uint64_t ReadCycleCounter();
