// Helpers of the tools tests: a scratch folder per test, and loading a
// converted file with the viewer's own loaders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scene/records.h"

namespace tools_test {

// The viewer keeps what its loaders allocate for the whole run and never
// frees it; tests that load keep it too, so the leak check sees it reachable.
// The list is never destroyed: the leak check runs after static destructors.
inline void KeepForTheRun(void* records) {
    static auto* kept = new std::vector<void*>();
    kept->push_back(records);
}


class ScratchDir {
public:
    ScratchDir() {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tarnview-tools-") + info->test_suite_name() + "-" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Dir() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

// Opens the headless device so that the loaders can download textures.
void OpenDevice();

}  // namespace tools_test
