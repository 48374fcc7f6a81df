#pragma once

// The machine's counters are 32-bit like the player's meter. A long unattended run or an
// absurd pay table could carry one past its range; it then sticks at the limit instead of
// wrapping to a negative figure.

#include <climits>
#include <cstdint>

inline int ClampToInt(int64_t value) {
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

inline void AddSaturating(int& counter, int amount) {
    counter = ClampToInt(static_cast<int64_t>(counter) + amount);
}
