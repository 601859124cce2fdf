#include "allocation_counter.h"

#include <cstdlib>
#include <new>

bool CountAllocations = false;
std::size_t AllocationCount = 0;

void* operator new(std::size_t size) {
    if (CountAllocations) ++AllocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return operator new(size); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
