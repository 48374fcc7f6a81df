#pragma once

// The one random generator of the program. The reels draw their stops from it and the play
// control draws the spin music from it; nothing else may use another generator for either,
// so a seed replays a whole session.

#include <cstdint>

namespace Random {

constexpr int RANDOM_MAX = 32767;
constexpr uint32_t MULTIPLIER = 214013u;
constexpr uint32_t INCREMENT = 2531011u;

// The generator's next state, and the number a state gives.
constexpr uint32_t Step(uint32_t state) {
    return state * MULTIPLIER + INCREMENT;
}
constexpr int NumberOf(uint32_t state) {
    return static_cast<int>((state >> 16) & RANDOM_MAX);
}

// Called once at start-up (from the clock, or from a fixed seed to replay a session).
void Seed(uint32_t seed);

// The generator's state; only Seed and Next touch it. The program plays on one thread; a
// Monte Carlo run gives each of its threads a machine and a stream of its own.
extern thread_local uint32_t State;

// The next number, 0 to RANDOM_MAX. Inline, because every spin draws one per reel.
inline int Next() {
    State = Step(State);
    return NumberOf(State);
}

} // namespace Random
