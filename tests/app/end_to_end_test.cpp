// Runs the headless program on a tiny scene and checks what it prints,
// writes and returns.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

class HeadlessProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tarnview_e2e_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        fs::copy_file(fs::path(TARNVIEW_SOURCE_DIR) / "examples/fonts/ffont.3df", dir_ / "ffont.3df",
                      fs::copy_options::overwrite_existing);
        Write("empty.scn",
              "Actor Database\n"
              "Actors: 0\n"
              "Camera: X: 0 Y: 0 Z: -100\n"
              "Light List:\n"
              "Actor list:\n"
              "End Database\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }

    std::string Read(const std::string& name) {
        std::ifstream in(dir_ / name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs the program in the scene folder; returns its exit status.
    int Run(const std::string& args) {
        const std::string command = "cd '" + dir_.string() + "' && '" + std::string(TARNVIEW_BINARY_DIR) +
                                    "/tarnview-headless' " + args + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
};

TEST_F(HeadlessProgramTest, RendersCountedFramesAndWritesReportAndScreenshot) {
    ASSERT_EQ(Run("--frames 5 --no-calibrate --report r.json --screenshot s.png --dump-scene d.json empty.scn"), 0)
        << Read("err.txt");
    const std::string out = Read("out.txt");
    EXPECT_THAT(out, HasSubstr("Performance Results\nMax frame time: "));
    EXPECT_THAT(out, HasSubstr("Counted: 5 frames. Clockrate: 1000.00 MHz\n"));
    const std::string report = Read("r.json");
    EXPECT_THAT(report, HasSubstr("\"frames\":5,\"clock_rate_hz\":1e+09,"));
    EXPECT_THAT(report, HasSubstr("\"triangles\":"));
    EXPECT_GT(fs::file_size(dir_ / "s.png"), 100u);
    EXPECT_THAT(Read("d.json"), HasSubstr("\"specularity\""));
}

TEST_F(HeadlessProgramTest, ZeroFramesPressesEscapeBeforeAnyFrame) {
    ASSERT_EQ(Run("--frames 0 --no-calibrate empty.scn"), 0);
    EXPECT_THAT(Read("out.txt"), HasSubstr("Min fps: inf, Avg. fps: inf, Max fps: 0.000000\nCounted: 0 frames."));
}

TEST_F(HeadlessProgramTest, ScriptedKeysReachTheWindow) {
    // F12 ends the run after two frames, before the frame limit.
    Write("keys.txt", "# two frames, then the report\n2 key F12\n");
    ASSERT_EQ(Run("--frames 100 --no-calibrate --script keys.txt empty.scn"), 0);
    EXPECT_THAT(Read("out.txt"), HasSubstr("Counted: 2 frames."));
}

TEST_F(HeadlessProgramTest, MissingSceneIsAFatalErrorWithStatusOne) {
    EXPECT_EQ(Run("--frames 5 --no-calibrate missing.scn"), 1);
    EXPECT_THAT(Read("err.txt"), HasSubstr("Tarnview ERROR!\nThe file \"missing.scn\" could not be opened!"));
    EXPECT_THAT(Read("out.txt"), ::testing::Not(HasSubstr("Performance Results")));
}

TEST_F(HeadlessProgramTest, UsageAndScriptErrorsExitWithTwo) {
    EXPECT_EQ(Run("--frames nope"), 2);
    EXPECT_THAT(Read("err.txt"), HasSubstr("try tarnview-headless --help"));
    Write("bad.txt", "0 key F3\n1 key NOSUCHKEY\n");
    EXPECT_EQ(Run("--no-calibrate --script bad.txt empty.scn"), 2);
    EXPECT_THAT(Read("err.txt"), HasSubstr("bad.txt:2: unknown virtual key \"NOSUCHKEY\""));
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_THAT(Read("out.txt"), HasSubstr("usage: tarnview-headless"));
}

TEST_F(HeadlessProgramTest, WindowedProgramWithoutADisplayFindsNoBoard) {
    // The windowed program calibrates its clock first (five to six seconds).
    const std::string command = "cd '" + dir_.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" +
                                std::string(TARNVIEW_BINARY_DIR) + "/tarnview' empty.scn >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(Read("err.txt"), HasSubstr("Tarnview ERROR!\nERROR: no Voodoo Graphics!\n"));
    EXPECT_EQ(Read("out.txt"), "");
}

}  // namespace
