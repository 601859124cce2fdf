// Whether a frame is drawn through the tile queue or inline on the calling
// thread, chosen frame by frame from the frame times each way gave lately.
//
// With the machine to itself the tile threads win on most work, but not on
// all of it (a screen of tiny triangles costs the calling thread more to
// queue than to draw), and when a neighbour takes a core, a worker that
// holds a tile stalls the frame while the calling thread waits for it. So
// with the default thread count the device keeps measuring: it draws in the
// way that has been faster, and now and then tries the other way for a few
// frames to see whether that has changed. Both ways draw exactly the same
// pixels; only the time differs.
#pragma once

#include <cstdint>

namespace glide {

enum class DrawMode : std::uint8_t { kQueued, kInline };

class DrawModeChooser {
public:
    // Frames drawn the other way to compare, and the frames between two such
    // trials: the first gap after a change of mind, doubled each time the
    // trial confirms the choice, up to the longest.
    static constexpr int kTrialFrames = 3;
    static constexpr int kFirstGap = 24, kLongestGap = 384;
    // Frame times kept for each way (their median is compared).
    static constexpr int kSamples = 5;

    // The frame just shown took `seconds` (from the previous swap) and was
    // drawn in Mode(); returns the mode of the next frame.
    DrawMode FrameEnded(double seconds);
    DrawMode Mode() const { return mode_; }

private:
    struct Times {
        double seconds[kSamples] = {};
        int count = 0, next = 0;
        void Add(double s);
        double Median() const;
    };

    static DrawMode Other(DrawMode m) { return m == DrawMode::kQueued ? DrawMode::kInline : DrawMode::kQueued; }
    Times& TimesOf(DrawMode m) { return times_[m == DrawMode::kQueued ? 0 : 1]; }

    Times times_[2];
    DrawMode mode_ = DrawMode::kQueued;
    DrawMode favoured_ = DrawMode::kQueued;
    bool trial_ = false;
    bool first_ = true;  // the first frame (uploads, first touches) is not timed
    int framesLeft_ = kTrialFrames + 1;
    int gap_ = kFirstGap;
};

}  // namespace glide
