// Runs the headless program on a tiny scene and checks what it prints,
// writes and returns.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program_fixture.h"

using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

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

// /dev/stdout names the program's own stdout: the report follows what was
// printed there, and /dev/stdout and a link to a file stay links.
TEST_F(HeadlessProgramTest, OutputsThroughLinksKeepTheLinks) {
    fs::create_directories(dir_ / "real");
    Write("real/r.json", "old");
    fs::create_symlink("real/r.json", dir_ / "link.json");
    ASSERT_EQ(Run("--frames 1 --no-calibrate --report /dev/stdout --dump-scene link.json empty.scn"), 0)
        << Read("err.txt");
    EXPECT_THAT(Read("out.txt"), ::testing::ContainsRegex("Counted: 1 frames\\..*\n\\{\"frames\":1,"));
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.json"));
    EXPECT_THAT(Read("real/r.json"), HasSubstr("\"specularity\""));
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

TEST_F(HeadlessProgramTest, WindowedProgramWithoutADisplayFindsNoBoardAndSaysWhatToDo) {
    // At once: no clock calibration for a run that cannot show anything.
    const std::string command = "cd '" + dir_.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" +
                                std::string(TARNVIEW_BINARY_DIR) + "/tarnview' empty.scn >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(Read("err.txt"), HasSubstr("Tarnview ERROR!\nERROR: no Voodoo Graphics!\n"
                                           "tarnview: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): "
                                           "without one, run tarnview-headless, `tarnconv view --headless`, or the "
                                           "window under a virtual display: xvfb-run -a tarnview\n"));
    EXPECT_EQ(Read("out.txt"), "");
}

TEST_F(HeadlessProgramTest, OutputsThatCannotBeWrittenFailWithTheReason) {
    // Checked before the first frame: nothing runs, nothing is reported.
    for (const char* args : {"--report nodir/r.json", "--dump-scene . ", "--record nodir/f.txt",
                             "--script shot.txt", "--trace nodir/t.trace"}) {
        Write("shot.txt", "1 screenshot nodir/s.png\n");
        EXPECT_EQ(Run(std::string("--frames 2 --no-calibrate ") + args + " empty.scn"), 1) << args;
        EXPECT_THAT(Read("err.txt"), HasSubstr(": cannot write (")) << args;
        EXPECT_EQ(Read("out.txt"), "") << args;
    }
    // Failing while written: the run completes and the status says so.
    for (const char* args : {"--screenshot /dev/full", "--trace /dev/full", "--report /dev/full",
                             "--record /dev/full", "--dump-scene /dev/full", "--script full.txt"}) {
        Write("full.txt", "1 screenshot /dev/full\n");
        EXPECT_EQ(Run(std::string("--frames 2 --no-calibrate ") + args + " empty.scn"), 1) << args;
        EXPECT_THAT(Read("err.txt"), HasSubstr("/dev/full: cannot write (No space left on device)")) << args;
        EXPECT_THAT(Read("out.txt"), HasSubstr("Counted: 2 frames."));
    }
}

TEST_F(HeadlessProgramTest, RunsInAnotherFolderAndNamesTheWorkingFolderAfterAFatalError) {
    std::filesystem::create_directories(dir_ / "elsewhere");
    EXPECT_EQ(Run("-C elsewhere --frames 1 --no-calibrate empty.scn"), 1);
    EXPECT_THAT(Read("err.txt"), HasSubstr("Tarnview ERROR!\nFont file not found!\n"
                                           "tarnview-headless: files are read from the working folder " +
                                           (dir_ / "elsewhere").string() + "; -C DIR runs in another folder\n"
                                           "tarnview-headless: the font file ffont.3df is read there; the project "
                                           "keeps it in examples/fonts/ffont.3df"));
    // Every other path is relative to the folder changed to.
    EXPECT_EQ(Run("-C elsewhere -C .. --frames 1 --no-calibrate --report elsewhere/r.json empty.scn"), 0)
        << Read("err.txt");
    EXPECT_THAT(Read("elsewhere/r.json"), HasSubstr("\"frames\":1,"));
    EXPECT_EQ(Run("-C nowhere empty.scn"), 2);
    EXPECT_THAT(Read("err.txt"), HasSubstr("-C nowhere: cannot change to it (No such file or directory)"));
}

TEST_F(HeadlessProgramTest, ThreadCountFromOptionOrEnvironmentReachesTheReport) {
    ASSERT_EQ(RunProgram("tarnview-headless", "--frames 1 --no-calibrate --threads 1 --report r.json empty.scn",
                         "TARNVIEW_THREADS=2"),
              0);
    EXPECT_THAT(Read("r.json"), HasSubstr("\"threads\":1}"));
    ASSERT_EQ(RunProgram("tarnview-headless", "--frames 1 --no-calibrate --report r.json empty.scn",
                         "TARNVIEW_THREADS=2"),
              0);
    EXPECT_THAT(Read("r.json"), HasSubstr("\"threads\":2}"));
    EXPECT_EQ(RunProgram("tarnview-headless", "--frames 1 empty.scn", "TARNVIEW_THREADS=0"), 2);
    EXPECT_THAT(Read("err.txt"), HasSubstr("TARNVIEW_THREADS wants a whole number from 1 to 256"));
    EXPECT_EQ(RunProgram("tarnview", "--threads x empty.scn"), 2);
    EXPECT_THAT(Read("err.txt"), HasSubstr("try tarnview --help"));
}

TEST_F(HeadlessProgramTest, EveryProgramAnswersVersionAndHelpAtOnceUnderItsOwnName) {
    for (const char* program : {"tarnview", "tarnview-headless", "tarnbench-runner"}) {
        if (!std::filesystem::exists(std::string(TARNVIEW_BINARY_DIR) + "/" + program)) continue;
        // No display, no calibration, no scene named "--help".
        EXPECT_EQ(RunProgram(program, "--version", "env -u DISPLAY"), 0) << program;
        EXPECT_THAT(Read("out.txt"), ::testing::StartsWith(std::string(program) + " ")) << program;
        EXPECT_THAT(Read("out.txt"), HasSubstr("(git ")) << program;
        EXPECT_EQ(RunProgram(program, "--help", "env -u DISPLAY"), 0) << program;
        EXPECT_THAT(Read("out.txt"), HasSubstr(std::string("usage: ") + program)) << program;
        EXPECT_EQ(Read("err.txt"), "") << program;
    }
    EXPECT_EQ(RunProgram("tarnview", "--bogus empty.scn"), 2);
}

}  // namespace
