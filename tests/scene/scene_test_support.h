// Shared helpers of the scene tests: a scratch folder per test, files
// written into it, regular expressions for the exact fatal messages, and
// the device opened for texture loading.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "glide.h"
#include "scene/records.h"
#include "support/headless_device.h"
#include "support/record_blocks.h"
#include "support/scratch_dir.h"

namespace scene_test {

// A scratch folder per test, named "tarnview-scene-<pid>-<n>-<test>".
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
// see only real leaks (as they load one actor or scene at a time).
using test_support::ReleaseRecordBlocks;

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
