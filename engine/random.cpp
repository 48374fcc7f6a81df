#include "engine/random.h"

namespace Random {

static uint32_t State = 1;

void Seed(uint32_t seed) {
    State = seed;
}

int Next() {
    State = State * 214013u + 2531011u;
    return static_cast<int>((State >> 16) & 0x7fff);
}

} // namespace Random
