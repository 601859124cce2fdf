// The programs' options and the headless runner's JSON report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "app/command_line.h"
#include "app/headless_runner.h"
#include "app/window_runner.h"
#include "call_recorder.h"

using ::testing::HasSubstr;

namespace {

OptionsResult Parse(std::vector<const char*> args, HeadlessOptions* options, std::string* error) {
    args.insert(args.begin(), "tarnview-headless");
    return ParseHeadlessOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(HeadlessOptionsTest, DefaultsAndEveryOption) {
    HeadlessOptions options;
    std::string error;
    ASSERT_EQ(Parse({}, &options, &error), OptionsResult::Run);
    EXPECT_EQ(options.frames, 300u);
    EXPECT_TRUE(options.calibrate);
    EXPECT_EQ(options.scene, "");

    ASSERT_EQ(Parse({"--frames", "60", "--script", "s.txt", "--screenshot", "a.png", "--report", "r.json",
                     "--dump-scene", "d.json", "--no-calibrate", "my scene.scn"},
                    &options, &error),
              OptionsResult::Run);
    EXPECT_EQ(options.frames, 60u);
    EXPECT_EQ(options.scriptPath, "s.txt");
    EXPECT_EQ(options.screenshotPath, "a.png");
    EXPECT_EQ(options.reportPath, "r.json");
    EXPECT_EQ(options.dumpScenePath, "d.json");
    EXPECT_FALSE(options.calibrate);
    EXPECT_EQ(options.scene, "my scene.scn");

    ASSERT_EQ(Parse({"--frames", "0"}, &options, &error), OptionsResult::Run);
    EXPECT_EQ(options.frames, 0u);
    EXPECT_TRUE(options.framesGiven);
    EXPECT_EQ(Parse({"--help"}, &options, &error), OptionsResult::Help);
    EXPECT_EQ(Parse({"--frames", "3", "--version"}, &options, &error), OptionsResult::Version);

    ASSERT_EQ(Parse({"-C", "a", "--record", "f.txt", "-C", "b", "--threads", "0", "--trace", "t", "--trace-frames",
                     "2:4", "s.scn"},
                    &options, &error),
              OptionsResult::Run);
    EXPECT_EQ(options.folders, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(options.recordPath, "f.txt");
    EXPECT_EQ(options.threads, 0);
    EXPECT_FALSE(options.framesGiven);
    EXPECT_EQ(options.traceFirst, 2u);
    EXPECT_EQ(options.traceLast, 4u);
}

TEST(WindowOptionsTest, OptionsComeBeforeTheSceneWhichIsTheRestOfTheLine) {
    auto parse = [](std::vector<const char*> args, WindowOptions* options, std::string* error) {
        args.insert(args.begin(), "tarnview");
        return ParseWindowOptions(static_cast<int>(args.size()), args.data(), options, error);
    };
    WindowOptions options;
    std::string error;
    ASSERT_EQ(parse({"--script", "s.txt", "--record", "r.txt", "--threads", "2", "my", "--frames", "scene.scn"},
                    &options, &error),
              OptionsResult::Run);
    EXPECT_EQ(options.scriptPath, "s.txt");
    EXPECT_EQ(options.recordPath, "r.txt");
    EXPECT_EQ(options.threads, 2);
    EXPECT_EQ(options.scene, "my --frames scene.scn");
    ASSERT_EQ(parse({"--", "--odd name.scn"}, &options, &error), OptionsResult::Run);
    EXPECT_EQ(options.scene, "--odd name.scn");
    ASSERT_EQ(parse({}, &options, &error), OptionsResult::Run);
    EXPECT_EQ(options.scene, "");
    EXPECT_EQ(parse({"--help", "x.scn"}, &options, &error), OptionsResult::Help);
    EXPECT_EQ(parse({"--version"}, &options, &error), OptionsResult::Version);
    for (std::vector<const char*> args : std::vector<std::vector<const char*>>{
             {"--bogus"}, {"--record"}, {"--script"}, {"--threads", "many"}, {"--threads", "257"}, {"--trace-frames", "3:1"}}) {
        error.clear();
        EXPECT_EQ(parse(args, &options, &error), OptionsResult::UsageError) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CommandLineTest, ThreadCountFromOptionOrEnvironmentAndOutOfMemoryGuard) {
    int threads = -7;
    std::string error;
    ::setenv("TARNVIEW_THREADS", "3", 1);
    EXPECT_TRUE(ResolveThreadCount(-1, &threads, &error));
    EXPECT_EQ(threads, 3);
    EXPECT_TRUE(ResolveThreadCount(5, &threads, &error));  // the option wins
    EXPECT_EQ(threads, 5);
    ::setenv("TARNVIEW_THREADS", "lots", 1);
    EXPECT_FALSE(ResolveThreadCount(-1, &threads, &error));
    EXPECT_THAT(error, HasSubstr("TARNVIEW_THREADS wants a whole number from 1 to 256"));
    ::unsetenv("TARNVIEW_THREADS");
    EXPECT_TRUE(ResolveThreadCount(-1, &threads, &error));
    EXPECT_EQ(threads, 0);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ExitOnOutOfMemory("prog", []() -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "prog: out of memory\n");
    EXPECT_EQ(ExitOnOutOfMemory("prog", [] { return 4; }), 4);
}

TEST(HeadlessOptionsTest, RefusesBadInputWithAMessage) {
    HeadlessOptions options;
    std::string error;
    for (std::vector<const char*> args : std::vector<std::vector<const char*>>{
             {"--frames"}, {"--frames", "-1"}, {"--frames", "ten"}, {"--frames", "99999999999"},
             {"--frames", "5x"}, {"--bogus"}, {"a.scn", "b.scn"}, {"--report"}, {"-C"}, {"--threads", "-1"},
             {"--threads", "300"}, {"--record"}}) {
        error.clear();
        EXPECT_EQ(Parse(args, &options, &error), OptionsResult::UsageError) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(HeadlessReportTest, WritesNumbersAndNullForValuesNoFrameMeasured) {
    FrameStats stats;
    glide::DeviceCounters counters;
    counters.trianglesSubmitted = 1234;
    counters.pixelsWritten = 56789;
    // No frame: the extremes are unknown, not the sentinels 1e8 s and 0 s.
    EXPECT_EQ(FormatReportJson(stats, 1e9f, counters, 3),
              "{\"frames\":0,\"clock_rate_hz\":1e+09,\"frame_time_s\":{\"min\":null,\"avg\":0,\"max\":null},"
              "\"fps\":{\"min\":null,\"avg\":null,\"max\":null},\"triangles\":1234,\"pixels\":56789,"
              "\"threads\":3}\n");
    // A frame too short to become the minimum leaves only that one unknown.
    stats.current = 0.000001f;
    stats.Update();
    EXPECT_THAT(FormatReportJson(stats, 1e9f, counters, 1),
                HasSubstr("\"frame_time_s\":{\"min\":null,\"avg\":9.99999997e-07,\"max\":9.99999997e-07},"
                          "\"fps\":{\"min\":1000000,\"avg\":1000000,\"max\":null}"));
    stats = FrameStats{};
    stats.current = 0.5f;
    stats.Update();
    EXPECT_THAT(FormatReportJson(stats, 2e8f, counters, 1),
                HasSubstr("\"frames\":1,\"clock_rate_hz\":200000000,\"frame_time_s\":{\"min\":0.5,\"avg\":0.5,"
                          "\"max\":0.5},\"fps\":{\"min\":2,\"avg\":2,\"max\":2}"));
}

}  // namespace
