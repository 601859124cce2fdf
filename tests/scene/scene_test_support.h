// Shared helpers of the scene tests: a scratch folder per test, files
// written into it, regular expressions for the exact fatal messages, and
// the device opened for texture loading.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "glide.h"
#include "scene/record_allocation.h"
#include "scene/records.h"
#include "support/headless_device.h"
#include "support/scratch_dir.h"

namespace scene_test {

// A scratch folder per test, named "tarnview-scene-<suite>-<test>".
class ScratchDir : public test_support::ScratchDir {
public:
    ScratchDir() : test_support::ScratchDir("scene") {}
};

// A regular expression that matches text literally.
inline std::string Literal(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

inline std::string SyntaxError(int line, const std::string& file, const std::string& keyword) {
    return Literal("Syntax error in line " + std::to_string(line) + " of file \"" + file + "\":\nExpected: \"" +
                   keyword + "\"\n");
}

inline std::string EofError(const std::string& file) { return Literal("EOF encountered in file " + file + "!\n"); }

// The bare message "error" (a scan with too few values) on its own line.
inline std::string ScanError() { return "ERROR!\\s+error\\s*$"; }

// Loading never frees; tests release what they loaded so that leak checkers
// see only real leaks. Every block of records a load makes is watched from
// the start of the test program and released here.
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

// Releases every block of records loaded so far: one actor's or one
// scene's, as the tests load one at a time.
inline void ReleaseRecordBlocks() {
    for (const WatchedBlock& b : WatchedBlocks()) b.release(b.block, b.bytes);
    WatchedBlocks().clear();
}

// Leaves the actor with no objects; its records go with every other block.
inline void ReleaseActor(Actor& actor) {
    actor.objects = nullptr;
    actor.objectCount = 0;
    ReleaseRecordBlocks();
}

inline void ReleaseScene(Actor*& actors, int actorCount, Light*& lights) {
    for (int a = 0; a < actorCount && actors != nullptr; ++a) actors[a].objects = nullptr;
    actors = nullptr;
    lights = nullptr;
    ReleaseRecordBlocks();
}

// Opens the headless device so that textures can be downloaded.
inline void OpenDevice() { test_support::OpenHeadlessDevice(); }

}  // namespace scene_test
