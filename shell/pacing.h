#pragma once
// When the main loop draws a frame: at most once per refresh of the display, and not at all
// while the picture stands still, that is while nothing turns or plays and nothing has
// happened since the frames that show it.

#include <chrono>

using SteadyTime = std::chrono::steady_clock::time_point;

class FramePacer {
public:
    // The display shows `hertz` pictures a second; nonsense is taken as the usual 60.
    void SetRefreshRate(double hertz);
    // Input arrived or the machine changed: the picture may differ from the one shown.
    void Stir() { stillFrames_ = 0; }
    // A frame was begun at `at`; `moving` when the next one will differ without any input.
    void Drawn(SteadyTime at, bool moving);
    // The frames since the last stir show the still picture: none is needed until the next.
    bool Resting() const { return stillFrames_ >= FRAMES_TO_SETTLE; }
    // The earliest time of the next frame.
    SteadyTime NextFrame() const { return last_ + period_; }

private:
    // The frame that ends a movement may leave a last change for the one after it (the meter
    // redrawn, the music stopped).
    static constexpr int FRAMES_TO_SETTLE = 2;
    std::chrono::nanoseconds period_{16'666'667};
    SteadyTime last_{};
    int stillFrames_ = 0;
};
