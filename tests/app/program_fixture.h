// Runs the programs in a fresh folder holding the font and an empty scene,
// and reads back what they printed and wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class HeadlessProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tarnview_e2e_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        std::filesystem::copy_file(std::filesystem::path(TARNVIEW_SOURCE_DIR) / "examples/fonts/ffont.3df", dir_ / "ffont.3df",
                      std::filesystem::copy_options::overwrite_existing);
        Write("empty.scn",
              "Actor Database\n"
              "Actors: 0\n"
              "Camera: X: 0 Y: 0 Z: -100\n"
              "Light List:\n"
              "Actor list:\n"
              "End Database\n");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }

    std::string Read(const std::string& name) {
        std::ifstream in(dir_ / name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs the program in the scene folder; returns its exit status.
    int Run(const std::string& args) { return RunProgram("tarnview-headless", args); }

    // Any program of the build, with a prefix (environment) before it.
    int RunProgram(const std::string& program, const std::string& args, const std::string& prefix = "") {
        const std::string command = "cd '" + dir_.string() + "' && " + prefix + " '" +
                                    std::string(TARNVIEW_BINARY_DIR) + "/" + program + "' " + args +
                                    " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path dir_;
};

