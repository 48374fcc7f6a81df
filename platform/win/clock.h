#pragma once
// Millisecond time: the tick count that play control measures with and the multimedia timer
// that seeds the random generator, from one source so automation can run on made-up time.

#include <cstdint>

namespace win {

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickCount() = 0;
    virtual uint32_t TimeGetTime() = 0;
};

// Milliseconds of the monotonic clock, which on Linux counts from the system's start; both
// readings wrap at 2^32 like the platform's.
class SteadyClock : public Clock {
public:
    uint32_t TickCount() override;
    uint32_t TimeGetTime() override { return TickCount(); }
};

// Time that moves only when told: it starts at 100000 and each Advance adds the step.
class VirtualClock : public Clock {
public:
    static constexpr uint32_t START = 100000;

    explicit VirtualClock(uint32_t step = 0) : step_(step) {}
    uint32_t TickCount() override { return now_; }
    uint32_t TimeGetTime() override { return now_; }

    void SetStep(uint32_t step) { step_ = step; }
    uint32_t Step() const { return step_; }
    void Advance() { now_ += step_; }

private:
    uint32_t now_ = START;
    uint32_t step_;
};

} // namespace win
