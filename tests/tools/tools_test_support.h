// Helpers of the tools tests: a scratch folder per test, and loading a
// converted file with the viewer's own loaders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scene/records.h"
#include "support/scratch_dir.h"

namespace tools_test {

// The viewer keeps what its loaders allocate for the whole run and never
// frees it; tests that load keep it too, so the leak check sees it reachable.
// The list is never destroyed: the leak check runs after static destructors.
inline void KeepForTheRun(void* records) {
    static auto* kept = new std::vector<void*>();
    kept->push_back(records);
}

// A scratch folder per test, named "tarnview-tools-<pid>-<n>-<test>".
class ScratchDir : public test_support::ScratchDir {
public:
    ScratchDir() : test_support::ScratchDir("tools") {}
};

// Opens the headless device so that the loaders can download textures.
void OpenDevice();

}  // namespace tools_test
