// A fresh folder per test under the system's temporary folder, named after
// the test and the test program's process (so that test runs of two build
// trees at once never share one), and removed afterwards; shared by the test folders that write
// files. The headers here are shared; the .cpp files test src/support.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace test_support {

class ScratchDir {
public:
    // prefix tells the test folders apart: "scene", "tools", ...
    explicit ScratchDir(const std::string& prefix) {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        // Paths end up inside scene lines, which the reader splits after 99
        // characters: the test's name is cut short, and a counter keeps two
        // folders of one test apart.
        static int made = 0;
        std::string test = std::string(info->test_suite_name()) + "-" + info->name();
        if (test.size() > kTestNameChars) test.resize(kTestNameChars);
        std::string name = "tarnview-" + prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(++made) + "-" +
                           test;
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes text as is (no line-end translation) and returns the full path.
    std::string Write(const std::string& name, const std::string& text) const {
        std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return file.string();
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // The folder with a final "/", as an ObjectFilePath value.
    std::string Dir() const { return path_.string() + "/"; }

private:
    static constexpr std::size_t kTestNameChars = 24;
    std::filesystem::path path_;
};

}  // namespace test_support
