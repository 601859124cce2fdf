// Counts heap allocations while switched on (the test program replaces the
// global operator new), to check that the frame loop allocates nothing.
#pragma once

#include <cstddef>

extern bool CountAllocations;
extern std::size_t AllocationCount;
