#include "engine/random.h"

namespace Random {

thread_local uint32_t State = 1;

void Seed(uint32_t seed) {
    State = seed;
}

} // namespace Random
