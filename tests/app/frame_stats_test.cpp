// Frame statistics: the update rules and the report texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/frame_stats.h"
#include "call_recorder.h"

using ::testing::HasSubstr;

namespace {

class FrameStatsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetShellState(); }

    static void Fold(FrameStats& stats, float seconds) {
        stats.current = seconds;
        stats.Update();
    }

    static std::string Report(const FrameStats& stats) {
        char text[1024];
        stats.FormatReport(text, sizeof text);
        return text;
    }
};

TEST_F(FrameStatsTest, StartsWithTheDocumentedValues) {
    FrameStats stats;
    EXPECT_EQ(stats.count, 0u);
    EXPECT_EQ(stats.average, 0.0f);
    EXPECT_EQ(stats.maximum, 0.0f);
    EXPECT_EQ(stats.minimum, 100000000.0f);
    EXPECT_EQ(stats.last, 0.0f);
    EXPECT_EQ(stats.current, 0.0f);
}

TEST_F(FrameStatsTest, FirstFrameSetsMinimumMaximumAndAverage) {
    FrameStats stats;
    Fold(stats, 0.02f);
    EXPECT_EQ(stats.count, 1u);
    EXPECT_EQ(stats.maximum, 0.02f);
    EXPECT_EQ(stats.minimum, 0.02f);
    EXPECT_EQ(stats.average, 0.02f);
    EXPECT_EQ(stats.last, 0.02f);
    EXPECT_EQ(stats.current, 0.0f);
}

TEST_F(FrameStatsTest, TinyFrameCountsButNeverBecomesTheMinimum) {
    FrameStats stats;
    Fold(stats, 0.00001f);
    EXPECT_EQ(stats.count, 1u);
    EXPECT_EQ(stats.maximum, 0.00001f);
    EXPECT_EQ(stats.minimum, 100000000.0f);
    EXPECT_EQ(stats.average, 0.00001f);
    EXPECT_EQ(stats.last, 0.00001f);
    Fold(stats, 0.0f);
    EXPECT_EQ(stats.minimum, 100000000.0f);
    EXPECT_EQ(stats.count, 2u);
}

TEST_F(FrameStatsTest, AverageIsTheRunningMeanOfFrameTimes) {
    FrameStats stats;
    Fold(stats, 0.01f);
    Fold(stats, 0.03f);
    Fold(stats, 0.02f);
    EXPECT_FLOAT_EQ(stats.average, 0.02f);
    EXPECT_EQ(stats.minimum, 0.01f);
    EXPECT_EQ(stats.maximum, 0.03f);
    EXPECT_EQ(stats.last, 0.02f);
}

TEST_F(FrameStatsTest, ReportBeforeAnyFrame) {
    FrameStats stats;
    FrameStats::ClockRate = 1e9f;
    EXPECT_EQ(Report(stats),
              "Max frame time: 0.000000s, Avg. frame time: 0.000000s, Min frame time: 100000000.000000s\n"
              "Min fps: inf, Avg. fps: inf, Max fps: 0.000000\n"
              "Counted: 0 frames. Clockrate: 1000.00 MHz\n");
}

TEST_F(FrameStatsTest, ReportAfterFramesUsesReciprocalOfAverageTime) {
    FrameStats stats;
    FrameStats::ClockRate = 200000000.0f;
    // Binary fractions, so the single-precision times print exactly.
    Fold(stats, 0.0625f);
    Fold(stats, 0.25f);
    EXPECT_EQ(Report(stats),
              "Max frame time: 0.250000s, Avg. frame time: 0.156250s, Min frame time: 0.062500s\n"
              "Min fps: 4.000000, Avg. fps: 6.400000, Max fps: 16.000000\n"
              "Counted: 2 frames. Clockrate: 200.00 MHz\n");
}

TEST_F(FrameStatsTest, FrameDurationComesFromTheFull64BitCounter) {
    FrameStats::ClockRate = 1e9f;
    // A frame that crosses a 2^32 boundary of the counter: 5 ms.
    const std::uint64_t start = 0xFFFFFFFFull - 1000;
    EXPECT_DOUBLE_EQ(FrameStats::CyclesToSeconds(start, start + 16 + 5000000), 0.005);
    // Longer than 2^32 cycles: no wrap.
    EXPECT_DOUBLE_EQ(FrameStats::CyclesToSeconds(0, 16 + 8000000000ull), 8.0);
    // Shorter than the counter's own overhead: zero, never a huge value.
    EXPECT_DOUBLE_EQ(FrameStats::CyclesToSeconds(100, 110), 0.0);
}

TEST_F(FrameStatsTest, FrameStartAndEndFoldOneFrame) {
    FrameStats stats;
    FrameStats::ClockRate = 1e9f;
    Fake.cycles = {5000, 5000 + 16 + 2000000};
    stats.FrameStart();
    stats.FrameEnd();
    EXPECT_EQ(stats.count, 1u);
    EXPECT_FLOAT_EQ(stats.last, 0.002f);
    EXPECT_EQ(stats.startStamp, 5000u);
    EXPECT_EQ(stats.endStamp, 5000u + 16 + 2000000);
}

TEST_F(FrameStatsTest, NanosecondClockReportsOneGigahertz) {
    FrameStats::UseNanosecondClock();
    EXPECT_EQ(FrameStats::ClockRate, 1e9f);
    EXPECT_EQ(FrameStats::calibrated, 1);
}

}  // namespace
