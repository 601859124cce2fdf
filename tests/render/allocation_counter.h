// Counts the global operator new calls made while a probe is alive, so a
// test can show that a frame's work allocates nothing.
#pragma once

namespace render_test {

class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    // operator new calls since the probe was made.
    long Count() const;

private:
    long start_;
};

}  // namespace render_test
