#pragma once

// The one random generator of the program. The reels draw their stops from it and the play
// control draws the spin music from it; nothing else may use another generator for either,
// so a seed replays a whole session.

#include <cstdint>

namespace Random {

constexpr int RANDOM_MAX = 32767;

// Called once at start-up (from the clock, or from a fixed seed to replay a session).
void Seed(uint32_t seed);

// The generator's state; only Seed and Next touch it. The program plays on one thread; a
// Monte Carlo run gives each of its threads a machine and a stream of its own.
extern thread_local uint32_t State;

// The next number, 0 to RANDOM_MAX. Inline, because every spin draws one per reel.
inline int Next() {
    State = State * 214013u + 2531011u;
    return static_cast<int>((State >> 16) & 0x7fff);
}

} // namespace Random
