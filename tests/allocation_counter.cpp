// Replaces the plain global operator new and delete of the test program
// with counting ones on top of malloc and free. The aligned forms
// keep the library's own pair, so every pointer is freed by the family that
// made it.
#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// Atomic: the device's worker threads share the program's operator new.
std::atomic<long> allocations{0};
std::atomic<int> activeProbes{0};

void* Allocate(std::size_t size) {
    if (activeProbes > 0) ++allocations;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace test_support {

AllocationProbe::AllocationProbe() : start_(allocations) { ++activeProbes; }
AllocationProbe::~AllocationProbe() { --activeProbes; }
long AllocationProbe::Count() const { return allocations - start_; }

}  // namespace test_support
