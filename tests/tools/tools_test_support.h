// Helpers of the tools tests: a scratch folder per test, and loading a
// converted file with the viewer's own loaders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "scene/records.h"

namespace tools_test {

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
