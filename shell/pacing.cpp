#include "shell/pacing.h"

#include <algorithm>

namespace {

// Rates outside this range are not a display's: a screen that reports one is taken to show
// the usual 60 pictures a second.
constexpr double LOWEST_REFRESH_RATE = 10;
constexpr double HIGHEST_REFRESH_RATE = 1000;
constexpr double USUAL_REFRESH_RATE = 60;

} // namespace

void FramePacer::SetRefreshRate(double hertz) {
    if (!(hertz >= LOWEST_REFRESH_RATE && hertz <= HIGHEST_REFRESH_RATE))
        hertz = USUAL_REFRESH_RATE;
    period_ = std::chrono::nanoseconds(static_cast<long long>(1e9 / hertz));
}

void FramePacer::Drawn(SteadyTime at, bool moving) {
    last_ = at;
    stillFrames_ = moving ? 0 : std::min(stillFrames_ + 1, FRAMES_TO_SETTLE);
}
