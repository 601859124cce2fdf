// Command lines of glide-replay and benchgen: results written where asked,
// usage errors and bad files answered with a message and a status, and the
// recorder's swap hook and device-call timing that the suite's per-frame
// timing and split rest on.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "glide.h"
#include "glide_trace.h"

namespace {

const std::string kBuild = TARNVIEW_BINARY_DIR;

std::string LogPath() {
    return kBuild + "/tests/tools_cli_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
}

int Shell(const std::string& command) {
    const int status = std::system((command + " > " + LogPath() + " 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Log() { return ReadText(LogPath()); }

std::uint64_t hookCalls = 0;
std::uint64_t lastSwaps = 0;
void CountSwap(std::uint64_t swaps) {
    ++hookCalls;
    lastSwaps = swaps;
}

void OpenDevice() {
    GrHwConfiguration hw{};
    grGlideInit();
    grSstQueryHardware(&hw);
    grSstSelect(0);
    grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
              GR_SMOOTHING_DISABLE, 2);
}

void Frame(float shift) {
    grBufferClear(0x00102030, 0, 0xFFFF);
    GrVertex a{}, b{}, c{};
    a.x = 10 + shift, a.y = 10, b.x = 300, b.y = 40 + shift, c.x = 100, c.y = 400;
    for (GrVertex* v : {&a, &b, &c}) v->oow = 1.0f, v->r = 200, v->g = 100, v->b = 50, v->a = 255;
    grDrawTriangle(&a, &b, &c);
    grBufferSwap(1);
}

}  // namespace

TEST(ToolCommandLines, GlideReplayWritesJsonAndScreenshotAndRefusesBadInput) {
    const std::string trace = kBuild + "/tests/cli_replay.trace";
    OpenDevice();
    const auto first = static_cast<std::uint32_t>(GlideTraceFrameCounter());
    ASSERT_TRUE(GlideTraceConfigure(trace.c_str(), first, first + 2)) << GlideTraceError();
    for (int i = 0; i < 3; ++i) Frame(static_cast<float>(i) * 5.0f);
    grGlideShutdown();

    const std::string json = kBuild + "/tests/cli_replay.json", png = kBuild + "/tests/cli_replay.png";
    std::filesystem::remove(json);
    std::filesystem::remove(png);
    ASSERT_EQ(Shell(kBuild + "/glide-replay " + trace + " --repeat 2 --split --json " + json + " --screenshot " + png),
              0)
        << Log();
    EXPECT_NE(Log().find("[device] frames: 6"), std::string::npos) << Log();
    EXPECT_NE(Log().find("[split]"), std::string::npos) << Log();
    const std::string results = ReadText(json);
    EXPECT_NE(results.find("\"frames_recorded\": 3"), std::string::npos) << results;
    EXPECT_NE(results.find("\"triangles_per_pass\": 3"), std::string::npos) << results;
    EXPECT_NE(results.find("\"no_raster\""), std::string::npos) << results;
    EXPECT_GT(std::filesystem::file_size(png), 100u);

    EXPECT_EQ(Shell(kBuild + "/glide-replay"), 2);
    EXPECT_NE(Log().find("try 'glide-replay --help'"), std::string::npos) << Log();
    EXPECT_EQ(Shell(kBuild + "/glide-replay " + trace + " --repeat 0"), 2);
    EXPECT_EQ(Shell(kBuild + "/glide-replay " + kBuild + "/CMakeCache.txt"), 1);
    EXPECT_NE(Log().find("not a Tarnview device trace"), std::string::npos) << Log();
    EXPECT_EQ(Shell(kBuild + "/glide-replay --help"), 0);

    // Each thread count replays the same frames; outputs are checked.
    ASSERT_EQ(Shell(kBuild + "/glide-replay " + trace + " --threads 1,2 --split --json " + json), 0) << Log();
    EXPECT_NE(Log().find("[device, 2 threads] frames: 3"), std::string::npos) << Log();
    EXPECT_NE(ReadText(json).find("{\"threads\": 2,"), std::string::npos) << ReadText(json);
    // 0: all hardware threads, as in the other programs.
    ASSERT_EQ(Shell(kBuild + "/glide-replay " + trace + " --threads 0"), 0) << Log();
    EXPECT_NE(Log().find("[device, "), std::string::npos) << Log();  // the count the device chose
    EXPECT_EQ(Shell(kBuild + "/glide-replay " + trace + " --threads 257"), 2);
    EXPECT_NE(Log().find("--threads wants whole numbers from 0 to 256"), std::string::npos) << Log();
    // A device or pipe is refused, not read until memory runs out.
    EXPECT_EQ(Shell(kBuild + "/glide-replay /dev/zero"), 1);
    EXPECT_NE(Log().find("glide-replay: /dev/zero: not a trace file (not a regular file)"), std::string::npos)
        << Log();
    EXPECT_EQ(Shell(kBuild + "/glide-replay " + trace + " --json /dev/full"), 1);
    EXPECT_NE(Log().find("/dev/full: cannot write ("), std::string::npos) << Log();
    EXPECT_EQ(Shell(kBuild + "/glide-replay " + trace + " --screenshot /nonexistent-dir/x.png"), 1);
    EXPECT_EQ(Log().find("[device]"), std::string::npos) << Log();  // refused before the replay
    EXPECT_EQ(Shell(kBuild + "/glide-replay --version"), 0);
    EXPECT_NE(Log().find("glide-replay 0.3.0 (git "), std::string::npos) << Log();

    // A trace that ended before its first frame holds nothing to time.
    const std::string empty = kBuild + "/tests/cli_replay_empty.trace";
    OpenDevice();
    const auto now = static_cast<std::uint32_t>(GlideTraceFrameCounter());
    ASSERT_TRUE(GlideTraceConfigure(empty.c_str(), now + 50, now + 60)) << GlideTraceError();
    grGlideShutdown();
    ASSERT_TRUE(GlideTraceFinish()) << GlideTraceError();
    EXPECT_EQ(Shell(kBuild + "/glide-replay " + empty), 1);
    EXPECT_NE(Log().find("the trace holds no frame to replay"), std::string::npos) << Log();
}

TEST(ToolCommandLines, BenchgenSkipsUpToDateScenesAndRefusesBadOptions) {
    const std::string dir = kBuild + "/tests/cli_benchgen";
    std::filesystem::remove_all(dir);
    ASSERT_EQ(Shell(kBuild + "/benchgen --faces 500 --actors 2 --out " + dir), 0) << Log();
    EXPECT_NE(Log().find("faces (2 actors"), std::string::npos) << Log();
    ASSERT_EQ(Shell(kBuild + "/benchgen --faces 500 --actors 2 --out " + dir), 0) << Log();
    EXPECT_NE(Log().find("is up to date"), std::string::npos) << Log();
    // A different flight is a different scene.
    ASSERT_EQ(Shell(kBuild + "/benchgen --faces 500 --actors 2 --path-frames 40 --out " + dir), 0) << Log();
    EXPECT_EQ(Log().find("is up to date"), std::string::npos) << Log();

    // Every scene carries the font, written again when it went missing.
    EXPECT_TRUE(std::filesystem::exists(dir + "/ffont.3df"));
    std::filesystem::remove(dir + "/ffont.3df");
    ASSERT_EQ(Shell(kBuild + "/benchgen --faces 500 --actors 2 --path-frames 40 --out " + dir), 0) << Log();
    EXPECT_NE(Log().find("is up to date"), std::string::npos) << Log();
    EXPECT_GT(std::filesystem::file_size(dir + "/ffont.3df"), 1000u);

    EXPECT_EQ(Shell(kBuild + "/benchgen --faces 50 --out " + dir), 2);
    EXPECT_NE(Log().find("--faces wants a whole number from 100 to 4000000"), std::string::npos) << Log();
    EXPECT_EQ(Shell(kBuild + "/benchgen --faces 1000"), 2);
    EXPECT_EQ(Shell(kBuild + "/benchgen --suite " + dir + " --faces 1000"), 2);
    for (const char* bogus : {" --bogus 1", " --bogus"}) {
        EXPECT_EQ(Shell(kBuild + "/benchgen" + bogus), 2);
        EXPECT_NE(Log().find("unknown option --bogus"), std::string::npos) << Log();
    }
    EXPECT_EQ(Shell(kBuild + "/benchgen --actors two --out " + dir), 2);
    EXPECT_NE(Log().find("--actors wants a whole number from 1 to 16"), std::string::npos) << Log();
    EXPECT_EQ(Shell(kBuild + "/benchgen --faces 500 --font /nonexistent.3df --out " + dir), 1);
    EXPECT_NE(Log().find("/nonexistent.3df: cannot read the font"), std::string::npos) << Log();
    EXPECT_EQ(Shell(kBuild + "/benchgen --version"), 0);
    EXPECT_NE(Log().find("benchgen 0.3.0 (git "), std::string::npos) << Log();
}

TEST(ToolCommandLines, SwapHookSeesEverySwapWithTheRunningCount) {
    OpenDevice();
    const std::uint64_t before = GlideTraceFrameCounter();
    hookCalls = 0;
    GlideTraceSetSwapHook(CountSwap);
    for (int i = 0; i < 4; ++i) Frame(0.0f);
    GlideTraceSetSwapHook(nullptr);
    Frame(0.0f);
    grGlideShutdown();
    EXPECT_EQ(hookCalls, 4u);
    EXPECT_EQ(lastSwaps, before + 4);
    EXPECT_EQ(GlideTraceFrameCounter(), before + 5);
}

TEST(ToolCommandLines, DeviceCallTimingCountsEachOutermostCallWhileOn) {
    OpenDevice();
    GlideTraceTimeDeviceCalls(true);
    const GlideTraceDeviceTime before = GlideTraceDeviceTimeSoFar();
    for (int i = 0; i < 4; ++i) Frame(0.0f);  // clear, triangle, swap
    const GlideTraceDeviceTime during = GlideTraceDeviceTimeSoFar();
    GlideTraceTimeDeviceCalls(false);
    Frame(0.0f);
    const GlideTraceDeviceTime after = GlideTraceDeviceTimeSoFar();
    grGlideShutdown();
    EXPECT_EQ(during.calls - before.calls, 12u);
    EXPECT_GT(during.nanoseconds, before.nanoseconds);
    EXPECT_EQ(after.calls, during.calls);
    EXPECT_EQ(after.nanoseconds, during.nanoseconds);
}

TEST(ToolCommandLines, BenchRunnerRefusesABadTraceRequestBeforeItStarts) {
    const std::string runner = kBuild + "/tarnbench-runner --frames 0";
    EXPECT_EQ(Shell("TARNBENCH_TRACE=nonsense " + runner), 2);
    EXPECT_NE(Log().find("TARNBENCH_TRACE wants FILE:FIRST:LAST, got \"nonsense\""), std::string::npos) << Log();
    EXPECT_EQ(Shell("TARNBENCH_TRACE=x.trace:9:3 " + runner), 2);
    EXPECT_NE(Log().find("the first frame comes after the last"), std::string::npos) << Log();
    EXPECT_EQ(Shell("TARNBENCH_TRACE=/nonexistent-dir/x.trace:1:2 " + runner), 2);
    EXPECT_NE(Log().find("could not be created"), std::string::npos) << Log();
}
