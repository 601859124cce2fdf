// The choice between drawing a frame through the tile queue and inline:
// fed made-up frame times, it settles on the faster way, keeps trying the
// other way rarely, and follows when the faster way changes.
#include "queue/draw_mode.h"

#include <gtest/gtest.h>

namespace {

using glide::DrawMode;
using glide::DrawModeChooser;

// Runs `frames` frames whose times depend on the way they were drawn;
// returns how many were drawn inline.
int InlineFrames(DrawModeChooser& chooser, int frames, double queued, double inlineSeconds) {
    int drawnInline = 0;
    for (int i = 0; i < frames; ++i) {
        const bool isInline = chooser.Mode() == DrawMode::kInline;
        drawnInline += isInline ? 1 : 0;
        chooser.FrameEnded(isInline ? inlineSeconds : queued);
    }
    return drawnInline;
}

TEST(DrawMode, SettlesOnTheFasterWayAndFollowsAChange) {
    DrawModeChooser chooser;
    EXPECT_EQ(chooser.Mode(), DrawMode::kQueued);  // the first frames go to the threads
    // The threads faster: inline only for the trials, which grow rare.
    const int trials = InlineFrames(chooser, 2000, 0.004, 0.006);
    EXPECT_GE(trials, 3 * DrawModeChooser::kTrialFrames);
    EXPECT_LE(trials, 2000 / 40);
    EXPECT_EQ(chooser.Mode(), DrawMode::kQueued);
    // A neighbour takes the second core: inline wins from the next trial on.
    const int longestWait = DrawModeChooser::kLongestGap + DrawModeChooser::kTrialFrames;
    const int afterChange = InlineFrames(chooser, 2000, 0.009, 0.006);
    EXPECT_GE(afterChange, 2000 - longestWait - 2000 / 40);
    EXPECT_EQ(chooser.Mode(), DrawMode::kInline);
    // And back, without waiting longer than the longest gap.
    InlineFrames(chooser, longestWait + 1, 0.004, 0.006);
    EXPECT_EQ(chooser.Mode(), DrawMode::kQueued);
}

TEST(DrawMode, AFewSlowFramesDoNotDecide) {
    // Inline frames are faster but one of each trial's three is very slow
    // (the median is taken), and the untimed first frame is slowest of all.
    DrawModeChooser chooser;
    chooser.FrameEnded(10.0);
    int inlineFrame = 0;
    for (int i = 0; i < 200; ++i) {
        const bool isInline = chooser.Mode() == DrawMode::kInline;
        chooser.FrameEnded(isInline ? (inlineFrame++ % 3 == 0 ? 1.0 : 0.003) : 0.005);
    }
    EXPECT_EQ(chooser.Mode(), DrawMode::kInline);
}

}  // namespace
