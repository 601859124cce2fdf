#include "queue/draw_mode.h"

#include <algorithm>

namespace glide {

void DrawModeChooser::Times::Add(double s) {
    seconds[next] = s;
    next = (next + 1) % kSamples;
    if (count < kSamples) ++count;
}

double DrawModeChooser::Times::Median() const {
    double sorted[kSamples];
    for (int i = 0; i < count; ++i) {  // insertion sort of at most kSamples values
        int j = i;
        for (; j > 0 && sorted[j - 1] > seconds[i]; --j) sorted[j] = sorted[j - 1];
        sorted[j] = seconds[i];
    }
    return count % 2 == 1 ? sorted[count / 2] : (sorted[count / 2 - 1] + sorted[count / 2]) / 2;
}

DrawMode DrawModeChooser::FrameEnded(double seconds) {
    if (!first_) TimesOf(mode_).Add(seconds);
    first_ = false;
    if (--framesLeft_ > 0) return mode_;
    if (!trial_) {
        // Try the other way afresh: its old times may no longer hold.
        mode_ = Other(favoured_);
        TimesOf(mode_) = Times{};
        trial_ = true;
        framesLeft_ = kTrialFrames;
        return mode_;
    }
    // The trial is over: keep the faster way (the favoured one on a tie).
    const bool otherFaster = TimesOf(mode_).Median() < TimesOf(favoured_).Median();
    if (otherFaster) {
        favoured_ = mode_;
        gap_ = kFirstGap;
    } else {
        gap_ = std::min(gap_ * 2, kLongestGap);
    }
    mode_ = favoured_;
    trial_ = false;
    framesLeft_ = gap_;
    return mode_;
}

}  // namespace glide
