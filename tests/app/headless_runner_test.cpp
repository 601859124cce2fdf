// The headless runner's options and its JSON report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/headless_runner.h"
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
    EXPECT_EQ(Parse({"--help"}, &options, &error), OptionsResult::Help);
}

TEST(HeadlessOptionsTest, RefusesBadInputWithAMessage) {
    HeadlessOptions options;
    std::string error;
    for (std::vector<const char*> args : std::vector<std::vector<const char*>>{
             {"--frames"}, {"--frames", "-1"}, {"--frames", "ten"}, {"--frames", "99999999999"},
             {"--frames", "5x"}, {"--bogus"}, {"a.scn", "b.scn"}, {"--report"}}) {
        error.clear();
        EXPECT_EQ(Parse(args, &options, &error), OptionsResult::UsageError) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(HeadlessReportTest, WritesNumbersAndNullForNonFiniteValues) {
    FrameStats stats;
    glide::DeviceCounters counters;
    counters.trianglesSubmitted = 1234;
    counters.pixelsWritten = 56789;
    EXPECT_EQ(FormatReportJson(stats, 1e9f, counters),
              "{\"frames\":0,\"clock_rate_hz\":1e+09,\"frame_time_s\":{\"min\":100000000,\"avg\":0,\"max\":0},"
              "\"fps\":{\"min\":null,\"avg\":null,\"max\":1e-08},\"triangles\":1234,\"pixels\":56789}\n");
    stats.current = 0.5f;
    stats.Update();
    EXPECT_THAT(FormatReportJson(stats, 2e8f, counters),
                HasSubstr("\"frames\":1,\"clock_rate_hz\":200000000,\"frame_time_s\":{\"min\":0.5,\"avg\":0.5,"
                          "\"max\":0.5},\"fps\":{\"min\":2,\"avg\":2,\"max\":2}"));
}

}  // namespace
