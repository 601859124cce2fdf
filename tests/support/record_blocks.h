// Loading never frees; a test that loads releases what it loaded, so that
// leak checkers see only real leaks. Every block of records a load makes is
// watched from the start of the test program and released on request.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/record_allocation.h"

namespace test_support {

struct WatchedBlock {
    void* block;
    std::size_t bytes;
    void (*release)(void*, std::size_t);
};

inline std::vector<WatchedBlock>& WatchedBlocks() {
    static std::vector<WatchedBlock> blocks;
    return blocks;
}

inline const bool kWatchingRecordBlocks = [] {
    gRecordBlockWatcher = [](void* block, std::size_t bytes, void (*release)(void*, std::size_t)) {
        WatchedBlocks().push_back({block, bytes, release});
    };
    return true;
}();

// Releases every block of records loaded so far (the actors, lights and
// objects arrays too): the test's scene must not be used afterwards.
inline void ReleaseRecordBlocks() {
    for (const WatchedBlock& b : WatchedBlocks()) b.release(b.block, b.bytes);
    WatchedBlocks().clear();
}

}  // namespace test_support
