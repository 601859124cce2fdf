// Counts the global operator new calls made while a probe is alive, so a
// test can show that a frame's work allocates nothing. One counter for the
// test programs that check it (app_tests, render_tests: their tests.cmake
// adds allocation_counter.cpp), which replaces the program's operator new.
#pragma once

namespace test_support {

class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    // operator new calls since the probe was made (by any thread).
    long Count() const;

private:
    long start_;
};

}  // namespace test_support
